// vsk-data log: the client's log, Windows-1252 with a few UTF-8 texts, as
// UTF-8.
#include "vsk-data/log.h"

#include <gtest/gtest.h>

namespace vsk::data {
namespace {

TEST(LogToUtf8, Windows1252AndTheUtf8TextsAlike) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"plain text\n", "plain text\n"},
      {"Gr\xf6\xdf" "e", "Gr\xc3\xb6\xc3\x9f" "e"},                   // Latin-1 range
      {"\x80 \x84 \x9f", "\xe2\x82\xac \xe2\x80\x9e \xc5\xb8"},       // the table's 0x80..0x9F
      {"\x81\x8d\x8f\x90\x9d", "\xc2\x81\xc2\x8d\xc2\x8f\xc2\x90\xc2\x9d"},  // undefined: same control
      {"f\xc3\xbcr", "f\xc3\xbcr"},                                   // UTF-8 already: unchanged
      {"\xe2\x82\xac\xf0\x9f\x8f\xb0", "\xe2\x82\xac\xf0\x9f\x8f\xb0"},  // 3- and 4-byte characters
      {"\xc3", "\xc3\x83"},                                           // cut off at the end
      {"\xc3(", "\xc3\x83("},                                         // lead without continuation
      {"\xc0\xaf", "\xc3\x80\xc2\xaf"},                               // overlong form
      {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xe2\x82\xac"},               // surrogate
  };
  for (const Case& c : cases) EXPECT_EQ(LogToUtf8(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace vsk::data
