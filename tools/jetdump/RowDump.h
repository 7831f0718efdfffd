// Prints the decoded columns of table rows: every present value by column name, security ids
// unmasked and named, dates as calendar time, catalog ids and flags in hex, and property blobs
// (LvProp) decoded into their properties.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "DumpContext.h"
#include "jet/RowCodec.h"

namespace ipmdb::jetdump {

class RowPrinter {
 public:
  // Throws jet::JetError when the definition cannot give a row layout.
  RowPrinter(DumpContext& context, const TableInfo& table, uint32_t definitionPage);

  // One line per present column, at `indent`; a row that does not decode is reported as an error
  // naming the row (`rowPointer`).
  void Print(std::span<const uint8_t> row, uint32_t rowPointer, int indent);

 private:
  void PrintValue(const jet::ColumnDefinition& column, const jet::StoredValue& value, const std::string& pad);
  std::string IntegerText(const jet::ColumnDefinition& column, int64_t value) const;
  std::string SidText(std::span<const uint8_t> stored) const;
  void PrintProperties(std::span<const uint8_t> blob, const std::string& pad);

  DumpContext& FContext;
  const TableInfo& FTable;
  jet::RowLayout FLayout;
  bool FObjectsTable;  // MSysObjects: its Type column is named
  std::vector<const jet::ColumnDefinition*> FColumnsById;
};

}  // namespace ipmdb::jetdump
