// Placeholder table until the full text list lands: the rows other code
// relies on, "reserved" elsewhere.
#include "catalog/strings.h"

#include <array>

namespace vsk {

namespace {
constexpr const char* kReserved = "reserved";

struct Row {
  uint16_t number;
  const char* text;
};

constexpr Row kRows[] = {
    {0, "select screen mode"}, {1, "cancel !"}, {2, "Ok !"}, {11, "exit"}, {14, "town"},
    {26, "options"}, {57, "tavern"}, {58, "residence"}, {155, "password"},
    {164, "standard SMTP name"}, {330, "info window"},
    {332, "You can't use chat or game options, there was no TCP/IP stack selected"},
};

std::array<StringEntry, kStringCount> MakeTable() {
  std::array<StringEntry, kStringCount> table{};
  for (uint16_t i = 0; i < kStringCount; ++i) table[i] = {i, kReserved};
  for (const Row& row : kRows) table[row.number].text = row.text;
  return table;
}
const std::array<StringEntry, kStringCount> kInitial = MakeTable();
}  // namespace

StringEntry BuiltinStrings[kStringCount];

namespace {
struct Fill {
  Fill() {
    for (uint16_t i = 0; i < kStringCount; ++i) BuiltinStrings[i] = kInitial[i];
  }
} fill;
}  // namespace

}  // namespace vsk
