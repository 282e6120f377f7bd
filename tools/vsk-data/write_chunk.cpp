// Chunk files: "INFO" and "MREF" chunks in file order.
#include "vsk-data/write_chunk.h"

namespace vsk::data {

ByteBuffer BuildChunk(const char* identifier, const ByteBuffer& body, const char* version) {
  ByteBuffer out;
  PutTag(out, identifier);
  PutTag(out, version);
  PutBE32(out, static_cast<uint32_t>(body.size()));
  PutBytes(out, body.data(), body.size());
  return out;
}

ByteBuffer BuildInfoBody(const InfoChunk& info) {
  ByteBuffer body;  // chunk offsets 12..41
  PutBE32(body, info.word12);
  PutBE32(body, info.word16);
  PutBE32(body, info.word20);
  PutBytes(body, info.text24, sizeof info.text24);
  PutBE16(body, info.gameValue);
  PutBE32(body, info.word30);
  PutBytes(body, info.text34, sizeof info.text34);
  return body;
}

ByteBuffer BuildMrefBody(const MrefChunk& mref) {
  ByteBuffer body;  // chunk offsets 12..27
  PutBE32(body, mref.word12);
  PutBE32(body, mref.word16);
  PutBE32(body, mref.mapX);
  PutBE32(body, mref.mapY);
  return body;
}

}  // namespace vsk::data
