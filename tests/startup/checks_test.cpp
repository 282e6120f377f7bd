// The start checks, the TCP/IP stack selection, the caches released at the
// end, and the reporter of fatal exceptions on a guarded thread.
#include <gtest/gtest.h>

#include <string>

#include "core/context.h"
#include "pictures/bank.h"
#include "platform/guard.h"
#include "platform/testing.h"
#include "services/memory.h"
#include "services/memory_faults.h"
#include "sound/sfx.h"
#include "startup/entry.h"
#include "support/log.h"

// The guard's own handlers must see entry_test's fault, not AddressSanitizer's.
extern "C" __attribute__((visibility("default"), used)) const char* __asan_default_options() {
  return "handle_segv=0:handle_sigbus=0:handle_sigfpe=0:handle_sigill=0:allow_user_segv_handler=1";
}

namespace vsk {
namespace {

namespace hooks = platform::testing;
constexpr const char* kDirectX = "Software\\Microsoft\\DirectX";

class ChecksTest : public ::testing::Test {
 protected:
  void TearDown() override {
    hooks::ResetRegistry();
    hooks::ResetMessageBoxes();
    System = SystemContext{};
  }
  static std::string LastBox() {
    hooks::MessageBoxRecord box;
    std::string text;
    while (hooks::TakeMessageBox(&box)) {
      EXPECT_EQ(box.caption, "Veskaria");
      EXPECT_EQ(box.type, static_cast<unsigned>(MB_ICONHAND));
      text = box.text;
    }
    return text;
  }
};

// Version 7 passes; an older one, no version value and no key each have their box.
TEST_F(ChecksTest, DirectXSevenOrLaterIsNeeded) {
  const char* old = "Please Install at least DirectX 7.0";
  const std::pair<const char*, std::string> cases[] = {
      {"4.07.00.0700", ""}, {"4.06.02.0436", old}, {nullptr, old},  // "": no DirectX key at all
      {"", "Please install at least DirectX 7.0"}};
  for (const auto& [version, box] : cases) {
    if (version && *version) hooks::SetRegistryValue(kDirectX, "Version", version);
    if (!version) hooks::RemoveRegistryValue(kDirectX, "Version");
    if (version && !*version) hooks::RemoveRegistryKey(kDirectX);
    EXPECT_EQ(CheckDirectX(), box.empty()) << box;
    EXPECT_EQ(LastBox(), box);
    WSACleanup();
  }
}

TEST_F(ChecksTest, TheStackSelection) {
  System.tcpIpStack = kNoTcpIpStack;
  {
    test::LogCapture log;
    EXPECT_EQ(Start_TCP_IP(), -1);
    EXPECT_EQ(Quit_TCP_IP(), -1);
    EXPECT_EQ(log.Take(),
              "Start_TCP_IP: Kein TCP/IP-Stack gew\xe4hlt!\nQuit_TCP_IP: Kein TCP/IP-Stack gew\xe4hlt!\n");
  }
  System.tcpIpStack = 4;
  EXPECT_EQ(Start_TCP_IP(), 1);
  EXPECT_EQ(System.runFlags & kRunStackType4, kRunStackType4);
  EXPECT_EQ(Quit_TCP_IP(), 0);
  System.runFlags = 0;
  System.tcpIpStack = 1;
  EXPECT_EQ(Start_TCP_IP(), 1);
  EXPECT_EQ(System.runFlags, 0u);
}

TEST_F(ChecksTest, ReleaseCachesEmptiesTheCachesItIsAskedFor) {
  const int64_t live = LiveAllocVecBlocks();
  PictureCache[0] = static_cast<uint8_t*>(AllocVec(4, MEMF_CLEAR));
  PictureCache[1094] = static_cast<uint8_t*>(AllocVec(4, MEMF_CLEAR));
  SoundCache[47] = static_cast<uint8_t*>(AllocVec(4, MEMF_CLEAR));
  ReleaseCaches(1);
  EXPECT_EQ(PictureCache[0], nullptr);
  EXPECT_EQ(PictureCache[1094], nullptr);
  EXPECT_NE(SoundCache[47], nullptr) << "bit 1 only for the sounds";
  ReleaseCaches(2);
  EXPECT_EQ(SoundCache[47], nullptr);
  EXPECT_EQ(LiveAllocVecBlocks(), live);
}

TEST(FatalExceptions, TheFilterDeclinesOverflowsOnly) {
  EXPECT_EQ(IsReportedException(EXCEPTION_FLT_OVERFLOW), EXCEPTION_CONTINUE_SEARCH);
  EXPECT_EQ(IsReportedException(EXCEPTION_FLT_UNDERFLOW), EXCEPTION_CONTINUE_SEARCH);
  EXPECT_EQ(IsReportedException(EXCEPTION_INT_OVERFLOW), EXCEPTION_CONTINUE_SEARCH);
  EXPECT_EQ(IsReportedException(EXCEPTION_ACCESS_VIOLATION), EXCEPTION_EXECUTE_HANDLER);
  EXPECT_EQ(IsReportedException(0x12345678), EXCEPTION_EXECUTE_HANDLER);
}

TEST(FatalExceptions, EveryNameComesWithTheCrashNote) {
  const std::string note = CrashNote;
  struct Case {
    DWORD code;
    const char* name;
  };
  for (const Case& c : {Case{EXCEPTION_ACCESS_VIOLATION, "Access Violation"},
                        Case{EXCEPTION_INT_DIVIDE_BY_ZERO, "Integer Divide By Zero"},
                        Case{EXCEPTION_STACK_OVERFLOW, "Stack Overflow"}, Case{EXCEPTION_SINGLE_STEP, "Single-step"},
                        Case{EXCEPTION_FLT_OVERFLOW, "Float Overflow"}}) {
    test::LogCapture log;
    ReportFatalException(c.code);
    EXPECT_EQ(log.Take(), std::string("Fatal Exception: ") + c.name + "\n" + note + "\n");
  }
  test::LogCapture log;
  ReportFatalException(0xE0001234);
  EXPECT_EQ(log.Take(), "Fatal Exception: Unknown: e0001234\n" + note + "\n");
}

// A real access violation on a guarded thread: entry_test's fatal exception.

}  // namespace
}  // namespace vsk
