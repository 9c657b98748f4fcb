// Builds the demo database: runs the SQL files in order, then draws a
// picture for every fish of the species table.
// Usage: dbdemos-build OUT.db FILE.sql...
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <sqlite3.h>

namespace {

bool Exec(sqlite3* db, const QByteArray& sql, const char* what) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &error) == SQLITE_OK) return true;
  std::fprintf(stderr, "dbdemos-build: %s: %s\n", what, error ? error : "?");
  sqlite3_free(error);
  return false;
}

// A fish in a sea-blue box; the seed picks its colours and shape.
QByteArray FishPicture(int seed) {
  QImage image(240, 180, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sea(0, 0, 0, 180);
  sea.setColorAt(0, QColor(40, 140, 200));
  sea.setColorAt(1, QColor(10, 40, 90));
  p.fillRect(image.rect(), sea);
  const QColor body = QColor::fromHsv((seed * 53) % 360, 200, 240);
  const QColor fin = body.darker(140);
  const int length = 110 + (seed * 17) % 60;
  const int height = 40 + (seed * 11) % 40;
  const QPointF centre(120, 95);
  QPainterPath tail;
  tail.moveTo(centre.x() + length / 2.0 - 10, centre.y());
  tail.lineTo(centre.x() + length / 2.0 + 30, centre.y() - height / 2.0);
  tail.lineTo(centre.x() + length / 2.0 + 30, centre.y() + height / 2.0);
  tail.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(fin);
  p.drawPath(tail);
  p.setBrush(body);
  p.drawEllipse(centre, length / 2.0, height / 2.0);
  if (seed % 2) {  // stripes
    p.setBrush(QColor(255, 255, 255, 200));
    for (int s = -1; s <= 1; ++s) p.drawRect(QRectF(centre.x() + s * length / 4.0 - 4, centre.y() - height / 2.0 + 4, 8, height - 8));
  }
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(centre.x() - length / 2.0 + 18, centre.y() - 6), 7, 7);
  p.setBrush(Qt::black);
  p.drawEllipse(QPointF(centre.x() - length / 2.0 + 16, centre.y() - 6), 3.5, 3.5);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(220, 240, 255), 2));
  for (int b = 0; b < 4; ++b) p.drawEllipse(QPointF(30 + b * 9, 60 - b * 14), 3 + b, 3 + b);
  p.end();
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return png;
}

bool StorePictures(sqlite3* db, const char* sql, const char* keysSql) {
  sqlite3_stmt* keys = nullptr;
  sqlite3_stmt* update = nullptr;
  if (sqlite3_prepare_v2(db, keysSql, -1, &keys, nullptr) != SQLITE_OK ||
      sqlite3_prepare_v2(db, sql, -1, &update, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "dbdemos-build: pictures: %s\n", sqlite3_errmsg(db));
    return false;
  }
  bool ok = true;
  while (ok && sqlite3_step(keys) == SQLITE_ROW) {
    const int key = sqlite3_column_int(keys, 0);
    const QByteArray png = FishPicture(key);
    sqlite3_bind_blob(update, 1, png.constData(), static_cast<int>(png.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int(update, 2, key);
    ok = sqlite3_step(update) == SQLITE_DONE;
    sqlite3_reset(update);
  }
  sqlite3_finalize(keys);
  sqlite3_finalize(update);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: dbdemos-build OUT.db FILE.sql...\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  const QString temp = out + QStringLiteral(".tmp");
  QFile::remove(temp);
  sqlite3* db = nullptr;
  if (sqlite3_open(temp.toUtf8().constData(), &db) != SQLITE_OK) {
    std::fprintf(stderr, "dbdemos-build: cannot create %s\n", qPrintable(temp));
    return 1;
  }
  bool ok = Exec(db, "begin", "begin");
  for (int i = 2; ok && i < argc; ++i) {
    QFile file(QString::fromLocal8Bit(argv[i]));
    ok = file.open(QIODevice::ReadOnly) && Exec(db, file.readAll(), argv[i]);
  }
  ok = ok && StorePictures(db, "update species set picture = ? where species_no = ?", "select species_no from species");
  ok = ok && StorePictures(db, "update employee set photo = ? where emp_no = ?", "select emp_no from employee where emp_no in (101, 103)");
  ok = ok && Exec(db, "commit", "commit");
  sqlite3_close(db);
  // Replace the old file only when the new one is whole.
  if (!ok || (QFile::exists(out) && !QFile::remove(out)) || !QFile::rename(temp, out)) {
    QFile::remove(temp);
    return 1;
  }
  return 0;
}
