// The machine report: its lines from the layer's registry, version and
// devices, the hardware flags it sets and the device lists it keeps.
#include "startup/report.h"

#include <gtest/gtest.h>

#include <string>

#include "core/context.h"
#include "platform/testing.h"
#include "services/memory.h"
#include "support/contains.h"
#include "support/gamedir.h"
#include "support/log.h"
#include "vsk-data/write_sound.h"

namespace vsk {
namespace {

namespace hooks = platform::testing;

class ReportTest : public test::GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    System = SystemContext{};
  }
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
int Count(const Node* node) {
  int n = 0;
  for (; node; node = node->next) ++n;
  return n;
}

TEST_F(ReportTest, TheReportDescribesTheMachineAndItsDevices) {
  hooks::SetRegistryValue("Hardware\\Description\\System\\CentralProcessor\\0", "Identifier",
                          "x86 Family 6 Model 15 Stepping 11");
  hooks::SetRegistryValue("Software\\Microsoft\\Windows\\CurrentVersion", "RegisteredOwner", "Aldric");
  hooks::SetRegistryValue("Software\\Microsoft\\Windows\\CurrentVersion", "RegisteredOrganization", "Veskar");
  test::MakeDir("data");
  test::MakeDir("data/cdaudio");
  test::WriteBytes("data/cdaudio/track01.wav", {});  // no playable track: no CD device
  const std::string log = Report();

  EXPECT_EQ(log.rfind("\n\n\t---- System Information ----\n\n", 0), 0u) << log;
  const std::string processor = System.processor;
  EXPECT_EQ(processor.rfind("x86 Family 6 Model 15 Stepping 11 (", 0), 0u) << processor;
  EXPECT_EQ(processor.substr(processor.size() - 5), " MHz)");
  test::ExpectContains(log, {"Processor        :   " + processor + "\n",
                             "Windows Version  :   Microsoft Windows 2000 WorkStation\n",
                             "Organization     :   Veskar\nOwner            :   Aldric\n\n\n\n",
                             "DirectX: 4.09.00.0904\n\n", "Grafikkarte  :\n"});
  const std::string end = "\n\n\t---- End of System Information ----\n\n";
  ASSERT_GE(log.size(), end.size());
  EXPECT_EQ(log.substr(log.size() - end.size()), end);

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
}

TEST_F(ReportTest, MissingKeysAndAServerAndACDDrive) {
  hooks::RemoveRegistryKey("Software\\Microsoft\\DirectX");
  hooks::SetRegistryValue("SYSTEM\\CurrentControlSet\\Control\\ProductOptions", "ProductType", "ServerNT");
  hooks::RemoveRegistryKey("Hardware\\Description\\System\\CentralProcessor\\0");
  test::MakeDir("data");
  test::MakeDir("data/cdaudio");
  test::WriteBytes("data/cdaudio/track01.wav", data::BuildWavFile({1, 2}, 22050, 1));  // a playable track
  const std::string log = Report();
  test::ExpectContains(log, {"DirectX: Failure I \n\n", "Windows Version  :   Microsoft Windows 2000 Server\n",
                             "Processor        :   \n"});  // a missing key leaves the processor empty
  EXPECT_EQ(System.systemFlags & kReportCdAudio, kReportCdAudio);

  // A second report lists every device once.
  const int displays = Count(System.displayDevices);
  Report();
  EXPECT_EQ(Count(System.displayDevices), displays);
}

}  // namespace
}  // namespace vsk
