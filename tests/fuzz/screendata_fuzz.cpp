// Screen-data files of any content: the loader, every lookup and every text
// and gadget accessor on what it returns, and a screen region without slots.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "pictures/screendata.h"

namespace {

// The input file, in a private directory (the working directory is left
// alone: libFuzzer's corpus paths may be relative to it).
char gDirectory[] = "/tmp/vsk-screendata-fuzz-XXXXXX";
std::string gName;

void RemoveDirectory() {
  std::remove(gName.c_str());
  rmdir(gDirectory);
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
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FILE* file = std::fopen(gName.c_str(), "wb");
  if (!file) std::abort();
  if (size) std::fwrite(bytes, 1, size, file);
  std::fclose(file);

  if (void* data = vsk::ExternalDataLoad(gName.c_str())) {
    Walk(data);
    vsk::FreeExternalData(data);
  }
  vsk::FreeScreenRegion(vsk::GetSCreenRegion(gName.c_str(), 0));
  return 0;
}
