// Word-at-a-time checksum: every step of a lane is a bijection of the lane's state for a fixed
// input word, and a bijection of the word for a fixed state, which is what makes any change inside
// one word visible in the result. Four lanes let the multiplications of consecutive words overlap.
#include "jet/Checksum.h"

#include <array>

#include "jet/Bytes.h"

namespace ipmdb::jet {
namespace {

constexpr size_t kWordBytes = 8;
constexpr size_t kLanes = 4;
constexpr size_t kBlockBytes = kWordBytes * kLanes;

// Odd constants drawn at random once; odd makes multiplication invertible modulo 2^64.
constexpr uint64_t kLaneMultiplier = 0x8687b18d8ce14c8bULL;
constexpr uint64_t kFoldMultiplier = 0x3fe6e7be9ba05717ULL;
constexpr uint64_t kFinalMultiplier = 0xcb674d999253f6b7ULL;
constexpr std::array<uint64_t, kLanes> kLaneStarts{0x6edd3a249018775bULL, 0x1ed40c227dab7ad3ULL,
                                                   0x2d38de7c3bec5519ULL, 0x9b1f4c2ee07d3a61ULL};

inline uint64_t MixWord(uint64_t state, uint64_t word, uint64_t multiplier) {
  state ^= word;
  state *= multiplier;
  return state ^ (state >> 29);
}

// Packs the last 1 to 7 bytes into one word; the total length, folded in at the end, tells a
// short tail from one padded with zeros.
uint64_t TailWord(const uint8_t* p, size_t n) {
  uint64_t word = 0;
  for (size_t i = 0; i < n; ++i) word |= uint64_t(p[i]) << (8 * i);
  return word;
}

}  // namespace

uint64_t Checksum64(std::span<const uint8_t> bytes, uint64_t seed) {
  std::array<uint64_t, kLanes> lanes;
  for (size_t i = 0; i < kLanes; ++i) lanes[i] = seed ^ kLaneStarts[i];

  const uint8_t* p = bytes.data();
  const uint8_t* const end = p + bytes.size();
  for (; size_t(end - p) >= kBlockBytes; p += kBlockBytes) {
    for (size_t i = 0; i < kLanes; ++i) lanes[i] = MixWord(lanes[i], GetU64(p + i * kWordBytes), kLaneMultiplier);
  }
  for (size_t lane = 0; size_t(end - p) >= kWordBytes; p += kWordBytes, ++lane) {
    lanes[lane] = MixWord(lanes[lane], GetU64(p), kLaneMultiplier);
  }
  if (p != end) lanes[kLanes - 1] = MixWord(lanes[kLanes - 1], TailWord(p, size_t(end - p)), kLaneMultiplier);

  uint64_t h = seed ^ (uint64_t(bytes.size()) * kFinalMultiplier);
  for (uint64_t lane : lanes) h = MixWord(h, lane, kFoldMultiplier);
  h ^= h >> 32;
  h *= kFinalMultiplier;
  return h ^ (h >> 31);
}

}  // namespace ipmdb::jet
