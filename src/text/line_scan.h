#pragma once
// Scans over a block of lines that the output pane makes for every block a
// run appends: its line breaks, and its widest line. Written with the
// vector unit by hand: the compiler's own loops went a character at a time
// here, and a search per line cost a call per line (together a tenth of an
// insert run's instructions, measured).
#include <QStringView>

// The line feeds in the text.
qsizetype CountLineBreaks(QStringView text);

// A line's width in cells, roughly: a character from U+1100 on counts two
// (the pane then measures the widest line exactly).
struct WidestLine {
  qsizetype cells = 0;
  qsizetype line = 0;
};
// Measures the lines of `text` (joined by LF), the first being line
// `firstLine`; a line wider than `widest` (the first of equal ones) takes
// its place.
void FindWidestLine(QStringView text, qsizetype firstLine, WidestLine& widest);
