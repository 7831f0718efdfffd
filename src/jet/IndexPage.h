// Index keys and single-page index leaves, as far as the system catalog needs them: Long keys,
// and Text keys in the "General (legacy)" sort order for names made of printable ASCII. Entries
// are compared as unsigned bytes, key first and then row pointer, so equal keys keep row order.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

namespace ipmdb::jet {

using IndexEntry = std::vector<uint8_t>;

// Appends one ascending key column: the presence flag, then the key bytes.
void AppendLongKey(int32_t value, IndexEntry& entry);
// Throws ErrorKind::Unsupported for a character whose General (legacy) code needs the full
// accent/case algorithm (anything outside printable ASCII, and ' and -).
void AppendTextKey(std::u16string_view text, IndexEntry& entry);
// Ends a leaf entry with the row it points to: page as 3 big-endian bytes, then the row index.
void AppendEntryRowPointer(uint32_t page, uint8_t row, IndexEntry& entry);

// A leaf page that is also the index root, holding `entries` in sorted order. Throws
// ErrorKind::Unsupported when they do not fit one page (the catalog of one small database
// always does).
std::vector<uint8_t> EncodeLeafPage(uint32_t ownerTableDefinition, std::vector<IndexEntry> entries);

// The entries of an index page (leaf or node) as its entry-end bitmap cuts the entry area, in
// stored order, prefix compression not undone. Throws ErrorKind::Corrupt naming the page when the
// free-space field or the bitmap do not describe the entry area.
std::vector<std::span<const uint8_t>> SplitIndexEntries(const uint8_t* page, uint32_t pageNumber);

class PageSource;

// Calls `visit(page, position, entry)` for every leaf entry of the index whose root page is
// `root`, in stored order: from the root down the first entry of each node page to the leftmost
// leaf, then along the leaves' next-page pointers. Each entry is whole (the prefix its page
// shares between entries put back) and ends with the row pointer. Throws ErrorKind::Corrupt
// naming the page when a page lies past the end of the file, is not an index page of `owner`,
// comes up twice, or does not split into entries.
using IndexEntryVisitor = std::function<void(uint32_t page, size_t position, std::span<const uint8_t> entry)>;
void ForEachIndexEntry(PageSource& source, uint32_t root, uint32_t owner, const IndexEntryVisitor& visit);

// The entries of a leaf page without prefix compression, in stored order; throws
// ErrorKind::Corrupt as SplitIndexEntries does, and for a page that is not a leaf.
std::vector<IndexEntry> DecodeLeafEntries(const uint8_t* page, uint32_t pageNumber);

}  // namespace ipmdb::jet
