// Feeds arbitrary bytes to the catalog reader as a German user's
// "catalogs/deutsch/VsKBrowser.catalog": it must never read outside its
// buffer, leak, hand out an unterminated text, or leave a table entry
// pointing into a freed catalog.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "catalog/catalog.h"
#include "catalog/strings.h"
#include "services/memory_faults.h"

namespace {

const char* gBuiltin[vsk::kStringCount];
std::string gGameDir;  // the temporary game directory
std::string gStartDir;  // where libFuzzer finds its corpus and writes its findings

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "catalog_fuzz: %s\n", what);
    std::abort();
  }
}

void RemoveGameDir() {
  std::remove((gGameDir + "/catalogs/deutsch/VsKBrowser.catalog").c_str());
  rmdir((gGameDir + "/catalogs/deutsch").c_str());
  rmdir((gGameDir + "/catalogs").c_str());
  rmdir(gGameDir.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The catalog is looked for relative to the working directory, which
  // changes to a temporary game directory only while an input runs, so that
  // corpus paths given relative to the start directory keep working.
  char start[4096];
  if (!getcwd(start, sizeof start)) std::abort();
  gStartDir = start;
  std::string pattern = "/tmp/vsk-catalog-fuzz-XXXXXX";
  if (!mkdtemp(pattern.data())) std::abort();
  gGameDir = pattern;
  if (mkdir((gGameDir + "/catalogs").c_str(), 0755) != 0) std::abort();
  if (mkdir((gGameDir + "/catalogs/deutsch").c_str(), 0755) != 0) std::abort();
  std::atexit(RemoveGameDir);
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  // The reader logs a line for every bad file.
  if (!std::freopen("/dev/null", "w", stdout)) std::abort();
  for (uint16_t i = 0; i < vsk::kStringCount; ++i) gBuiltin[i] = vsk::BuiltinStrings[i].text;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (chdir(gGameDir.c_str()) != 0) std::abort();
  FILE* file = std::fopen("catalogs/deutsch/VsKBrowser.catalog", "wb");
  if (!file) std::abort();
  if (size) std::fwrite(data, 1, size, file);
  std::fclose(file);

  const int64_t live = vsk::LiveAllocVecBlocks();
  vsk::Catalog* catalog =
      vsk::OpenCatalog("VsKBrowser.catalog", &vsk::BuiltinStrings[0], &vsk::BuiltinStrings[1]);
  if (catalog) {
    // Every text the table hands out is terminated (AddressSanitizer sees a
    // read past the buffer), and so are the catalog's own texts.
    size_t total = 0;
    for (uint16_t i = 0; i < vsk::kStringCount; ++i) total += std::strlen(vsk::BuiltinStrings[i].text);
    total += std::strlen(catalog->version) + std::strlen(catalog->language) + std::strlen(catalog->author);
    Check(total > 0, "empty table");
  }
  vsk::CloseCatalog(catalog);

  for (uint16_t i = 0; i < vsk::kStringCount; ++i) {
    Check(vsk::BuiltinStrings[i].text == gBuiltin[i], "an entry kept a catalog text after closing");
  }
  Check(vsk::LiveAllocVecBlocks() == live, "a block stayed live");
  if (chdir(gStartDir.c_str()) != 0) std::abort();
  return 0;
}
