#include "text/output_options.h"

QString DelimiterProblem(const OutputOptions& options, const QString& delimiter) {
  if (options.lineFormat != LineFormat::Csv) return {};
  if (delimiter.isEmpty()) return QStringLiteral("CSV 格式需要一個欄位分隔字元, 請在「欄位分隔字元」填入一個字元 (例如 , 或 ;)");
  if (delimiter.size() != 1)
    return QStringLiteral("CSV 格式的欄位分隔字元只能是一個字元, 「%1」有 %2 個").arg(delimiter).arg(delimiter.size());
  const QChar c = delimiter.front();
  if (c == QLatin1Char('"') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
    return QStringLiteral("CSV 格式的欄位分隔字元不能是雙引號或換行字元");
  return {};
}
