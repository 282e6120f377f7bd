// Waits for something another thread does: polls until the condition holds
// or two seconds have passed.
#pragma once

#include <chrono>
#include <thread>

namespace vsk::test {

template <typename F>
bool Eventually(F condition) {
  using namespace std::chrono_literals;
  auto until = std::chrono::steady_clock::now() + 2s;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

}  // namespace vsk::test
