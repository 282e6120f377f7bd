// vsk-data check DIR: checks a whole game directory as the client uses it.
//
// Files are looked up the way the client opens them: relative to the game
// directory, '\' as '/', any case. Checked are every entry of the picture
// path list and the sound list (the files they name are there and have the
// sizes the entries give, palettes hold the colours their pictures use), the
// files the set-up, the title and the residence open (kClientFiles in
// check.cpp), and every font, screen-data file, catalog, town file and CD
// track found in the directories the client reads them from.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

namespace vsk::data {

struct CheckReport {
  std::vector<std::string> problems;  // "PATH: what is wrong", PATH relative to the game directory
  size_t files = 0;                   // distinct files looked at, present or not
};

// Checks the game directory dir (which must exist).
CheckReport CheckGameDirectory(const std::string& dir);

// Prints one line per problem and the summary line to out; returns 0 when
// nothing is wrong, 1 when something is, 2 when dir is not a directory (one
// sentence to err).
int CheckGameDir(const std::string& dir, std::ostream& out, std::ostream& err);

}  // namespace vsk::data
