// Screen-data files of any content: the loader, every lookup and every text
// and gadget accessor on what it returns, a screen region without slots, and
// a region with every section drawn: its gadgets with their pictures (from
// the demo game directory) and labels onto a memory screen, with the
// region's origin at the screen's corners and far beyond them.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "core/presenter_state.h"
#include "gfx/font.h"
#include "pictures/bank.h"
#include "pictures/screendata.h"
#include "services/memory.h"
#include "ui/gadgets.h"
#include "vsk-data/demo.h"

namespace {

// The input file, in a private directory (the working directory is left
// alone: libFuzzer's corpus paths may be relative to it).
char gDirectory[] = "/tmp/vsk-screendata-fuzz-XXXXXX";
std::string gName;

std::string gGameDir;
std::string gStartDir;
vsk::TextFont* gFont = nullptr;

void RemoveDirectory() { std::filesystem::remove_all(gDirectory); }

// A 640 x 480 screen in memory (OpenGL mode), as the picture bank makes it,
// with the demo's label font on its rastport.
void MakeScreen() {
  auto* screen = static_cast<vsk::Screen*>(vsk::AllocVec(sizeof(vsk::Screen), vsk::MEMF_CLEAR));
  auto* bitmap = vsk::AllocBitMap(640, 480, 8, 1);
  if (!screen || !bitmap) std::abort();
  screen->Colors = vsk::ScreenColors;
  screen->BitMap = bitmap;
  vsk::InitRastPort(&screen->RastPort);
  screen->RastPort.BitMap = bitmap;
  vsk::TheScreen = screen;
  gFont = vsk::OpenDiskFont("fonts/xhelvetica11.fnt");
  vsk::SetFont(&screen->RastPort, gFont);
}

// Asks for the sections the file holds (a missing or empty one ends the
// process, as the game wants it).
void DrawRegion(void* data) {
  uint32_t mask = 0;
  for (int i = 0; i < vsk::kSectionSlots; ++i)
    if (vsk::GetSectionData(data, vsk::kSectionTags[i]) && vsk::GetSectionCount(data, vsk::kSectionTags[i]) > 0)
      mask |= 1u << i;
  if (chdir(gGameDir.c_str()) != 0) std::abort();
  if (vsk::ScreenRegion* region = vsk::GetSCreenRegion(gName.c_str(), mask)) {
    const uint32_t origins[][2] = {{0, 0}, {600, 440}, {639, 479}, {0xFFFF, 0xFFFF}, {0x7FFFFFFF, 3}};
    for (const auto& origin : origins) {
      vsk::SetGadgetOrigin(region, origin[0], origin[1]);
      vsk::DrawGadgets(nullptr, region);
      auto* gadgets = static_cast<vsk::Gadget*>(region->sections[vsk::kSectionGadgets].records);
      if (gadgets && region->sections[vsk::kSectionGadgets].count > 0) {
        vsk::DrawGadgetPressed(nullptr, region, gadgets);
        vsk::DrawGadgetReleased(nullptr, region, gadgets);
      }
    }
    vsk::FreeScreenRegion(region);
  }
  if (chdir(gStartDir.c_str()) != 0) std::abort();
}

// Reads a whole string so that a missing terminator or a dangling pointer
// shows.
size_t Touch(const char* text) { return text ? std::strlen(text) : 0; }

void Walk(void* data) {
  size_t sum = 0;
  const uint32_t dataSize = vsk::ExternalDataSize(data);
  const uint8_t* block = static_cast<const uint8_t*>(data) - 4;
  for (uint32_t tag : vsk::kSectionTags) {
    auto* records = static_cast<const uint8_t*>(vsk::GetSectionData(data, tag));
    uint32_t count = vsk::GetSectionCount(data, tag);
    if (!records) continue;
    uint32_t size = vsk::SectionRecordSize(tag);
    if (size == 0) {
      // Unconverted records: at least one byte each, inside the data.
      for (uint32_t i = 0; i < count; ++i) sum += records[i];
      continue;
    }
    if (records < block || records + uint64_t{count} * size > block + dataSize) std::abort();
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* record = records + uint64_t{i} * size;
      for (uint32_t at = 0; at + 4 <= size; ++at) sum += Touch(vsk::SectionText(data, record + at));
      if (tag == vsk::kSectionTags[vsk::kSectionGadgets]) {
        const auto* gadget = reinterpret_cast<const vsk::Gadget*>(record);
        if (auto* target = static_cast<const uint8_t*>(vsk::GadgetData(data, gadget))) sum += *target;
        sum += Touch(vsk::GadgetLabel(data, gadget));
      }
    }
  }
  sum += vsk::GetSectionCount(data, 0x12345678);
  if (sum == 1) std::fputc(' ', stdout);  // keeps the reads
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The log goes nowhere.
  if (!mkdtemp(gDirectory)) std::abort();
  gName = std::string(gDirectory) + "/input.dat";
  std::atexit(RemoveDirectory);
  if (!std::freopen("/dev/null", "w", stdout)) std::abort();
  // The demo game directory gives the gadgets' pictures and the font.
  char start[4096];
  if (!getcwd(start, sizeof start)) std::abort();
  gStartDir = start;
  gGameDir = std::string(gDirectory) + "/game";
  std::string error;
  if (!vsk::data::WriteDemo(gGameDir, nullptr, &error)) std::abort();
  vsk::PresenterChoice = vsk::kPresenterOpenGL;  // the screen in memory
  if (chdir(gGameDir.c_str()) != 0) std::abort();
  MakeScreen();
  if (chdir(gStartDir.c_str()) != 0) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FILE* file = std::fopen(gName.c_str(), "wb");
  if (!file) std::abort();
  if (size) std::fwrite(bytes, 1, size, file);
  std::fclose(file);

  if (void* data = vsk::ExternalDataLoad(gName.c_str())) {
    Walk(data);
    DrawRegion(data);
    vsk::FreeExternalData(data);
  }
  vsk::FreeScreenRegion(vsk::GetSCreenRegion(gName.c_str(), 0));
  return 0;
}
