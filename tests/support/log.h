// Captures what the game writes to its log (standard output) while alive.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace vsk::test {

class LogCapture {
 public:
  LogCapture() {
    std::fflush(stdout);
    ::testing::internal::CaptureStdout();
  }
  ~LogCapture() {
    if (!taken_) (void)::testing::internal::GetCapturedStdout();
  }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // Everything logged so far; ends the capture.
  std::string Take() {
    std::fflush(stdout);
    taken_ = true;
    return ::testing::internal::GetCapturedStdout();
  }

 private:
  bool taken_ = false;
};

}  // namespace vsk::test
