// Checks that a log, a report or an error text holds each of some texts,
// showing the whole text when one is missing.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace vsk::test {

inline void ExpectContains(const std::string& all, std::initializer_list<std::string> texts) {
  for (const std::string& text : texts) EXPECT_NE(all.find(text), std::string::npos) << text << " in\n" << all;
}

}  // namespace vsk::test
