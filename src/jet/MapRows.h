// Usage-map rows as the writing side of the engine reaches them: through the pager, located by
// their row pointer on a holder page, checked before use.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "jet/Pager.h"

namespace ipmdb::jet {

// The row's bytes, checked before any use: a live, not relocated row of a sound data page that
// holds usage maps (owner 0, or 1 for the global maps), of a known form and long enough for it
// (a reference map has all 17 slots). ErrorKind::Corrupt naming the row and `owner` otherwise.
std::span<const uint8_t> ReadMapRow(Pager& pager, uint32_t rowPointer, const std::string& owner);

// The same bytes for change (REQUIRES an open transaction): the holder page joins it.
std::span<uint8_t> ModifyMapRow(Pager& pager, uint32_t rowPointer, const std::string& owner);

// The global free-pages map row, checked as ReadMapRow does and to be of the inline form, the
// only one the engine updates (ErrorKind::Unsupported for the reference form).
std::span<const uint8_t> ReadGlobalFreeMap(Pager& pager, uint32_t freeMapPointer);

// Rewrites the global free-pages map for the file's current page count: pages past the end are
// free, every existing page is in use. The map keeps its size; once the file outgrows its window,
// the window moves up to the end of the file and the pages below it count as in use.
void UpdateGlobalFreeMap(Pager& pager, uint32_t freeMapPointer);

}  // namespace ipmdb::jet
