// The computed registry and GetVersionExA, as the DirectX check and the machine report read them.
#include <pwd.h>
#include <unistd.h>

#include <cstdio>

#include "platform_test.h"

namespace {

class Registry : public ::testing::Test {
 protected:
  void TearDown() override { hooks::ResetRegistry(); }
};

// A string value read as the game does (open, query, close), or "<error N>".
std::string Value(const char* key, const char* name) {
  HKEY handle = nullptr;
  LSTATUS status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &handle);
  if (status != ERROR_SUCCESS) return "<error " + std::to_string(status) + ">";
  std::string buffer(256, '\x7f');
  DWORD size = 256, type = REG_NONE;
  status = RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<LPBYTE>(buffer.data()), &size);
  EXPECT_EQ(RegCloseKey(handle), ERROR_SUCCESS);
  if (status != ERROR_SUCCESS) return "<error " + std::to_string(status) + ">";
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(buffer[size - 1], '\0') << "the size counts the terminating zero";
  return buffer.substr(0, size - 1);
}
const std::string kNotFound = "<error " + std::to_string(ERROR_FILE_NOT_FOUND) + ">";

// ProductType, the processor as "x86 Family f Model m Stepping s", the owner's full or login name.
TEST_F(Registry, GivesTheComputedValues) {
  EXPECT_EQ(Value("SYSTEM\\CurrentControlSet\\Control\\ProductOptions", "ProductType"), "WinNT");
  std::string cpu = Value("Hardware\\Description\\System\\CentralProcessor\\0", "Identifier");
  std::string vendor = Value("Hardware\\Description\\System\\CentralProcessor\\0", "VendorIdentifier");
#if defined(__x86_64__) || defined(__i386__)
  unsigned family = 0, model = 0, stepping = 0;
  int length = 0;
  EXPECT_EQ(std::sscanf(cpu.c_str(), "x86 Family %u Model %u Stepping %u%n", &family, &model, &stepping, &length), 3);
  EXPECT_EQ(length, static_cast<int>(cpu.size())) << cpu;
  EXPECT_EQ(vendor.size(), 12u) << vendor;
#endif
  EXPECT_LT(cpu.size(), 50u) << "fits the report's field";
  std::string owner = Value("Software\\Microsoft\\Windows\\CurrentVersion", "RegisteredOwner");
  passwd* account = getpwuid(getuid());
  bool noFullName = account && (!account->pw_gecos || account->pw_gecos[0] == '\0' || account->pw_gecos[0] == ',');
  EXPECT_TRUE(!account || (noFullName ? owner == account->pw_name : !owner.empty())) << owner;
}

TEST_F(Registry, FindsKeysAndValuesWithoutRegardToCaseAndReportsMissingOnes) {
  const char* cases[][3] = {  // key, value name, what Value gives
      {"SOFTWARE\\MICROSOFT\\DIRECTX", "VERSION", "4.09.00.0904"},
      {"software\\microsoft\\directx\\", "version", "4.09.00.0904"},  // a trailing separator
      {"Software\\Microsoft\\DirectX", "InstalledVersion", kNotFound.c_str()},
      {"Software\\Microsoft\\DirectX", nullptr, kNotFound.c_str()},  // no default value
      {"Software\\Microsoft\\Direct", "Version", kNotFound.c_str()},
      {"Software\\\\Microsoft\\DirectX", "Version", kNotFound.c_str()},  // a doubled separator
  };
  for (const auto& c : cases) EXPECT_EQ(Value(c[0], c[1]), c[2]) << c[0];

  HKEY key = reinterpret_cast<HKEY>(0x1234);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\DirectX", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND)
      << "only HKEY_LOCAL_MACHINE has keys";
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(RegOpenKeyExA(reinterpret_cast<HKEY>(&key), "Software", 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegQueryValueExA(reinterpret_cast<HKEY>(&key), "Version", nullptr, nullptr, nullptr, nullptr),
            ERROR_INVALID_HANDLE);
  // Read-only: write access is refused where the key exists.
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\DirectX", 0, KEY_ALL_ACCESS, &key),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Nothing", 0, KEY_ALL_ACCESS, &key),
            ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, AnswersSizeQueriesAndShortBuffers) {
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\DirectX", 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "Version", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 13u) << "\"4.09.00.0904\" and its zero";
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

  char small[8] = "unused";
  size = sizeof small;
  EXPECT_EQ(RegQueryValueExA(key, "Version", nullptr, nullptr, reinterpret_cast<LPBYTE>(small), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 13u) << "the size it needs";

  char exact[13];
  size = sizeof exact;
  EXPECT_EQ(RegQueryValueExA(key, "Version", nullptr, nullptr, reinterpret_cast<LPBYTE>(exact), &size), ERROR_SUCCESS);
  EXPECT_STREQ(exact, "4.09.00.0904");

  EXPECT_EQ(RegQueryValueExA(key, "Version", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS) << "existence only";
  EXPECT_EQ(RegQueryValueExA(key, "Version", nullptr, nullptr, reinterpret_cast<LPBYTE>(exact), nullptr),
            ERROR_INVALID_PARAMETER);
  DWORD reserved = 0;
  EXPECT_EQ(RegQueryValueExA(key, "Version", &reserved, nullptr, nullptr, &size), ERROR_INVALID_PARAMETER);
  RegCloseKey(key);
}

TEST_F(Registry, TestHooksChangeAndRestoreTheValues) {
  hooks::SetRegistryValue("Software\\Microsoft\\DirectX", "version", "4.06.02.0436");
  EXPECT_EQ(Value("Software\\Microsoft\\DirectX", "Version"), "4.06.02.0436");

  hooks::SetRegistryValue("Software\\Veskaria\\Test", "Name", "Kadun");
  EXPECT_EQ(Value("software\\veskaria\\test", "name"), "Kadun");

  HKEY open = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\DirectX", 0, KEY_QUERY_VALUE, &open),
            ERROR_SUCCESS);
  hooks::RemoveRegistryValue("Software\\Microsoft\\DirectX", "VERSION");
  EXPECT_EQ(RegQueryValueExA(open, "Version", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
  hooks::RemoveRegistryKey("Software\\Microsoft\\DirectX");
  EXPECT_EQ(RegQueryValueExA(open, "Version", nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(open), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(open), ERROR_INVALID_HANDLE) << "closed twice";
  EXPECT_EQ(Value("Software\\Microsoft\\DirectX", "Version"), kNotFound);
  EXPECT_EQ(Value("Software\\Microsoft\\Windows\\CurrentVersion", "RegisteredOrganization"), "")
      << "the neighbours stay";

  hooks::ResetRegistry();
  EXPECT_EQ(Value("Software\\Microsoft\\DirectX", "Version"), "4.09.00.0904");
  EXPECT_EQ(Value("Software\\Veskaria\\Test", "Name"), kNotFound);
}

TEST(GetVersionExA, ReportsWindows2000ToARecordOfTheRightSize) {
  OSVERSIONINFOEXA info{};
  auto* plain = reinterpret_cast<LPOSVERSIONINFOA>(&info);
  SetLastError(0);
  EXPECT_FAILS_WITH(GetVersionExA(plain), FALSE, ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(info.dwMajorVersion, 0u) << "nothing written";

  info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
  ASSERT_TRUE(GetVersionExA(plain));
  EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
  EXPECT_EQ(info.dwMajorVersion, 5u);
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_TRUE(GetVersionExA(plain));
  EXPECT_EQ(info.wProductType, VER_NT_WORKSTATION) << "agrees with ProductType WinNT";
}

}  // namespace
