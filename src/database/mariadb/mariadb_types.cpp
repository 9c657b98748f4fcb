#include "database/mariadb/mariadb_types.h"

#include "database/odbc/odbc_backend.h"

#include <sql.h>
#include <sqlext.h>

namespace {

// The character set number of binary strings and blobs.
constexpr unsigned kBinaryCharset = 63;

struct OdbcLook {
  int sqlType;
  qint64 size;
};

// A character column's length in characters (the server gives bytes).
qint64 CharacterLength(const MYSQL_FIELD& field) {
  const MARIADB_CHARSET_INFO* charset = mariadb_get_charset_by_nr(field.charsetnr);
  const unsigned perCharacter = charset && charset->char_maxlen > 0 ? charset->char_maxlen : 1;
  return static_cast<qint64>(field.length / perCharacter);
}

OdbcLook LookOf(const MYSQL_FIELD& field) {
  const bool binary = field.charsetnr == kBinaryCharset;
  switch (field.type) {
    case MYSQL_TYPE_TINY: return {SQL_TINYINT, 3};
    case MYSQL_TYPE_SHORT: return {SQL_SMALLINT, 5};
    case MYSQL_TYPE_YEAR: return {SQL_SMALLINT, 4};
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_LONG: return {SQL_INTEGER, 10};
    case MYSQL_TYPE_LONGLONG: return {SQL_BIGINT, 20};
    case MYSQL_TYPE_FLOAT: return {SQL_REAL, 7};
    case MYSQL_TYPE_DOUBLE: return {SQL_DOUBLE, 15};
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL: return {SQL_DECIMAL, static_cast<qint64>(field.length)};
    case MYSQL_TYPE_BIT: return field.length == 1 ? OdbcLook{SQL_BIT, 1} : OdbcLook{SQL_BINARY, static_cast<qint64>(field.length)};
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE: return {SQL_TYPE_DATE, 10};
    case MYSQL_TYPE_TIME: return {SQL_TYPE_TIME, 8};
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_TIMESTAMP: return {SQL_TYPE_TIMESTAMP, 19};
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_BLOB:
    case MYSQL_TYPE_JSON: return {binary ? SQL_LONGVARBINARY : SQL_LONGVARCHAR, CharacterLength(field)};
    case MYSQL_TYPE_GEOMETRY: return {SQL_LONGVARBINARY, 0};
    case MYSQL_TYPE_NULL: return {SQL_VARCHAR, 0};
    case MYSQL_TYPE_STRING:
      if (binary) return {SQL_BINARY, static_cast<qint64>(field.length)};
      return {SQL_CHAR, CharacterLength(field)};
    default:  // VARCHAR, VAR_STRING, ENUM, SET
      if (binary) return {SQL_VARBINARY, static_cast<qint64>(field.length)};
      return {(field.flags & (ENUM_FLAG | SET_FLAG)) ? SQL_CHAR : SQL_VARCHAR, CharacterLength(field)};
  }
}

MySqlRead ReadOf(const MYSQL_FIELD& field, TFieldType type) {
  switch (field.type) {
    case MYSQL_TYPE_TINY:
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_LONGLONG: return (field.flags & UNSIGNED_FLAG) ? MySqlRead::Unsigned : MySqlRead::Integer;
    case MYSQL_TYPE_BIT: return field.length == 1 ? MySqlRead::Bit1 : MySqlRead::Bytes;
    case MYSQL_TYPE_YEAR:
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE:
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL: return MySqlRead::ServerText;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
    case MYSQL_TYPE_TIME:
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_TIMESTAMP: return MySqlRead::DateText;
    default: return type == ftBlob ? MySqlRead::Bytes : MySqlRead::Text;
  }
}

}  // namespace

MariaDbColumnType DescribeMariaDbColumn(const MYSQL_FIELD& field) {
  const OdbcLook look = LookOf(field);
  MariaDbColumnType column;
  column.description.name = QString::fromUtf8(field.name, static_cast<qsizetype>(field.name_length));
  const bool isUnsigned = (field.flags & UNSIGNED_FLAG) || field.type == MYSQL_TYPE_YEAR;
  column.description.type = OdbcFieldType(look.sqlType, look.size, QString(), isUnsigned,
                                          (field.flags & AUTO_INCREMENT_FLAG) != 0, column.description.size);
  column.read = ReadOf(field, column.description.type);
  return column;
}
