// Table IP, the one user table of the output database, and the template database that holds it
// empty. The converter only ever inserts into IP, by position, in this column order.
#pragma once

#include "jet/DatabaseBuilder.h"

namespace ipmdb::database {

inline constexpr char16_t kTableIP[] = u"IP";

// Text sizes in characters (the file stores twice as many bytes).
inline constexpr uint16_t kAddressChars = 16;
inline constexpr uint16_t kCountryChars = 128;
inline constexpr uint16_t kAreaChars = 255;

// The sort order of the text columns: Chinese (PRC). The database and its catalog keep the
// General order, whose index keys the engine knows how to write.
inline constexpr uint16_t kChineseCollation = 2052;

// startip, endip, startid, endid, country, local; all nullable, no index, no key.
jet::NewTable TableIPDefinition();

// The empty template database: the engine's skeleton, AccessVersion 08.50 on MSysDb, and table
// IP without rows. Its creation date and every identifier are fixed, so building it twice gives
// the same bytes.
jet::NewDatabase TemplateDatabase();

}  // namespace ipmdb::database
