#include "present/gl/bmp.h"

#include <windows.h>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/files.h"

namespace vsk {

namespace {

constexpr uint32_t kFileHeader = 14;
constexpr uint32_t kCoreHeader = 12;
constexpr uint32_t kInfoHeader = 40;
constexpr uint32_t kV4Header = 108;
constexpr uint32_t kV5Header = 124;
constexpr int32_t kLargestSide = 16384;

constexpr uint32_t kUncompressed = 0;
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr uint32_t kBitfields = 3;

constexpr const char* kConversionError = "Image file conversion error.";

uint32_t U16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24); }

RGBImage* Refuse(const char* text) {
  MessageBoxA(nullptr, text, "Error", MB_OK);
  return nullptr;
}

// One colour channel of a 16- or 32-bit pixel: the bits under its mask.
struct Channel {
  uint32_t mask = 0;
  uint32_t shift = 0;
  uint32_t max = 1;  // the mask shifted down to bit 0
};

// What the headers say about the picture and where its parts lie.
struct Dib {
  const uint8_t* file;
  size_t size;
  int32_t width;
  int32_t height;
  bool topDown;
  uint32_t bits;
  uint32_t compression;
  uint32_t colours;  // entries in the colour table; indices beyond it are black
  uint32_t entry;    // bytes per colour entry: 3 in a core header, else 4
  uint64_t palette;  // file offset of the colour table
  uint64_t pixels;   // file offset of the pixel rows or run-length stream
  uint64_t stride;   // bytes per stored row of an uncompressed picture
  Channel red, green, blue;
};

// False for a mask without bits or with a gap between its bits.
bool MakeChannel(uint32_t mask, Channel* c) {
  if (mask == 0) return false;
  c->mask = mask;
  c->shift = static_cast<uint32_t>(std::countr_zero(mask));
  c->max = mask >> c->shift;
  return (c->max & (c->max + 1)) == 0;
}

// Scales a channel to 8 bits, value * 255 / max rounded to the nearest.
uint8_t Scale(const Channel& c, uint32_t pixel) {
  const uint64_t value = (pixel & c.mask) >> c.shift;
  return static_cast<uint8_t>((value * 255 + c.max / 2) / c.max);
}

// Reads the headers into *d. Returns the text of the box to show, or null.
const char* ReadHeaders(const uint8_t* b, size_t size, Dib* d) {
  const uint32_t header = U32(b + kFileHeader);
  if (header != kCoreHeader && header != kInfoHeader && header != kV4Header && header != kV5Header)
    return "Unknown DIB file format.";
  if (kFileHeader + uint64_t{header} > size) return kConversionError;
  const uint8_t* h = b + kFileHeader;
  d->file = b;
  d->size = size;
  d->compression = kUncompressed;
  d->colours = 0;
  if (header == kCoreHeader) {
    d->width = static_cast<int32_t>(U16(h + 4));
    d->height = static_cast<int32_t>(static_cast<int16_t>(U16(h + 6)));
    d->bits = U16(h + 10);
    d->entry = 3;
  } else {
    d->width = static_cast<int32_t>(U32(h + 4));
    d->height = static_cast<int32_t>(U32(h + 8));
    d->bits = U16(h + 14);
    d->compression = U32(h + 16);
    d->colours = U32(h + 32);
    d->entry = 4;
  }
  d->topDown = d->height < 0;
  if (d->topDown) d->height = -d->height;
  const uint32_t bits = d->bits;
  if (d->width <= 0 || d->height <= 0 || d->width > kLargestSide || d->height > kLargestSide ||
      (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32))
    return kConversionError;
  const uint32_t c = d->compression;
  const bool rle = c == kRle8 || c == kRle4;
  // Run-length streams go only with their own depth and only bottom-up;
  // masks only with 16 or 32 bits.
  if (!(c == kUncompressed || (c == kRle8 && bits == 8) || (c == kRle4 && bits == 4) ||
        (c == kBitfields && (bits == 16 || bits == 32))))
    return kConversionError;
  if (rle && d->topDown) return kConversionError;

  d->palette = kFileHeader + uint64_t{header};
  uint32_t red = 0x7C00, green = 0x03E0, blue = 0x001F;  // 16 bits without masks: 5-5-5
  if (bits == 32) red = 0xFF0000, green = 0xFF00, blue = 0xFF;
  if (c == kBitfields) {
    // The three masks follow a 40-byte header and lie inside a larger one,
    // at the same place in the file either way.
    if (header == kInfoHeader) d->palette += 12;
    if (d->palette > size) return kConversionError;
    red = U32(h + 40);
    green = U32(h + 44);
    blue = U32(h + 48);
  }
  if (bits >= 16 && !(MakeChannel(red, &d->red) && MakeChannel(green, &d->green) && MakeChannel(blue, &d->blue)))
    return kConversionError;

  if (bits <= 8 && (d->colours == 0 || d->colours > (1u << bits))) d->colours = 1u << bits;
  if (bits > 8) d->colours = 0;
  const uint64_t tableEnd = d->palette + uint64_t{d->colours} * d->entry;
  if (tableEnd > size) return kConversionError;
  d->stride = ((uint64_t{static_cast<uint32_t>(d->width)} * bits + 31) / 32) * 4;
  d->pixels = U32(b + 10);
  if (d->pixels < tableEnd) d->pixels = tableEnd;
  // A run-length stream may be shorter than the picture; it ends with the file.
  const uint64_t pixelBytes = rle ? 0 : d->stride * static_cast<uint64_t>(d->height);
  if (d->pixels + pixelBytes > size) return kConversionError;
  return nullptr;
}

// Colour `index` of the table as red, green, blue; black beyond the table.
void PutIndex(const Dib& d, uint32_t index, uint8_t* out) {
  if (index >= d.colours) {
    out[0] = out[1] = out[2] = 0;
    return;
  }
  const uint8_t* c = d.file + d.palette + uint64_t{index} * d.entry;
  out[0] = c[2];
  out[1] = c[1];
  out[2] = c[0];
}

// The stored row that goes out as output row `row` (bottom row first).
const uint8_t* StoredRow(const Dib& d, int32_t row) {
  const int32_t stored = d.topDown ? d.height - 1 - row : row;
  return d.file + d.pixels + d.stride * static_cast<uint64_t>(stored);
}

uint8_t* OutputRow(const Dib& d, uint8_t* data, int32_t row) {
  return data + static_cast<size_t>(row) * d.width * 3;
}

// 1, 4 or 8 bits per pixel through the colour table, leftmost pixel in the
// highest bits of a byte.
void DecodeIndexed(const Dib& d, uint8_t* data) {
  const uint32_t bits = d.bits;
  for (int32_t row = 0; row < d.height; ++row) {
    const uint8_t* in = StoredRow(d, row);
    uint8_t* out = OutputRow(d, data, row);
    for (int32_t x = 0; x < d.width; ++x, out += 3) {
      const uint32_t bit = static_cast<uint32_t>(x) * bits;
      PutIndex(d, (in[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1), out);
    }
  }
}

// 24 bits per pixel: blue, green, red.
void DecodeBgr(const Dib& d, uint8_t* data) {
  for (int32_t row = 0; row < d.height; ++row) {
    const uint8_t* in = StoredRow(d, row);
    uint8_t* out = OutputRow(d, data, row);
    for (int32_t x = 0; x < d.width; ++x, in += 3, out += 3) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
  }
}

// 16 or 32 bits per pixel, little-endian, each channel under its mask.
void DecodeMasked(const Dib& d, uint8_t* data) {
  const uint32_t step = d.bits / 8;
  for (int32_t row = 0; row < d.height; ++row) {
    const uint8_t* in = StoredRow(d, row);
    uint8_t* out = OutputRow(d, data, row);
    for (int32_t x = 0; x < d.width; ++x, in += step, out += 3) {
      const uint32_t pixel = step == 2 ? U16(in) : U32(in);
      out[0] = Scale(d.red, pixel);
      out[1] = Scale(d.green, pixel);
      out[2] = Scale(d.blue, pixel);
    }
  }
}

// A run-length stream of 8- or 4-bit indices, rows bottom-up. Pixels it does
// not reach keep colour 0, and pixels of a run beyond its row's end are
// dropped. The stream ends with end-of-bitmap or with the file. False for a
// delta that leaves the picture or an absolute run cut off by the file's end.
bool DecodeRle(const Dib& d, uint8_t* data) {
  const bool four = d.compression == kRle4;
  const uint8_t* in = d.file + d.pixels;
  const size_t length = d.size - static_cast<size_t>(d.pixels);
  const auto width = static_cast<uint32_t>(d.width);
  const auto height = static_cast<uint32_t>(d.height);
  for (size_t p = 0; p < static_cast<size_t>(width) * height; ++p) PutIndex(d, 0, data + p * 3);

  uint32_t x = 0, y = 0;
  auto put = [&](uint32_t index) {
    if (x >= width) return;
    if (y < height) PutIndex(d, index, data + (static_cast<size_t>(y) * width + x) * 3);
    ++x;
  };
  // Pixel i of an absolute run: its byte, or high nibble then low nibble.
  auto pick = [four](const uint8_t* bytes, uint32_t i) -> uint32_t {
    if (!four) return bytes[i];
    return i % 2 == 0 ? bytes[i / 2] >> 4 : bytes[i / 2] & 0x0F;
  };
  size_t pos = 0;
  while (pos + 2 <= length) {
    const uint32_t count = in[pos], value = in[pos + 1];
    pos += 2;
    if (count > 0) {  // encoded run: count pixels of value (RLE4: its nibbles in turn)
      for (uint32_t i = 0; i < count; ++i) put(!four ? value : i % 2 == 0 ? value >> 4 : value & 0x0F);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      if (y < height) ++y;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // delta: right dx, up dy
      if (pos + 2 > length) return false;
      const uint32_t dx = in[pos], dy = in[pos + 1];
      pos += 2;
      if (x + dx > width || y + dy >= height) return false;
      x += dx;
      y += dy;
    } else {  // absolute run of value pixels, padded to a 16-bit boundary
      const size_t bytes = four ? (value + 1) / 2 : value;
      if (pos + bytes > length) return false;
      for (uint32_t i = 0; i < value; ++i) put(pick(in + pos, i));
      pos += bytes + bytes % 2;
    }
  }
  return true;
}

}  // namespace

RGBImage* LoadBMPImage(const char* fileName) {
  FILE* file = platform::OpenFile(fileName, "rb");
  char message[512];
  if (!file) {
    std::snprintf(message, sizeof message, "Failed to open DIB file %s.\n", fileName);
    return Refuse(message);
  }
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  std::fclose(file);
  if (bytes.size() < kFileHeader + 4 || bytes[0] != 'B' || bytes[1] != 'M') {
    std::snprintf(message, sizeof message, "Failed to open DIB file %s.\n", fileName);
    return Refuse(message);
  }
  Dib d;
  if (const char* text = ReadHeaders(bytes.data(), bytes.size(), &d)) return Refuse(text);

  auto* image = static_cast<RGBImage*>(std::malloc(sizeof(RGBImage)));
  uint8_t* data = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(d.width) * d.height * 3));
  if (!image || !data) {
    std::free(image);
    std::free(data);
    return Refuse("Out of memory.");
  }
  bool ok = true;
  if (d.compression == kRle8 || d.compression == kRle4)
    ok = DecodeRle(d, data);
  else if (d.bits <= 8)
    DecodeIndexed(d, data);
  else if (d.bits == 24)
    DecodeBgr(d, data);
  else
    DecodeMasked(d, data);
  if (!ok) {
    std::free(image);
    std::free(data);
    return Refuse(kConversionError);
  }
  image->width = d.width;
  image->height = d.height;
  image->data = data;
  return image;
}

void FreeRGBImage(RGBImage* image) {
  if (!image) return;
  std::free(image->data);
  std::free(image);
}

}  // namespace vsk
