// Screen-data files: the big-endian ".dat" files that lay a screen out in
// tagged sections of fixed-size records (gadgets, their labels, text frames,
// text placements, the template records of a new town), and the screen
// region built from one of them.
//
// File layout (numbers big-endian). The first 32 bytes are a header that is
// never read; the rest is the data block, and every offset in the file counts
// from the start of the data block:
//
//   data block + 0   u32   unused
//   data block + 4   u32   section count N
//   data block + 8   12*N  directory: per section u32 tag, u32 record count,
//                          u32 offset of the first record
//   ...                    records, back to back per section
//
// Loading. ExternalDataLoad reads the file and converts every record of the
// sections it knows to native byte order in place (the directory entries stay
// big-endian; the section count is converted). It returns a pointer to the
// section count, i.e. 4 bytes into the data block; every function below that
// takes `data` expects that pointer.
//
// Memory. One AllocVec(MEMF_CLEAR) block holds, in this order:
//   - a small bookkeeping header (size of the data, where the text table is),
//   - the data block itself (the file from offset 32 on), followed by at
//     least one zero byte,
//   - the text table: one entry per text field of the records, sorted by the
//     field's offset in the data block, holding the string it was resolved to.
// FreeExternalData releases it all.
//
// Text references and gadget data. The file's records keep 32-bit fields for
// a text number (replaced by the string on the game's 32-bit origins) and for
// a gadget's data offset (replaced by an address). Pointers do not fit there
// here, so the records keep the number / offset, converted to native order,
// and the reference lives beside them:
//   - SectionText (data, field) gives the string a text field was resolved to
//     when the file was loaded (the string table's text of that number at
//     that time), or null when the loader put no text there.
//   - GadgetData (data, gadget) gives the data block + the gadget's offset,
//     or null when the offset lies outside the data; GadgetLabel gives the
//     string of the section-0 label record it points to.
//
// Damaged files. A file under 32 bytes is not loaded. A directory entry whose
// records do not lie wholly inside the data after the directory (or whose
// count would overflow) is treated as absent: the loader skips it and the
// lookups pass over it. A section count larger than the data can hold is
// clamped to the entries that fit (the clamped count is what the block holds).
// Nothing is ever read past the loaded bytes.
#pragma once

#include <cstdint>

namespace vsk {

// ---- records ---------------------------------------------------------------
// Records sit in the data block at whatever offsets the file gives them, so
// they are declared with byte alignment and may be read through at any
// address. Read their fields by value: a reference or pointer to a field
// (std::min, a const& parameter) may be misaligned.
#pragma pack(push, 1)

// Section 1: a button of a screen.
struct Gadget {
  uint16_t image;         // word 0: picture id drawn in the normal state
  uint16_t pressedImage;  // word 1: picture id drawn while pressed
  uint16_t inactive;      // word 2: 0 active; 1 not drawn with the list;
                          //         any non-zero value: not hit-tested
  uint16_t flags;         // word 3: kGadget* flags (the built-in gadget
                          //         holds the key code here)
  uint16_t left;          // words 4..7: the area, relative to the region's
  uint16_t top;           //   origin
  uint16_t right;
  uint16_t bottom;
  uint32_t command;     // four characters, first one in the top byte (OKOK)
  uint32_t dataOffset;  // offset in the data block of the label record
};

// Section 0: the label of a gadget. words are converted unless text is 0.
struct LabelRecord {
  uint16_t words[4];
  uint32_t text;  // text number; 0xFFFFFFFF: no text (read through SectionText)
};

// Section 9: a text frame.
struct TextFrame {
  uint16_t left;
  uint16_t top;
  uint16_t right;
  uint16_t bottom;
};

#pragma pack(pop)

static_assert(sizeof(Gadget) == 24);
static_assert(sizeof(LabelRecord) == 12);
static_assert(sizeof(TextFrame) == 8);

// Gadget flags (word 3).
constexpr uint16_t kGadgetRepeats = 1;   // fires on press, repeats while held
constexpr uint16_t kGadgetHidden = 2;    // never drawn, still hit-tested
constexpr uint16_t kGadgetLabelled = 4;  // dataOffset points to a LabelRecord
constexpr uint16_t kGadgetMasked = 8;    // image drawn with colour 0 transparent

// Command of the region's built-in gadget for key events: "KEY!".
constexpr uint32_t kCommandKey = 0x4B455921;

// ---- sections --------------------------------------------------------------
constexpr int kSectionSlots = 22;

// The tag of each section index; bit i of a region mask asks for section i.
constexpr uint32_t kSectionTags[kSectionSlots] = {
    0xABBDBEAD, 0xB8BBBEAB, 0xB3ABA7AB, 0xB6B1AFAA, 0xACB6B1B9, 0xACABBEAB,
    0xBDB6B1B9, 0xABBAA7AB, 0xBDAAABB1, 0xADBABCAB, 0xAFB1ABAC, 0xABB0A8B1,
    0xADBAACCF, 0xADBAACCE, 0xADBAACCD, 0xADBAACCC, 0xADBAACCB, 0xADBAACCA,
    0xADBAACC9, 0xADBAACC8, 0xADBAACC7, 0xADBAACC6};

// Section indices in use, and the size of a town template record.
constexpr int kSectionLabels = 0;
constexpr int kSectionGadgets = 1;
constexpr int kSectionTextPlacements = 2;
constexpr int kSectionTextFrames = 9;
constexpr int kSectionTownTemplates = 11;
constexpr uint32_t kTownTemplateSize = 60;

// Size of one record of a section tag; 0 for tags whose records the loader
// does not convert (their size is not known).
uint32_t SectionRecordSize(uint32_t tag);

// ---- loading and lookups ---------------------------------------------------

// Loads and converts a screen-data file; returns the pointer 4 bytes into the
// data block (at the section count), or null after logging
// "ExternalDataLoad: \tKonnte %s nicht oeffnen.\n" when the file cannot be
// opened or is under 32 bytes (null without that line when memory runs out).
// Each record of section 2 logs "LTXT:ID:%d\n" with its text number.
void* ExternalDataLoad(const char* name);

// Releases what ExternalDataLoad returned; null is ignored.
void FreeExternalData(void* data);

// The record count / the address of the first record of the first directory
// entry with that tag; 0 / null when there is none (or data is null).
uint32_t GetSectionCount(const void* data, uint32_t tag);
void* GetSectionData(const void* data, uint32_t tag);

// Bytes in the data block (the file's size less its 32-byte header).
uint32_t ExternalDataSize(const void* data);

// The string the 4-byte text field at textField (inside a record of the
// block) was resolved to, or null when the loader put no text there: a label
// record with text number 0 or 0xFFFFFFFF, or a pointer that is no text field.
// Text numbers outside the string table resolve to "".
const char* SectionText(const void* data, const void* textField);

// The data block + the gadget's data offset, or null when the offset lies
// outside the data.
void* GadgetData(const void* data, const Gadget* gadget);

// The text of the label record (section 0) the gadget's data offset points
// to; null when the whole record is not inside the data or it has no text.
const char* GadgetLabel(const void* data, const Gadget* gadget);

// The text of a string number from the built-in string table (as a catalog
// may have changed it); a number outside the table gives a shared "".
const char* GetDefaultString(uint32_t number);

// ---- screen regions --------------------------------------------------------

struct RegionSection {
  void* records;  // the first record; null when the section was not asked for
  uint32_t count;
};

struct ScreenRegion {
  void* data;              // what ExternalDataLoad returned
  Gadget* pressedGadget;   // gadget held down; null when none
  uint16_t buttonUp;       // 1 while no button is held over the gadgets
  uint16_t reserved;       // keeps builtinGadget's words aligned
  Gadget builtinGadget;    // fired for key events: command KEY!, key in word 3
  uint32_t originX;        // screen position the gadget areas are relative to
  uint32_t originY;
  Gadget* lastGadget;      // the last gadget that fired
  RegionSection sections[kSectionSlots];
};

// Loads the file and fills the section slots whose bit is set in mask
// (bits 0..21). A requested section that is absent logs "GetSCreenRegion:000",
// one with no records "GetSCreenRegion:001", and the process ends with exit
// code 1. Returns null when the file cannot be loaded or memory runs out.
ScreenRegion* GetSCreenRegion(const char* name, uint32_t mask);

// Releases the loaded file, then the record; null is ignored.
void FreeScreenRegion(ScreenRegion* region);

}  // namespace vsk
