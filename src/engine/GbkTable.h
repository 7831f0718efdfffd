// The GBK pairs (Microsoft code page 936 without its user-defined area) as a table compiled into
// the program, so that decoding is the same on every system and needs no converter at run time.
// The table is what glibc's iconv "GBK" converter gives for each pair; tools/gen-gbk-table.cpp
// writes GbkTable.cpp from it.
#pragma once

#include <cstddef>

namespace ipmdb::engine {

constexpr unsigned kGbkFirstLead = 0x81;
constexpr unsigned kGbkLastLead = 0xFE;
constexpr unsigned kGbkFirstTrail = 0x40;
constexpr unsigned kGbkLastTrail = 0xFE;
constexpr size_t kGbkTrailCount = kGbkLastTrail - kGbkFirstTrail + 1;
constexpr size_t kGbkPairCount = (kGbkLastLead - kGbkFirstLead + 1) * kGbkTrailCount;

// The character of the pair (lead, trail) at (lead - kGbkFirstLead) * kGbkTrailCount +
// (trail - kGbkFirstTrail); 0 where the pair is not GBK (no pair decodes to U+0000).
extern const char16_t kGbkPairs[kGbkPairCount];

}  // namespace ipmdb::engine
