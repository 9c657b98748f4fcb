#pragma once
// The Big5 code page (the Windows table) in which files and spreadsheet labels
// are written and in which every byte limit is counted.
#include <QByteArray>
#include <QString>

// The text in Big5. Characters the code page cannot hold become "?"; their
// number is stored in `unconvertible` when given.
QByteArray ToBig5(const QString& text, qsizetype* unconvertible = nullptr);
QString FromBig5(const QByteArray& bytes);
// The text in Big5 appended to `out`, in one pass: the bytes ToBig5 gives
// for the text with its line breaks as a file has them. With `crLf` every
// line feed is written as CR LF (one after a CR stays as it is); without,
// a CR LF becomes a line feed. Returns the characters Big5 cannot hold.
qsizetype AppendBig5Lines(QByteArray& out, QStringView text, bool crLf = true);
// Bytes the text takes in Big5.
qsizetype Big5Length(const QString& text);
// The longest prefix of the text whose Big5 form fits in maxBytes: a cut
// never splits a two-byte character.
QString Big5Prefix(const QString& text, qsizetype maxBytes);
