// Windows Sockets start-up and COM initialisation.
#include <winsock.h>

#include "platform_test.h"

namespace {

// Ends every start-up a test left, so the count starts at zero.
void CleanUpAll() {
  while (WSACleanup() == 0) continue;
}

// 1.1 and later get 1.1, earlier nothing; start-ups nest and are counted per process, not per thread.
TEST(WSAStartup, GrantsVersion11AndCountsStartUpsPerProcess) {
  CleanUpAll();
  WSADATA data{};
  EXPECT_EQ(WSAStartup(MAKEWORD(1, 0), &data), WSAVERNOTSUPPORTED);
  EXPECT_EQ(data.wHighVersion, 0x0101) << "says what it offers";
  EXPECT_EQ(WSAStartup(0x0101, nullptr), WSAEFAULT);
  EXPECT_EQ(WSACleanup(), SOCKET_ERROR) << "no failed start-up counts";
  EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);

  for (WORD requested : {WORD{0x0101}, MAKEWORD(2, 2), MAKEWORD(1, 2)}) {
    std::memset(&data, 0xAB, sizeof data);
    ASSERT_EQ(WSAStartup(requested, &data), 0) << std::hex << requested;
    EXPECT_EQ(data.wVersion, 0x0101);
    EXPECT_EQ(data.wHighVersion, 0x0101);
    EXPECT_STREQ(data.szSystemStatus, "Running");
    EXPECT_GT(std::strlen(data.szDescription), 0u);
  }
  EXPECT_EQ(WSACleanup(), 0);
  int otherThread = 1;
  std::thread([&] { otherThread = WSACleanup(); }).join();
  EXPECT_EQ(otherThread, 0);
  EXPECT_EQ(WSACleanup(), 0);
  EXPECT_EQ(WSACleanup(), SOCKET_ERROR) << "three start-ups, three clean-ups";
  EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
}

TEST(CoInitialize, CountsPerThread) {
  EXPECT_EQ(CoInitialize(nullptr), S_OK);
  EXPECT_EQ(CoInitialize(nullptr), S_FALSE) << "already initialised here";

  // Every thread starts uninitialised, and is so again after as many uninitialisations.
  std::vector<HRESULT> onOtherThread;
  std::thread([&] {
    onOtherThread = {CoInitialize(nullptr), CoInitialize(nullptr)};
    CoUninitialize();
    CoUninitialize();
    onOtherThread.push_back(CoInitialize(nullptr));
    CoUninitialize();
  }).join();
  EXPECT_EQ(onOtherThread, (std::vector<HRESULT>{S_OK, S_FALSE, S_OK}));

  CoUninitialize();
  CoUninitialize();
  CoUninitialize();  // one too many does no harm
  EXPECT_EQ(CoInitialize(nullptr), S_OK);
  CoUninitialize();

  int reserved = 0;
  EXPECT_EQ(CoInitialize(&reserved), E_INVALIDARG);
  EXPECT_EQ(CoInitialize(nullptr), S_OK) << "the refused call counted nothing";
  CoUninitialize();
}

DEFINE_GUID(kFirst, 0x6C14DB80, 0xA733, 0x11CE, 0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60);

TEST(Guid, ComparesAllSixteenBytes) {
  GUID copy = kFirst;
  copy.Data4[7] ^= 1;
  EXPECT_TRUE(copy != kFirst && IsEqualIID(kFirst, kFirst));
}

}  // namespace
