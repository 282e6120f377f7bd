// The start outside the client run: checks, stack, caches, crash reports, command line, story index, machine report.
#include "startup_test.h"

// The guard's own handlers must see entry_test's fault, not AddressSanitizer's.
extern "C" __attribute__((visibility("default"), used)) const char* __asan_default_options() {
  return "handle_segv=0:handle_sigbus=0:handle_sigfpe=0:handle_sigill=0:allow_user_segv_handler=1";
}

namespace vsk {
namespace {

constexpr const char* kDirectX = "Software\\Microsoft\\DirectX";

class ChecksTest : public ::testing::Test {
 protected:
  void TearDown() override {
    hooks::ResetRegistry();
    hooks::ResetMessageBoxes();
    System = SystemContext{};
    FailAllocVecAt(0);
    FreeDodurOdidTab();
  }
  static std::string LastBox() {  // "caption type: text" of the last box shown
    hooks::MessageBoxRecord box;
    std::string text;
    while (hooks::TakeMessageBox(&box)) text = box.caption + " " + std::to_string(box.type) + ": " + box.text;
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
    EXPECT_EQ(LastBox(), box.empty() ? box : "Veskaria " + std::to_string(MB_ICONHAND) + ": " + box);
    WSACleanup();
  }
}

// The TCP/IP stack selection; the caches released at the end, bit 0 the pictures, bit 1 the sounds.
TEST_F(ChecksTest, TheStackSelectionAndTheCachesReleased) {
  System.tcpIpStack = kNoTcpIpStack;
  test::LogCapture log;
  EXPECT_EQ(Start_TCP_IP(), -1);
  EXPECT_EQ(Quit_TCP_IP(), -1);
  EXPECT_EQ(log.Take(), "Start_TCP_IP: Kein TCP/IP-Stack gew\xe4hlt!\nQuit_TCP_IP: Kein TCP/IP-Stack gew\xe4hlt!\n");
  System.tcpIpStack = 4;
  EXPECT_EQ(Start_TCP_IP(), 1);
  EXPECT_EQ(System.runFlags & kRunStackType4, kRunStackType4);
  EXPECT_EQ(Quit_TCP_IP(), 0);
  System.runFlags = 0;
  System.tcpIpStack = 1;
  EXPECT_EQ(Start_TCP_IP(), 1);
  EXPECT_EQ(System.runFlags, 0u);

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

// The filter declines overflows only; every name comes with the crash note (a real fault: entry_test).
TEST(FatalExceptions, OverflowsAreDeclinedAndEveryNameComesWithTheCrashNote) {
  for (DWORD code : {EXCEPTION_FLT_OVERFLOW, EXCEPTION_FLT_UNDERFLOW, EXCEPTION_INT_OVERFLOW})
    EXPECT_EQ(IsReportedException(code), EXCEPTION_CONTINUE_SEARCH) << code;
  EXPECT_EQ(IsReportedException(EXCEPTION_ACCESS_VIOLATION), EXCEPTION_EXECUTE_HANDLER);
  EXPECT_EQ(IsReportedException(0x12345678), EXCEPTION_EXECUTE_HANDLER);
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

// The first argument as the C run-time splits WinMain's command line.
TEST(CommandLine, SplitQuotedAndItsInputOptions) {
  const std::tuple<const char*, bool, const char*> cases[] = {  // line, has one, the first
      {nullptr, false, ""},
      {" \t ", false, ""},
      {"-gl", true, "-gl"},
      {"  -gl\tmore", true, "-gl"},
      {"\"-gl\"", true, "-gl"},
      {"\"-gl x\" y", true, "-gl x"},
      {"-g\"l\"x", true, "-glx"},
      {"\"\"", true, ""},
      {"\\\"-gl\\\"", true, "\"-gl\""},
      {"\\\\\"-gl\"", true, "\\-gl"},
      {"a\\b\\\\c", true, "a\\b\\\\c"},
      {"\"a\"\"b\" c", true, "a\"b"},
      {"\"open", true, "open"},
  };
  for (const auto& [line, has, expected] : cases) {
    std::string first = "stale";
    EXPECT_EQ(FirstArgument(line, &first), has) << (line ? line : "null");
    EXPECT_EQ(first, expected) << (line ? line : "null");
  }
  // The quoting that hands a Linux argv to it unchanged.
  const char* arguments[] = {"-gl", "-gl x", "", "a\"b", "\\", "tail\\", "\\\"", "c:\\path with\\ space\\"};
  const std::string line = QuotedCommandLine(8, arguments);
  EXPECT_EQ(SplitCommandLine(line.c_str()), std::vector<std::string>(arguments, arguments + 8)) << line;
  EXPECT_EQ(QuotedCommandLine(0, nullptr), "");
  EXPECT_TRUE(SplitCommandLine(" \t").empty());
  // The input options need their file and exclude each other.
  using Args = std::vector<std::string>;
  std::string error;
  EXPECT_TRUE(StartInputOptions(Args{"-gl", "x"}, &error));
  for (const Args& wrong : {Args{"-gl", "--record"}, Args{"--replay", ""}, Args{"--record", "a", "--replay", "b"},
                            Args{"--replay", "/nonexistent/run.rec"}}) {
    error.clear();
    EXPECT_FALSE(StartInputOptions(wrong, &error)) << wrong[0];
    EXPECT_FALSE(error.empty());
  }
}

// Without memory the index is left out; built, entry i is the one numbered i; a second build keeps it.
TEST_F(ChecksTest, TheStoryIndexOrItsLogLineWithoutMemory) {
  const int64_t live = LiveAllocVecBlocks();
  FailAllocVecAt(1);
  test::LogCapture log;
  MakeDodurOdidTab();
  EXPECT_EQ(log.Take(), "AllocVec: 000 MakeDodurOdidTab : Konnte Tabelle f\xfcr DodurOdid nicht allokieren...\n");
  EXPECT_EQ(DodurOdidIndex, nullptr);
  EXPECT_EQ(LiveAllocVecBlocks(), live);
  MakeDodurOdidTab();
  const StoryEntry** built = DodurOdidIndex;
  ASSERT_NE(built, nullptr);
  for (uint16_t i = 0; i < kStoryCount; ++i) EXPECT_EQ(built[i]->number, i);
  MakeDodurOdidTab();
  EXPECT_EQ(DodurOdidIndex, built);
  EXPECT_EQ(LiveAllocVecBlocks(), live + 1);
  FreeDodurOdidTab();
  EXPECT_EQ(LiveAllocVecBlocks(), live);
}

// The machine report's lines, flags and device lists; then missing keys, a server and a playable CD track.
class ReportTest : public test::GameDirTest {
 protected:
  void TearDown() override {
    FreeSystemReport();
    hooks::ResetRegistry();
    GameDirTest::TearDown();
  }
  static std::string Report() {
    test::LogCapture log;
    CheckSystem();
    return log.Take();
  }
};

template <typename Node>
int Count(const Node* node) { return node ? 1 + Count(node->next) : 0; }

TEST_F(ReportTest, TheReportDescribesTheMachineAndItsDevices) {
  System = SystemContext{};
  hooks::SetRegistryValue("Hardware\\Description\\System\\CentralProcessor\\0", "Identifier",
                          "x86 Family 6 Model 15 Stepping 11");
  hooks::SetRegistryValue("Software\\Microsoft\\Windows\\CurrentVersion", "RegisteredOwner", "Aldric");
  hooks::SetRegistryValue("Software\\Microsoft\\Windows\\CurrentVersion", "RegisteredOrganization", "Veskar");
  test::MakeDir("data/cdaudio");
  test::WriteBytes("data/cdaudio/track01.wav", {});  // no playable track: no CD device
  std::string log = Report();
  EXPECT_EQ(log.rfind("\n\n\t---- System Information ----\n\n", 0), 0u) << log;
  const std::string processor = System.processor;
  EXPECT_EQ(processor.rfind("x86 Family 6 Model 15 Stepping 11 (", 0), 0u) << processor;
  EXPECT_EQ(processor.substr(processor.size() - 5), " MHz)");
  test::ExpectContains(log, {"Processor        :   " + processor + "\n",
                             "Windows Version  :   Microsoft Windows 2000 WorkStation\n",
                             "Organization     :   Veskar\nOwner            :   Aldric\n\n\n\n",
                             "DirectX: 4.09.00.0904\n\n", "Grafikkarte  :\n"});
  EXPECT_TRUE(log.ends_with("\n\n\t---- End of System Information ----\n\n")) << log;
  // One block and one node per secondary sound device; the bits with them.
  const int sounds = Count(System.soundDevices);
  size_t blocks = 0;
  for (size_t at = log.find("Sound        :\n"); at != std::string::npos; at = log.find("Sound        :\n", at + 1))
    ++blocks;
  EXPECT_EQ(blocks, static_cast<size_t>(sounds));
  EXPECT_EQ((System.systemFlags & kReportSoundDevice) == kReportSoundDevice, sounds > 0);
  EXPECT_EQ(System.systemFlags & kReportCdAudio & ~kReportSoundDevice, 0u) << "no CD device";
  EXPECT_GE(Count(System.displayDevices), 1);
  EXPECT_EQ(System.displayDevices->guid, nullptr) << "the primary display has no GUID";
  EXPECT_EQ(System.displayDevices->driverCaps.dwSize, sizeof(DDCAPS));

  FreeSystemReport();
  System = SystemContext{};
  hooks::RemoveRegistryKey("Software\\Microsoft\\DirectX");
  hooks::SetRegistryValue("SYSTEM\\CurrentControlSet\\Control\\ProductOptions", "ProductType", "ServerNT");
  hooks::RemoveRegistryKey("Hardware\\Description\\System\\CentralProcessor\\0");
  test::WriteBytes("data/cdaudio/track01.wav", data::BuildWavFile({1, 2}, 22050, 1));  // a playable track
  log = Report();
  test::ExpectContains(log, {"DirectX: Failure I \n\n", "Windows Version  :   Microsoft Windows 2000 Server\n",
                             "Processor        :   \n"});  // a missing key leaves the processor empty
  EXPECT_EQ(System.systemFlags & kReportCdAudio, kReportCdAudio);
  const int displays = Count(System.displayDevices);
  Report();
  EXPECT_EQ(Count(System.displayDevices), displays) << "a second report lists every device once";
}

}  // namespace
}  // namespace vsk
