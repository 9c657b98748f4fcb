#include "platform/product_version.h"

#include "text/codepage.h"
#include "text/text_utils.h"

#include <QFile>
#include <cstring>
#include <elf.h>

namespace {

// Finds the section ".note.q2t.version" of a 64-bit ELF file and reads the
// note's four 16-bit numbers.
QString ReadVersionNote(QFile& file) {
  Elf64_Ehdr header;
  if (file.read(reinterpret_cast<char*>(&header), sizeof header) != sizeof header) return {};
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64) return {};
  if (header.e_shentsize != sizeof(Elf64_Shdr) || header.e_shstrndx >= header.e_shnum) return {};
  std::vector<Elf64_Shdr> sections(header.e_shnum);
  if (!file.seek(static_cast<qint64>(header.e_shoff))) return {};
  const qint64 tableBytes = static_cast<qint64>(sections.size() * sizeof(Elf64_Shdr));
  if (file.read(reinterpret_cast<char*>(sections.data()), tableBytes) != tableBytes) return {};
  const Elf64_Shdr& names = sections[header.e_shstrndx];
  if (!file.seek(static_cast<qint64>(names.sh_offset))) return {};
  const QByteArray nameTable = file.read(static_cast<qint64>(names.sh_size));
  for (const Elf64_Shdr& s : sections) {
    if (s.sh_name >= static_cast<Elf64_Word>(nameTable.size())) continue;
    if (std::strcmp(nameTable.constData() + s.sh_name, ".note.q2t.version") != 0) continue;
    if (!file.seek(static_cast<qint64>(s.sh_offset))) return {};
    const QByteArray note = file.read(static_cast<qint64>(s.sh_size));
    // namesz, descsz, type, "Q2TVER\0\0", four little-endian u16.
    if (note.size() < 28 || std::memcmp(note.constData() + 12, "Q2TVER", 7) != 0) return {};
    quint16 v[4];
    std::memcpy(v, note.constData() + 20, sizeof v);
    return QStringLiteral("%1.%2.%3.%4").arg(v[0]).arg(v[1]).arg(v[2]).arg(v[3]);
  }
  return {};
}

}  // namespace

QString GetProductVersion(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return ReadVersionNote(file);
}

QString MakeApplicationName(const QString& path, const QString& userId, const QString& userName) {
  QString t = GetProductVersion(path) + QLatin1Char(' ') + userId + QLatin1Char(' ') + userName;
  // Keep what follows the last "." (the build number and the user texts).
  const qsizetype lastDot = t.lastIndexOf(QLatin1Char('.'));
  if (lastDot >= 0) t = t.mid(lastDot + 1);
  const qsizetype firstDot = path.indexOf(QLatin1Char('.'));
  t = (firstDot >= 0 ? path.left(firstDot) : path) + QLatin1Char(' ') + t;
  // Directories go: keep what follows the last separator of either kind.
  const qsizetype lastSeparator = qMax(t.lastIndexOf(QLatin1Char('\\')), t.lastIndexOf(QLatin1Char('/')));
  if (lastSeparator >= 0) t = t.mid(lastSeparator + 1);
  t = ReplaceAll(t, QStringLiteral("  "), QStringLiteral(" "));
  return Big5Prefix(t, 30);
}
