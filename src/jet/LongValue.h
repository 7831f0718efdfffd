// Memo and OLE values. In the row such a value is a 12-byte descriptor: its length and storage
// form, then a pointer to an LVAL page row (single-row form) or to the first of a chain of
// chunks; in the inline form the payload follows the descriptor inside the row itself.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "jet/RowCodec.h"

namespace ipmdb::jet {

// Appends descriptor + payload for a value kept inside the row.
void AppendInlineLongValue(std::span<const uint8_t> payload, std::vector<uint8_t>& out);
// Writes, at `at`, the descriptor of an inline value of `length` bytes that follows it.
void EncodeInlineLongValueDescriptor(uint32_t length, uint8_t* at);
// Writes the descriptor of a value stored as one row of an LVAL page.
void AppendSingleRowLongValue(uint32_t length, uint32_t rowPointer, std::vector<uint8_t>& out);

// Reads a stored long value of any form, fetching each row it lives on through `fetch`. Throws
// ErrorKind::Corrupt naming the row that holds the descriptor (`rowPointer`) when the descriptor
// or the chain is inconsistent; a chain that meets a row twice is refused at once.
std::vector<uint8_t> ReadLongValue(std::span<const uint8_t> stored, uint32_t rowPointer,
                                   const LongValueRowFetcher& fetch);

}  // namespace ipmdb::jet
