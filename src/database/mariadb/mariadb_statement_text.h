#pragma once
// What is checked in a statement's text before it reaches a MariaDB or MySQL
// server, read by that server's own rules: "#" and "-- " start comments
// ("--1" is code), comments do not nest, and "/*! ... */" and
// "/*M! ... */" are code the server runs.
#include <QString>
#include <QStringView>

// Empty when the text may run; else why nothing runs: more than one
// statement, or, for a read-only run, a clause that writes a file on the
// server (INTO OUTFILE, INTO DUMPFILE) or locks rows (FOR UPDATE,
// LOCK IN SHARE MODE, FOR SHARE), which a read-only transaction allows.
QString MariaDbStatementRefusal(QStringView sql, bool readOnly);
