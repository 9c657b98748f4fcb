#include "database/postgres/pg_types.h"

#include "database/odbc/odbc_backend.h"

#include <sql.h>
#include <sqlext.h>

namespace {

// Type OIDs are fixed in PostgreSQL's catalog.
enum : unsigned {
  kBool = 16, kBytea = 17, kChar = 18, kName = 19, kInt8 = 20, kInt2 = 21, kInt4 = 23, kText = 25, kOid = 26,
  kXid = 28, kXml = 142, kCidr = 650, kFloat4 = 700, kFloat8 = 701, kMoney = 790, kMacaddr = 829, kInet = 869,
  kBpchar = 1042, kVarchar = 1043, kDate = 1082, kTime = 1083, kTimestamp = 1114, kTimestamptz = 1184,
  kInterval = 1186, kNumeric = 1700, kUuid = 2950
};

// The driver's longest VARCHAR: longer character columns are long text.
constexpr int kMaxVarcharSize = 255;
constexpr int kMaxLongVarcharSize = 8190;

struct OdbcLook {
  int sqlType;
  qint64 size;
  const char* typeName;
};

// A character type's declared length: the modifier holds it plus four.
int DeclaredLength(int typmod) { return typmod > 4 ? typmod - 4 : kMaxVarcharSize; }

OdbcLook CharacterLook(int sqlType, int typmod, const char* name) {
  const int length = DeclaredLength(typmod);
  return {length > kMaxVarcharSize ? SQL_LONGVARCHAR : sqlType, length, name};
}

OdbcLook LookOf(unsigned oid, int typmod) {
  switch (oid) {
    case kBool: return {SQL_BIT, 1, "bool"};
    case kBytea: return {SQL_LONGVARBINARY, 0, "bytea"};
    case kChar: return {SQL_CHAR, 1, "char"};
    case kName: return {SQL_VARCHAR, 63, "name"};
    case kInt8: return {SQL_BIGINT, 19, "int8"};
    case kInt2: return {SQL_SMALLINT, 5, "int2"};
    case kInt4:
    case kOid:
    case kXid: return {SQL_INTEGER, 10, "int4"};
    case kText: return {SQL_LONGVARCHAR, kMaxLongVarcharSize, "text"};
    case kXml: return {SQL_LONGVARCHAR, kMaxVarcharSize, "xml"};
    case kFloat4: return {SQL_REAL, 9, "float4"};
    case kFloat8: return {SQL_FLOAT, 17, "float8"};
    case kMoney: return {SQL_FLOAT, 10, "money"};
    case kMacaddr: return {SQL_VARCHAR, 17, "macaddr"};
    case kInet:
    case kCidr: return {SQL_VARCHAR, 50, "inet"};
    case kBpchar: return CharacterLook(SQL_CHAR, typmod, "char");
    case kVarchar: return CharacterLook(SQL_VARCHAR, typmod, "varchar");
    case kDate: return {SQL_TYPE_DATE, 10, "date"};
    case kTime: return {SQL_TYPE_TIME, 8, "time"};
    case kTimestamp:
    case kTimestamptz: return {SQL_TYPE_TIMESTAMP, 26, "timestamp"};
    case kInterval: return {SQL_VARCHAR, 32, "interval"};
    case kNumeric: return {SQL_NUMERIC, 28, "numeric"};
    case kUuid: return {SQL_GUID, 37, "uuid"};
    // Every other type (arrays, json, enums, geometry, time with time zone
    // ...) is text the driver does not know: a VARCHAR.
    default: return {SQL_VARCHAR, typmod > 4 ? typmod - 4 : kMaxVarcharSize, "unknown"};
  }
}

PgRead ReadOf(unsigned oid, TFieldType type) {
  if (oid == kBool) return PgRead::Boolean;
  if (oid == kUuid) return PgRead::UpperText;  // the driver hands a GUID over in capitals
  switch (type) {
    case ftSmallint:
    case ftWord:
    case ftInteger:
    case ftAutoInc: return PgRead::Integer;
    case ftFloat: return PgRead::Float;
    case ftCurrency: return PgRead::Money;
    case ftBlob: return PgRead::Bytes;
    case ftDate:
    case ftTime:
    case ftDateTime: return PgRead::DateText;
    default: return PgRead::Text;
  }
}

}  // namespace

PgColumnType DescribePgColumn(const QString& name, unsigned typeOid, int typmod, bool autoUnique) {
  const OdbcLook look = LookOf(typeOid, typmod);
  PgColumnType column;
  column.description.name = name;
  column.description.type = OdbcFieldType(look.sqlType, look.size, QString::fromLatin1(look.typeName), false,
                                          autoUnique, column.description.size);
  column.read = ReadOf(typeOid, column.description.type);
  return column;
}

bool PgTypeCanBeSerial(unsigned typeOid) { return typeOid == kInt4 || typeOid == kInt8; }
