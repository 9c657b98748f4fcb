#include "text/literals.h"

void AppendCsvField(QString& out, QStringView value, QChar delimiter) {
  bool quote = false;
  for (QChar c : value) {
    if (c == delimiter || c == QLatin1Char('"') || c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
      quote = true;
      break;
    }
  }
  if (!quote) {
    out += value;
    return;
  }
  out += QLatin1Char('"');
  for (QChar c : value) {
    if (c == QLatin1Char('"')) out += QLatin1Char('"');
    out += c;
  }
  out += QLatin1Char('"');
}

void AppendTargetText(QString& out, QStringView value, LiteralTarget target) {
  const bool mysql = target == LiteralTarget::MySql;
  const QLatin1String code(target == LiteralTarget::PostgreSql ? "chr(" : "char(");
  out += QLatin1Char('\'');
  for (QChar c : value) {
    if (c == QLatin1Char('\'')) {
      out += QLatin1String("''");
    } else if (mysql && c == QLatin1Char('\\')) {
      out += QLatin1String("\\\\");
    } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
      if (mysql) {
        out += c == QLatin1Char('\r') ? QLatin1String("\\r") : QLatin1String("\\n");
      } else {
        out += QLatin1String("' || ") + code + (c == QLatin1Char('\r') ? QLatin1String("13") : QLatin1String("10")) +
               QLatin1String(") || '");
      }
    } else {
      out += c;
    }
  }
  out += QLatin1Char('\'');
}

void AppendTargetBlob(QString& out, QStringView hex, LiteralTarget target) {
  out += target == LiteralTarget::PostgreSql ? QLatin1String("'\\x") : QLatin1String("X'");
  out += hex;
  out += QLatin1Char('\'');
}
