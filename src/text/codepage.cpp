#include "text/codepage.h"

#include "database/failure.h"

#include <cstring>
#include <atomic>
#include <memory>
#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

namespace {

// "cp950" would be IBM's table in ICU; this is the Windows one.
constexpr const char* kBig5 = "windows-950-2000";

// ICU's own stop callback lets characters such as U+200B or U+202E vanish
// without a word; here every character the table lacks stops the conversion,
// so that it is replaced and counted like any other.
void U_CALLCONV StopOnEveryUnmappable(const void*, UConverterFromUnicodeArgs*, const UChar*, int32_t, UChar32,
                                      UConverterCallbackReason, UErrorCode*) {}

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter OpenConverter() {
  UErrorCode err = U_ZERO_ERROR;
  Converter c(ucnv_open(kBig5, &err));
  if (U_FAILURE(err)) throw Failure(QStringLiteral("無法開啟Big5字碼轉換: %1").arg(QString::fromLatin1(u_errorName(err))));
  ucnv_setFromUCallBack(c.get(), StopOnEveryUnmappable, nullptr, nullptr, nullptr, &err);
  return c;
}

UConverter* SharedConverter() {
  // One per thread: a file writer converts on a thread of its own.
  thread_local Converter converter = OpenConverter();
  ucnv_reset(converter.get());
  return converter.get();
}

// Bytes one code point takes; 1 for one the code page cannot hold ("?").
qsizetype CodePointLength(UConverter* c, const UChar* at, int units) {
  char buffer[8];
  UErrorCode err = U_ZERO_ERROR;
  ucnv_reset(c);
  const int32_t n = ucnv_fromUChars(c, buffer, sizeof buffer, at, units, &err);
  return U_FAILURE(err) ? 1 : n;
}

}  // namespace

QByteArray ToBig5(const QString& text, qsizetype* unconvertible) {
  if (unconvertible) *unconvertible = 0;
  // Plain ASCII is the same in Big5.
  bool ascii = true;
  for (QChar c : text) {
    if (c.unicode() >= 0x80) {
      ascii = false;
      break;
    }
  }
  if (ascii) return text.toLatin1();
  qsizetype bad = 0;
  QByteArray out;
  out.resize(text.size() * 2 + 16);
  UConverter* c = SharedConverter();
  auto source = reinterpret_cast<const UChar*>(text.utf16());
  const UChar* sourceEnd = source + text.size();
  char* target = out.data();
  for (;;) {
    UErrorCode err = U_ZERO_ERROR;
    char* targetEnd = out.data() + out.size();
    ucnv_fromUnicode(c, &target, targetEnd, &source, sourceEnd, nullptr, true, &err);
    if (err == U_BUFFER_OVERFLOW_ERROR) {
      const qsizetype used = target - out.data();
      out.resize(out.size() * 2);
      target = out.data() + used;
    } else if (err == U_INVALID_CHAR_FOUND || err == U_ILLEGAL_CHAR_FOUND) {
      // The offending character has been consumed; write the substitute.
      const qsizetype used = target - out.data();
      if (used + 1 >= out.size()) out.resize(out.size() * 2);
      target = out.data() + used;
      *target++ = '?';
      ++bad;
      ucnv_reset(c);
    } else {
      break;
    }
  }
  out.resize(target - out.data());
  if (unconvertible) *unconvertible = bad;
  return out;
}

QString FromBig5(const QByteArray& bytes) {
  UConverter* c = SharedConverter();
  QString out(bytes.size() + 1, Qt::Uninitialized);
  UErrorCode err = U_ZERO_ERROR;
  const int32_t n = ucnv_toUChars(c, reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                                  bytes.constData(), static_cast<int32_t>(bytes.size()), &err);
  if (U_FAILURE(err)) return QString::fromLatin1(bytes);
  out.resize(n);
  return out;
}

namespace {
// Characters of the Basic Multilingual Plane in Big5, each taken from the
// converter the first time it is met: a lookup per character costs a
// fraction of the converter's own path. An entry packs the bytes and their
// number (0: no Big5 form); kUnknown until looked up.
class Big5Table {
public:
  static constexpr std::uint32_t kUnknown = 0xFFFFFFFF;
  Big5Table() {
    for (auto& e : entries_) e.store(kUnknown, std::memory_order_relaxed);
  }
  // Up to two bytes in the low half, their number above.
  std::uint32_t Entry(char16_t u) {
    std::uint32_t e = entries_[u].load(std::memory_order_relaxed);
    if (e == kUnknown) {
      e = LookUp(u);
      entries_[u].store(e, std::memory_order_relaxed);
    }
    return e;
  }

private:
  static std::uint32_t LookUp(char16_t u) {
    if (u >= 0xD800 && u <= 0xDFFF) return 0;
    const UChar unit = u;
    unsigned char buffer[8];
    UErrorCode err = U_ZERO_ERROR;
    UConverter* c = SharedConverter();
    const int32_t n = ucnv_fromUChars(c, reinterpret_cast<char*>(buffer), sizeof buffer, &unit, 1, &err);
    if (U_FAILURE(err) || n < 1 || n > 2) return 0;
    return static_cast<std::uint32_t>(n) << 16 | buffer[0] | (n == 2 ? buffer[1] << 8 : 0);
  }
  std::atomic<std::uint32_t> entries_[0x10000];
};
}  // namespace

qsizetype AppendBig5Lines(QByteArray& out, QStringView text, bool crLf) {
  static Big5Table table;
  const qsizetype start = out.size();
  out.resize(start + text.size() * 2 + text.count(QLatin1Char('\n')));
  char* p = out.data() + start;
  qsizetype missing = 0;
  char16_t previous = 0;
  const char16_t* units = text.utf16();
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t u = units[i];
    if (u < 0x80) {
      if (crLf && u == '\n' && previous != '\r') *p++ = '\r';
      if (!crLf && u == '\r' && i + 1 < text.size() && units[i + 1] == '\n') continue;
      *p++ = static_cast<char>(u);
    } else if (const std::uint32_t e = table.Entry(u); e == 0) {
      // A character the table lacks, a pair of surrogates as one.
      *p++ = '?';
      ++missing;
      if (QChar::isHighSurrogate(u) && i + 1 < text.size() && QChar::isLowSurrogate(units[i + 1])) ++i;
    } else {
      *p++ = static_cast<char>(e & 0xFF);
      if ((e >> 16) == 2) *p++ = static_cast<char>((e >> 8) & 0xFF);
    }
    previous = u;
  }
  out.resize(p - out.data());
  return missing;
}

qsizetype Big5Length(const QString& text) { return ToBig5(text).size(); }

QString Big5Prefix(const QString& text, qsizetype maxBytes) {
  UConverter* c = SharedConverter();
  auto units = reinterpret_cast<const UChar*>(text.utf16());
  qsizetype bytes = 0;
  qsizetype i = 0;
  while (i < text.size()) {
    const int width = (QChar::isHighSurrogate(units[i]) && i + 1 < text.size()) ? 2 : 1;
    const qsizetype len = units[i] < 0x80 ? 1 : CodePointLength(c, units + i, width);
    if (bytes + len > maxBytes) break;
    bytes += len;
    i += width;
  }
  return text.left(i);
}
