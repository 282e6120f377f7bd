// Fuzzes the path-list reader and the graphic loader of the picture bank.
//
// Input: 2 bytes big-endian list length L, L bytes of path list, the rest is
// the picture file. The target appends one stored name to the list, "VSK:"
// + the absolute path of the picture file in a temporary directory + ".ilbm",
// so an entry whose picture-name offset is L - 32 finds the file. The list is
// used once as a file and once as the preloaded list of the set-up.
// OpenKadunPic ends the process on bad ids, so only OpenKadunGfx runs.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/presenter_state.h"
#include "pictures/bank.h"
#include "services/byteorder.h"

namespace {

std::string gDir;
std::string gListPath;
std::string gPicturePath;

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) std::abort();
  if (size) std::fwrite(data, 1, size, file);
  std::fclose(file);
}

void LoadIds(const char* listName, const uint8_t* control) {
  // A few ids around the ones the seeds describe, and one the input picks.
  const uint32_t ids[] = {1, 2, 3, 1095, 1096, 0, static_cast<uint32_t>(control[0]) + 1};
  for (uint32_t id : ids) {
    vsk::OpenKadunGfx(listName, id);
    vsk::OpenKadunGfx(listName, id);  // already loaded: no file
    vsk::ReleaseGfx(id);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The loaders log to standard output; keep the run quiet.
  if (!std::freopen("/dev/null", "w", stdout)) return 0;
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vsk-bank-fuzz-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) std::abort();
  gDir = buffer.data();
  gListPath = gDir + "/path";
  gPicturePath = gDir + "/pic.chk";
  std::atexit([] {
    std::remove(gListPath.c_str());
    std::remove(gPicturePath.c_str());
    std::remove(gDir.c_str());
  });
  vsk::PresenterChoice = vsk::kPresenterOpenGL;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  size_t listLength = vsk::ReadBE16(data);
  listLength = std::min(listLength, size - 2);
  const uint8_t* list = data + 2;
  const uint8_t* picture = list + listLength;
  const size_t pictureLength = size - 2 - listLength;

  std::vector<uint8_t> fullList(list, list + listLength);
  const std::string stored = "VSK:" + gDir + "/pic.ilbm";
  fullList.insert(fullList.end(), stored.begin(), stored.end());
  fullList.push_back(0);
  WriteFile(gListPath, fullList.data(), fullList.size());
  WriteFile(gPicturePath, picture, pictureLength);

  const uint8_t control[1] = {static_cast<uint8_t>(pictureLength ? picture[0] : 0)};
  LoadIds(gListPath.c_str(), control);

  vsk::System.picturePathList = fullList.data();
  vsk::System.picturePathListSize = static_cast<uint32_t>(fullList.size());
  vsk::System.pathListsPresent = 1;
  LoadIds("./data/path", control);
  vsk::System.picturePathList = nullptr;
  vsk::System.picturePathListSize = 0;
  vsk::System.pathListsPresent = 0;
  return 0;
}
