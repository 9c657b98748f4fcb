#include "text/line_scan.h"

#include <array>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

constexpr char16_t kFirstWide = 0x1100;

#ifdef __SSE2__
// The lanes of a comparison's result that hold a match (one bit a lane),
// counted by table: without the POPCNT instruction, which the machines
// this is built for may lack, the compiler calls a routine of its library.
constexpr auto kBitsSet = [] {
  std::array<unsigned char, 256> bits{};
  for (int i = 0; i < 256; ++i)
    for (int b = i; b; b >>= 1) bits[static_cast<std::size_t>(i)] += static_cast<unsigned char>(b & 1);
  return bits;
}();

inline int LanesSet(__m128i comparison) {
  return kBitsSet[static_cast<std::size_t>(_mm_movemask_epi8(_mm_packs_epi16(comparison, _mm_setzero_si128())))];
}

// The sum of the eight 16-bit lanes.
inline qsizetype SumOfLanes(__m128i lanes) {
  const __m128i pairs = _mm_madd_epi16(lanes, _mm_set1_epi16(1));
  alignas(16) int sums[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(sums), pairs);
  return static_cast<qsizetype>(sums[0]) + sums[1] + sums[2] + sums[3];
}
#endif

inline void Take(qsizetype cells, qsizetype line, WidestLine& widest) {
  if (cells > widest.cells) {
    widest.cells = cells;
    widest.line = line;
  }
}

}  // namespace

qsizetype CountLineBreaks(QStringView text) {
  const char16_t* p = text.utf16();
  const qsizetype n = text.size();
  qsizetype count = 0, i = 0;
#ifdef __SSE2__
  const __m128i feed = _mm_set1_epi16(u'\n');
  // Each lane counts its own matches (a match compares as -1), and is
  // emptied before it could overflow.
  __m128i lanes = _mm_setzero_si128();
  int steps = 0;
  for (; i + 8 <= n; i += 8) {
    const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    lanes = _mm_sub_epi16(lanes, _mm_cmpeq_epi16(chars, feed));
    if (++steps == 16384) {
      count += SumOfLanes(lanes);
      lanes = _mm_setzero_si128();
      steps = 0;
    }
  }
  count += SumOfLanes(lanes);
#endif
  for (; i < n; ++i) count += p[i] == u'\n';
  return count;
}

void FindWidestLine(QStringView text, qsizetype firstLine, WidestLine& widest) {
  const char16_t* p = text.utf16();
  const qsizetype n = text.size();
  qsizetype line = firstLine, cells = 0, i = 0;
#ifdef __SSE2__
  const __m128i feed = _mm_set1_epi16(u'\n');
  const __m128i belowWide = _mm_set1_epi16(static_cast<short>(kFirstWide - 1));
  for (; i + 8 <= n; i += 8) {
    const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const unsigned feeds = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(chars, feed)));
    if (feeds == 0) {
      // A character from U+1100 on is what is left over U+10FF.
      const __m128i over = _mm_subs_epu16(chars, belowWide);
      cells += 16 - LanesSet(_mm_cmpeq_epi16(over, _mm_setzero_si128()));
      continue;
    }
    for (qsizetype j = i; j < i + 8; ++j) {
      if (p[j] == u'\n') {
        Take(cells, line++, widest);
        cells = 0;
      } else {
        cells += p[j] >= kFirstWide ? 2 : 1;
      }
    }
  }
#endif
  for (; i < n; ++i) {
    if (p[i] == u'\n') {
      Take(cells, line++, widest);
      cells = 0;
    } else {
      cells += p[i] >= kFirstWide ? 2 : 1;
    }
  }
  Take(cells, line, widest);
}
