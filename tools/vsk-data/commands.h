// The commands of vsk-data. Each takes the arguments after its own name,
// prints what it did or one clear sentence about what went wrong, and
// returns the process exit status (0 success, 1 bad input, 2 bad usage).
#pragma once

#include <string>
#include <vector>

namespace vsk::data {

using Args = std::vector<std::string>;

int RunDemo(const Args& args);     // demo.cpp:    vsk-data demo DIR
int RunInspect(const Args& args);  // report.cpp:  vsk-data inspect FILE
int RunPng(const Args& args);      // png.cpp:     vsk-data png …
int RunConvert(const Args& args);  // convert.cpp: vsk-data convert KIND …
int RunIcon(const Args& args);     // icon.cpp:    vsk-data icon SIZE FILE
int RunCheck(const Args& args);    // check.cpp:   vsk-data check DIR
int RunLog(const Args& args);      // log.cpp:     vsk-data log FILE

}  // namespace vsk::data
