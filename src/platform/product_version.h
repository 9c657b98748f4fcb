#pragma once
#include <QString>

// The product version stamped into a program file ("1.0.0.7"); empty for a
// file without the stamp or one that cannot be read.
QString GetProductVersion(const QString& path);
// The name a connection announces to its server: the program's file name
// without extension, the last number of its product version, the user id and
// the user name, blanks collapsed, at most 30 Big5 bytes.
QString MakeApplicationName(const QString& path, const QString& userId, const QString& userName);
