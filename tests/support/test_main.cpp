// Entry of every test executable: no display and no sound card needed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  // Mesa's software renderer rasterises on the calling thread: its worker
  // threads, still alive at exit, made LeakSanitizer's tracer crash now and
  // then.
  setenv("LP_NUM_THREADS", "0", 1);
  // The player's settings (the display's, in XDG_CONFIG_HOME) stay the
  // player's: tests get a fresh configuration directory of their own.
  // Death tests run this again in a child, which keeps its parent's.
  const char* inherited = std::getenv("XDG_CONFIG_HOME");
  std::string config = (std::filesystem::temp_directory_path() / "vsk-config-XXXXXX").string();
  if (inherited && std::string(inherited).find("/vsk-config-") != std::string::npos) {
    // already the test's own
  } else if (mkdtemp(config.data())) {
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    static const std::string made = config;
    std::atexit([] {
      std::error_code error;
      std::filesystem::remove_all(made, error);
    });
  }
  ::testing::InitGoogleTest(&argc, argv);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  return RUN_ALL_TESTS();
}
