// All byte encoding of the Jet file in one place: fixed-width little-endian (and, for index keys,
// big-endian) put and get helpers written with explicit shifts, plus a bounded reader for bytes
// that come from disk. Page code never shifts bytes by hand.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "jet/Error.h"

namespace ipmdb::jet {

inline uint8_t GetU8(const uint8_t* p) { return p[0]; }
inline uint16_t GetU16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t GetU24(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16); }
inline uint32_t GetU32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint64_t GetU64(const uint8_t* p) { return uint64_t(GetU32(p)) | (uint64_t(GetU32(p + 4)) << 32); }
inline int16_t GetI16(const uint8_t* p) { return int16_t(GetU16(p)); }
inline int32_t GetI32(const uint8_t* p) { return int32_t(GetU32(p)); }
inline int64_t GetI64(const uint8_t* p) { return int64_t(GetU64(p)); }
inline float GetFloat(const uint8_t* p) {
  uint32_t bits = GetU32(p);
  float v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}
inline double GetDouble(const uint8_t* p) {
  uint64_t bits = GetU64(p);
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

inline void PutU8(uint8_t* p, uint8_t v) { p[0] = v; }
inline void PutU16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void PutU24(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
}
inline void PutU32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}
inline void PutU64(uint8_t* p, uint64_t v) {
  PutU32(p, uint32_t(v));
  PutU32(p + 4, uint32_t(v >> 32));
}
inline void PutFloat(uint8_t* p, float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  PutU32(p, bits);
}
inline void PutDouble(uint8_t* p, double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  PutU64(p, bits);
}

// Big-endian forms, used only by index keys and index entry row pointers.
inline uint32_t GetU24BE(const uint8_t* p) { return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | uint32_t(p[2]); }
inline uint32_t GetU32BE(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
inline void PutU24BE(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 16);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v);
}
inline void PutU32BE(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 24);
  p[1] = uint8_t(v >> 16);
  p[2] = uint8_t(v >> 8);
  p[3] = uint8_t(v);
}

// Appends encoded values to a growing byte vector; used to assemble definitions and rows
// whose length is not known in advance.
class ByteWriter {
 public:
  explicit ByteWriter(std::vector<uint8_t>& out) : FOut(out) {}

  void U8(uint8_t v) { FOut.push_back(v); }
  void U16(uint16_t v) { PutU16(Grow(2), v); }
  void U24(uint32_t v) { PutU24(Grow(3), v); }
  void U32(uint32_t v) { PutU32(Grow(4), v); }
  void U64(uint64_t v) { PutU64(Grow(8), v); }
  void Double(double v) { PutDouble(Grow(8), v); }
  void Bytes(std::span<const uint8_t> bytes) { FOut.insert(FOut.end(), bytes.begin(), bytes.end()); }
  void Zeros(size_t n) { FOut.insert(FOut.end(), n, 0); }
  // UTF-16LE code units, no length prefix.
  void Utf16(std::u16string_view text) {
    for (char16_t c : text) U16(uint16_t(c));
  }
  size_t Size() const { return FOut.size(); }

 private:
  uint8_t* Grow(size_t n) {
    FOut.resize(FOut.size() + n);
    return FOut.data() + FOut.size() - n;
  }
  std::vector<uint8_t>& FOut;
};

// Reads values from bytes that came from disk. Every read is checked against the end of the
// span; running past it throws a corruption error naming what was being read, so a damaged
// file can never make a decoder read outside its buffer.
class ByteReader {
 public:
  // place: where the bytes lie in the file, for the error; `what` names it too.
  ByteReader(std::span<const uint8_t> bytes, const char* what, std::optional<ErrorPlace> place = std::nullopt)
      : FBytes(bytes), FWhat(what), FPlace(place) {}

  uint8_t U8() { return GetU8(Take(1)); }
  uint16_t U16() { return GetU16(Take(2)); }
  uint32_t U24() { return GetU24(Take(3)); }
  uint32_t U32() { return GetU32(Take(4)); }
  uint64_t U64() { return GetU64(Take(8)); }
  double Double() { return GetDouble(Take(8)); }
  std::span<const uint8_t> Bytes(size_t n) { return {Take(n), n}; }
  void Skip(size_t n) { Take(n); }
  void Seek(size_t pos) {
    if (pos > FBytes.size()) Fail();
    FPos = pos;
  }
  size_t Pos() const { return FPos; }
  size_t Remaining() const { return FBytes.size() - FPos; }

 private:
  const uint8_t* Take(size_t n) {
    if (n > FBytes.size() - FPos) Fail();
    const uint8_t* p = FBytes.data() + FPos;
    FPos += n;
    return p;
  }
  [[noreturn]] void Fail() const {
    throw JetError(ErrorKind::Corrupt, std::string(kCorruptPrefix) + FWhat + "超出了其所在的页。", FPlace);
  }
  std::span<const uint8_t> FBytes;
  const char* FWhat;
  std::optional<ErrorPlace> FPlace;
  size_t FPos = 0;
};

}  // namespace ipmdb::jet
