// The converters behind "vsk-data convert": pictures from PNG or BMP, fonts
// from TrueType, samples from WAV, and the text manifests of path lists,
// sound lists, catalogs and screen-data files. The demo generator uses the
// same parsers and builders, so what a modder writes by hand goes the same
// way as the demo data.
//
// Manifests are UTF-8 text, one item a line; '#' starts a comment line and
// blank lines are ignored. Their grammar is in kManifestHelp (printed by
// "vsk-data convert help").
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "vsk-data/image.h"
#include "vsk-data/write_catalog.h"
#include "vsk-data/write_picture.h"
#include "vsk-data/write_screendata.h"
#include "vsk-data/write_sound.h"

namespace vsk::data {

extern const char kManifestHelp[];

// An RGBA picture as it comes from a PNG or BMP file.
struct RgbaImage {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> pixels;  // width * height * 4, rows top to bottom
};

// Reads a PNG (any colour type, 8 or 16 bit, with or without a palette) or a
// BMP (whatever SDL reads). Pictures wider or higher than 4096 are refused.
bool LoadSourcePicture(const std::string& path, RgbaImage* image, std::string* error);

// Registers the converter may use: reserved[i] true keeps register i free.
using RegisterMask = std::array<bool, 256>;

// Parses "0,139-155,200" into a mask; false with a sentence on bad syntax.
bool ParseRegisterList(const std::string& text, RegisterMask* mask, std::string* error);

// Turns an RGBA picture into an indexed one. Fully transparent pixels
// (alpha below 128) become colour 0. With `given`, every other pixel takes
// the nearest colour of the given palette among the unreserved registers
// other than 0, and *palette is a copy of it. Without, a picture with no
// more distinct colours than free registers keeps its colours exactly; a
// richer one is quantised (median cut) into the free registers. Reserved
// registers of a new palette are black. Register 0 is used for transparency
// only when the picture has transparent pixels; otherwise it is free like
// any other (unless reserved).
bool IndexPicture(const RgbaImage& source, const Palette* given, const RegisterMask& reserved,
                  IndexedImage* image, Palette* palette, std::string* error);

// Manifest parsers; each fills its result or returns false with one
// sentence naming the line.
bool ParseCatalogManifest(const std::string& text, CatalogContent* content, std::string* error);
bool ParseScreenDataManifest(const std::string& text, ScreenDataContent* content, std::string* error);
// Path list: "<id> <base> <width> <height>" and one "filler <base> <width>
// <height>" (the entry of every id without a picture; defaults to the
// lowest id's picture).
bool ParsePathListManifest(const std::string& text, std::map<uint32_t, PathListPicture>* pictures,
                           PathListPicture* filler, std::string* error);
// Sound list: "<id> <file> <rate>"; sizes come from the files, found below
// gameDir. "filler <file> <rate>" as above.
bool ParseSoundListManifest(const std::string& text, const std::string& gameDir,
                            std::map<uint32_t, SoundListEntry>* sounds, SoundListEntry* filler,
                            std::string* error);

// Reads a WAV file (any format SDL reads) as 16-bit mono samples at its own
// rate, or at `rate` when that is not 0.
bool LoadWavAsMono(const std::string& path, uint32_t rate, std::vector<int16_t>* samples,
                   uint32_t* actualRate, std::string* error);

}  // namespace vsk::data
