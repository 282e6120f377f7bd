// vsk-data inspect on data from outside: whatever the bytes, every reader
// stays inside them and either shows the file or names what is wrong.
// The first byte picks the name the rest is inspected under, so formats
// recognised by name (lists, pointer, palette, samples, town files) are
// reached as well as those with a tag.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "vsk-data/report.h"

namespace {

constexpr const char* kNames[] = {
    "data/path",      "data/sfxpath",          "data/prefs.vsk",   "data/BTPrefs.vsk",
    "data/optionen.prefs", "pics/cursor01.chk", "data/pics/a.chk", "data/pics/a.cma",
    "data/sfx/a.raw", "fonts/a.fnt",           "catalogs/a.catalog", "data/a.vsk",
    "data/screendat/a.dat", "data/vsk.bmp",    "data/cdaudio/track02.wav", "data/Cities/Town.list",
};

std::string gDir;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A game directory of our own, by absolute path, so nothing the lists
  // name can be found in the working directory of the run.
  char pattern[] = "/tmp/vsk-inspect-fuzz-XXXXXX";
  const char* made = mkdtemp(pattern);
  gDir = made ? made : "/nonexistent-vsk-inspect-fuzz";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string path = gDir + "/" + kNames[data[0] % (sizeof kNames / sizeof kNames[0])];
  std::ostringstream out, err;
  int status = vsk::data::InspectData(path, vsk::data::ByteSpan(data + 1, size - 1), out, err);
  if (status != 0 && status != 1) std::abort();
  // A broken file is told in one line.
  if (status == 1 && (err.str().empty() || err.str().find('\n') != err.str().size() - 1)) std::abort();
  return 0;
}
