// Page 0 of a Jet 4 file: what it says in clear, how it is encoded (with the fixed RC4 mask over
// bytes 0x18..0x97 and the date mask over the password field), and the key derived from it that
// masks every security identifier stored in the catalog.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "jet/Format.h"

namespace ipmdb::jet {

using PageBytes = std::array<uint8_t, kPageSize>;

struct DatabaseHeader {
  uint32_t freeMapPointer = 0;      // row pointer of the global free-pages map
  uint32_t releasedMapPointer = 0;  // row pointer of the global released-pages map
  std::array<uint32_t, 4> catalogPages{};  // MSysObjects, MSysACEs, MSysQueries, MSysRelationships
  uint16_t codePage = 0;
  uint32_t databaseKey = 0;         // 0: pages are not encrypted
  std::u16string password;          // empty: none
  uint32_t engineBuild = 0;
  uint16_t collation = 0;
  uint8_t sortId = 0;
  uint8_t sortVersion = 0;
  double creationDate = 0;          // OLE automation date
};

// Builds a complete page 0 for a new database, masks applied.
PageBytes EncodeHeaderPage(const DatabaseHeader& header);

// Reads page 0. Throws ErrorKind::NotJet4 with a message saying what the file is instead (Jet 3,
// ACE, not a Jet file at all) when it is not a Jet 4 database. `path` names the file in messages.
DatabaseHeader DecodeHeaderPage(std::span<const uint8_t> page, const std::string& path);

// The key of the RC4 keystream that masks security identifiers, folded from the unmasked header
// (password field with its date mask removed, engine build, collation, creation date). A SID
// stored with the wrong key makes Access refuse the catalog, while every Linux reader ignores it.
uint32_t SidMaskKey(const DatabaseHeader& header);

// Masks a plain SID for storage, or unmasks a stored one (the operation is its own inverse).
void ApplySidMask(uint32_t key, std::span<uint8_t> sid);

}  // namespace ipmdb::jet
