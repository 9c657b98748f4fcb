#pragma once
// Values as a delimited CSV field and as SQL literals for a target server.
#include "text/output_options.h"

#include <QString>

// RFC 4180: a value holding the delimiter, a double quote, CR or LF between
// double quotes, inner double quotes doubled; any other value as it is.
void AppendCsvField(QString& out, QStringView value, QChar delimiter);

// A text literal for the target (not AsIs): between single quotes, a quote
// doubled, for MySQL a backslash too. A line break is never written as one:
// MySQL reads \r and \n, the others join the literal's pieces with the
// character's code ('a' || char(10) || 'b'; chr() for PostgreSQL), so that
// no line of the script is part of a literal.
void AppendTargetText(QString& out, QStringView value, LiteralTarget target);
// A blob literal for the target: X'…' (standard SQL, MySQL) or '\x…'
// (PostgreSQL); `hex` holds the hexadecimal digits.
void AppendTargetBlob(QString& out, QStringView hex, LiteralTarget target);
