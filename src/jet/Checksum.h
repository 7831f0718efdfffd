// The 64-bit checksum that the rollback journal stores for page images and for its own header
// and page list. It reads eight bytes at a time into four independent lanes, so that a 4 KiB page
// costs well under a microsecond; it detects damage, it is not a cryptographic hash.
#pragma once

#include <cstdint>
#include <span>

namespace ipmdb::jet {

// Different seeds give unrelated results for the same bytes, so a journal that seeds its records
// with its own random value refuses records left behind by an older journal. Any change confined
// to one aligned 8-byte word always changes the result; other damage goes unnoticed with a
// probability of about 2^-64. Results are the same on every host (words are read little-endian).
uint64_t Checksum64(std::span<const uint8_t> bytes, uint64_t seed);

}  // namespace ipmdb::jet
