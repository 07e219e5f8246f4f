#pragma once
// Big-endian integers of 1 to 4 bytes, the byte order of every binary field in the system's
// files: the codec's fields, index blocks, resolution entries. Built from shifts, never from casts
// of memory, so the result does not depend on the machine's own byte order or alignment.

#include <cstdint>
#include <string>

namespace tervalo {

// The unsigned value of the `width` bytes at p, most significant first.
// REQUIRES: 1 <= width <= 4 and p points at width readable bytes.
inline uint32_t DecodeBigEndian(const char* p, int width) {
  uint32_t value = 0;
  for (int i = 0; i < width; ++i) value = (value << 8) | static_cast<unsigned char>(p[i]);
  return value;
}

// REQUIRES: p points at 2 readable bytes.
inline uint32_t DecodeBigEndian16(const char* p) {
  return static_cast<uint32_t>(static_cast<unsigned char>(p[0])) << 8 |
         static_cast<unsigned char>(p[1]);
}

// REQUIRES: p points at 4 readable bytes.
inline uint32_t DecodeBigEndian32(const char* p) {
  return static_cast<uint32_t>(static_cast<unsigned char>(p[0])) << 24 |
         static_cast<uint32_t>(static_cast<unsigned char>(p[1])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(p[2])) << 8 |
         static_cast<unsigned char>(p[3]);
}

// Writes the low-order `width` bytes of value at p, most significant first; higher bytes are
// dropped. REQUIRES: 1 <= width <= 4 and p has room for width bytes.
inline void EncodeBigEndian(char* p, uint32_t value, int width) {
  switch (width) {
    case 4: *p++ = static_cast<char>(value >> 24); [[fallthrough]];
    case 3: *p++ = static_cast<char>(value >> 16); [[fallthrough]];
    case 2: *p++ = static_cast<char>(value >> 8); [[fallthrough]];
    default: *p = static_cast<char>(value);
  }
}

// REQUIRES: p has room for 2 bytes.
inline void EncodeBigEndian16(char* p, uint32_t value) {
  p[0] = static_cast<char>((value >> 8) & 0xFF);
  p[1] = static_cast<char>(value & 0xFF);
}

// REQUIRES: p has room for 4 bytes.
inline void EncodeBigEndian32(char* p, uint32_t value) {
  p[0] = static_cast<char>((value >> 24) & 0xFF);
  p[1] = static_cast<char>((value >> 16) & 0xFF);
  p[2] = static_cast<char>((value >> 8) & 0xFF);
  p[3] = static_cast<char>(value & 0xFF);
}

// The low-order `width` bytes of value as a byte string, most significant first (a negative
// value gives its two's complement). REQUIRES: 1 <= width <= 4.
inline std::string BigEndianBytes(int64_t value, int width) {
  std::string bytes(static_cast<size_t>(width), '\0');
  EncodeBigEndian(bytes.data(), static_cast<uint32_t>(value), width);
  return bytes;
}

}  // namespace tervalo
