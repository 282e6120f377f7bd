// Waits for something another thread does: polls until the condition holds
// or the limit (two seconds unless given) has passed.
#pragma once

#include <chrono>
#include <thread>

namespace vsk::test {

template <typename F>
bool Eventually(F condition, std::chrono::milliseconds limit = std::chrono::seconds(2)) {
  using namespace std::chrono_literals;
  auto until = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

}  // namespace vsk::test
