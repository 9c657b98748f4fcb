#pragma once
// How the lines are written for the tool that reads them next: CSV quoting,
// the text for null, the file's encoding and line breaks, the rows of an
// insert script's batches and the literals of its target server. The
// defaults are the window's own rules; the options dialog changes them for
// the rest of the program's life.
#include <QString>

enum class LineFormat { AsIs, Csv };
enum class FileEncoding { Big5, Utf8, Utf8WithBom };
enum class LiteralTarget { AsIs, StandardSql, MySql, PostgreSql };

struct OutputOptions {
  LineFormat lineFormat = LineFormat::AsIs;
  QString nullText = QStringLiteral("null");  // delimited lines; insert mode always writes SQL null
  FileEncoding encoding = FileEncoding::Big5;
  bool crLf = true;
  int batchRows = 3000;  // a "go" line after every batchRows rows; 0: only the last one
  LiteralTarget target = LiteralTarget::AsIs;
  QString useDatabase = QStringLiteral("qledger");  // empty: no "use" line
};

// Why lines cannot be written with this delimiter under these options
// (CSV needs one character that is no quote mark or line break); empty when
// they can.
QString DelimiterProblem(const OutputOptions& options, const QString& delimiter);
