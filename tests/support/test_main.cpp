// Entry of every test executable: no display and no sound card needed.
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  // Mesa's software renderer rasterises on the calling thread: its worker
  // threads, still alive at exit, made LeakSanitizer's tracer crash now and
  // then.
  setenv("LP_NUM_THREADS", "0", 1);
  ::testing::InitGoogleTest(&argc, argv);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  return RUN_ALL_TESTS();
}
