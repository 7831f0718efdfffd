// The SQL statement that inserts one record into table IP:
//   insert into IP values('<start>','<end>',<start number>,<end number>,'<country>','<area>')
// The values fill the table's columns by position (startip, endip, startid, endid, country,
// local). No semicolon, no line break; the text stays in the file's GBK bytes.
#pragma once

#include <string>
#include <string_view>

#include "engine/ParseLine.h"

namespace ipmdb::engine {

// The text with every single quote doubled, so that it can stand between single quotes in SQL.
// Nothing else is escaped.
std::string QuoteSQLText(std::string_view text);
// The same, appended to `out`.
void QuoteSQLText(std::string_view text, std::string& out);

// The insert statement of one record. A country that spells the publisher's marker (ASCII letters
// compared without case, the whole field) becomes the placeholder "unknown IP" country, an area
// that spells it becomes the maker's domain. The numbers are IPToNumber of the address texts as
// parsed. All four texts are quoted with QuoteSQLText: a quote in an address is doubled like one
// in the country or the area, so that it cannot end the literal early.
std::string BuildInsertStatement(const RecordFields& fields);
// The same, appended to `out`. With a reused `out` this allocates nothing once its capacity has
// grown to the longest statement.
void BuildInsertStatement(const RecordFields& fields, std::string& out);

}  // namespace ipmdb::engine
