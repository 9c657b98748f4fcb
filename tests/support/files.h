#pragma once
// Small file helpers for tests.
#include <QByteArray>
#include <QString>

QByteArray ReadAll(const QString& path);
void WriteAll(const QString& path, const QByteArray& bytes);
// "09 08 06 00" for the given bytes.
QString Hex(const QByteArray& bytes);
// Bytes from "09 08 06 00".
QByteArray FromHex(const char* spaced);

// While it lives, files this process writes cannot grow past `bytes`: a full
// disk, as far as the writer can tell.
class FileSizeLimit {
public:
  explicit FileSizeLimit(long bytes);
  ~FileSizeLimit();

private:
  long previousCurrent_;
  long previousMaximum_;
};
