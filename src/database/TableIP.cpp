#include "database/TableIP.h"

namespace ipmdb::database {
namespace {

using jet::ColumnType;
using jet::Property;

// 2026-12-01 12:00:00 as an OLE automation date: the fixed creation date of the template.
constexpr double kTemplateCreationDate = 46357.5;

// What Access records for a text column that allows zero-length text: the engine refuses an
// empty string unless AllowZeroLength is on, so it is written explicitly rather than left to
// any reader's default.
jet::NewColumn TextColumn(const char16_t* name, uint16_t characters) {
  return {name,
          ColumnType::Text,
          uint16_t(2 * characters),
          kChineseCollation,
          true,
          {Property::Boolean(u"Required", false, true), Property::Boolean(u"AllowZeroLength", true, true),
           Property::Boolean(u"UnicodeCompression", true, true)}};
}

// Decimal places 255 is "automatic"; the default value is an expression, stored as Memo text.
jet::NewColumn NumberColumn(const char16_t* name) {
  return {name,
          ColumnType::Double,
          0,
          0,
          false,
          {Property::Boolean(u"Required", false, true), Property::Memo(u"DefaultValue", u"0", true),
           Property::Byte(u"DecimalPlaces", 255, true)}};
}

}  // namespace

jet::NewTable TableIPDefinition() {
  return {kTableIP,
          {TextColumn(u"startip", kAddressChars), TextColumn(u"endip", kAddressChars), NumberColumn(u"startid"),
           NumberColumn(u"endid"), TextColumn(u"country", kCountryChars), TextColumn(u"local", kAreaChars)}};
}

jet::NewDatabase TemplateDatabase() {
  jet::NewDatabase db;
  db.creationDate = kTemplateCreationDate;
  db.databaseProperties = {Property::Text(u"AccessVersion", u"08.50", false)};
  db.tables = {TableIPDefinition()};
  return db;
}

}  // namespace ipmdb::database
