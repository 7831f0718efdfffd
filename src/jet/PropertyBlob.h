// Property blobs ("MR2" format), the LvProp values of catalog rows: the extended properties of a
// database (AccessVersion, ...) or of a table and its columns (Required, AllowZeroLength,
// DefaultValue, ...). A blob is a name pool followed by one block per owner: the object itself
// (empty owner name) or one of its columns.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "jet/Error.h"
#include "jet/Format.h"

namespace ipmdb::jet {

struct Property {
  std::u16string name;
  ColumnType type = ColumnType::Text;
  bool ddl = false;              // a schema property the engine enforces (Required, DefaultValue, ...)
  std::vector<uint8_t> value;    // stored bytes: UTF-16LE text, one byte for Boolean/Byte, LE numbers

  static Property Text(std::u16string name, std::u16string_view value, bool ddl);
  static Property Memo(std::u16string name, std::u16string_view value, bool ddl);
  static Property Boolean(std::u16string name, bool value, bool ddl);
  static Property Byte(std::u16string name, uint8_t value, bool ddl);
  static Property Long(std::u16string name, int32_t value, bool ddl);
};

struct PropertyBlock {
  std::u16string owner;  // empty: the object itself; otherwise a column name
  std::vector<Property> properties;
};

std::vector<uint8_t> EncodePropertyBlob(const std::vector<PropertyBlock>& blocks);

// Throws ErrorKind::Corrupt on a bad signature, an unknown block type, or lengths that leave the
// blob; the error names the blob's place, `where`, when it is given. Unknown value types are kept
// as raw bytes.
std::vector<PropertyBlock> DecodePropertyBlob(std::span<const uint8_t> blob,
                                              std::optional<ErrorPlace> where = std::nullopt);

}  // namespace ipmdb::jet
