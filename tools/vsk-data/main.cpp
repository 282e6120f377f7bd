// vsk-data: makes, checks and converts Veskaria's game data.
#include <cstdio>
#include <cstring>

#include "vsk-data/commands.h"

namespace {

void Usage() {
  std::fprintf(stderr,
               "usage: vsk-data demo DIR            write the complete demo game directory\n"
               "       vsk-data inspect FILE        show any game data file readably\n"
               "       vsk-data check DIR           check a whole game directory as the client\n"
               "                                    uses it, one line per problem\n"
               "       vsk-data png ...             render a picture or a font sample to PNG\n"
               "       vsk-data convert KIND ...    make game files from PNG, BMP, TTF, WAV\n"
               "                                    and text manifests\n"
               "       vsk-data icon SIZE FILE      draw the game's icon as a SIZE x SIZE PNG\n"
               "       vsk-data log FILE            show a client log (veskaria.log) in UTF-8\n"
               "Run a command without arguments for its own usage.\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    Usage();
    return 2;
  }
  vsk::data::Args args(argv + 2, argv + argc);
  const char* command = argv[1];
  if (!std::strcmp(command, "demo")) return vsk::data::RunDemo(args);
  if (!std::strcmp(command, "inspect")) return vsk::data::RunInspect(args);
  if (!std::strcmp(command, "check")) return vsk::data::RunCheck(args);
  if (!std::strcmp(command, "png")) return vsk::data::RunPng(args);
  if (!std::strcmp(command, "convert")) return vsk::data::RunConvert(args);
  if (!std::strcmp(command, "icon")) return vsk::data::RunIcon(args);
  if (!std::strcmp(command, "log")) return vsk::data::RunLog(args);
  Usage();
  return 2;
}
