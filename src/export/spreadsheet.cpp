#include "export/spreadsheet.h"

#include "xls/exact_number.h"

#include "database/failure.h"
#include "text/field_text.h"
#include "text/text_utils.h"
#include "database/query.h"

#include <QDateTime>

QString ColumnLetters(int n) {
  QString letters;
  while (n > 0) {
    const int digit = (n - 1) % 26;
    letters.prepend(QChar(u'A' + digit));
    n = (n - 1) / 26;
  }
  return letters;
}

bool IsNumericField(const TField* field) {
  switch (field->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftBCD: return true;
    default: return false;
  }
}

namespace {
qint64 Count(const AutomationValue::Object& range, const char* part) {
  return range->Get(QLatin1String(part)).ToObject()->Get(QStringLiteral("count")).ToInteger();
}

// Inserts a sheet in front of the first one; it becomes the active sheet.
AutomationValue::Object AddSheetInFront(const AutomationValue::Object& workbook) {
  const AutomationValue first = workbook->Get(QStringLiteral("sheets"), {1});
  workbook->Get(QStringLiteral("sheets")).ToObject()->Call(QStringLiteral("add"), {},
                                                           {{QStringLiteral("count"), 1}, {QStringLiteral("before"), first}});
  return workbook->Get(QStringLiteral("ActiveSheet")).ToObject();
}
}  // namespace

void PrepareDataSheet(const AutomationValue::Object& workbook, AutomationValue::Object& sheet) {
  const auto used = sheet->Get(QStringLiteral("UsedRange")).ToObject();
  bool inUse = Count(used, "columns") > 1;
  if (!inUse) inUse = Count(sheet->Get(QStringLiteral("UsedRange")).ToObject(), "rows") > 1;
  if (inUse) sheet = AddSheetInFront(workbook);
}

void SetSheetName(const AutomationValue::Object& sheet, QString name) {
  for (int attempt = 1; sheet->Get(QStringLiteral("name")).ToText() != name; ++attempt) {
    try {
      sheet->Set(QStringLiteral("name"), name);
    } catch (const Failure&) {
      if (attempt >= kSheetNameAttempts) throw;
      name = TimeText(QDateTime::currentDateTime()) + name;
      CleanSheetName(name);
    }
  }
}

void PutTitleRow(const AutomationValue::Object& sheet, int row, const TQuery& dataSet) {
  for (int i = 1; i <= dataSet.FieldCount(); ++i)
    sheet->Set(QStringLiteral("cells"), dataSet.Fields(i - 1)->FieldName(), {row, i});
}

bool PutFieldCell(const AutomationValue::Object& sheet, int row, int col, const TField* field) {
  if (field->IsNull()) {
    try {
      sheet->Set(QStringLiteral("cells"), QString(), {row, col});
    } catch (const Failure&) {
    }
    return true;
  }
  const QString text = FieldToText(field);
  try {
    // The application reads a number cell's text as a double: a number it
    // would change (a 64-bit integer past 2^53, a decimal of more digits)
    // stays text, as every text does.
    if (!IsNumericField(field) || !DoubleHoldsExactly(field->DataType(), field->Value(), text))
      sheet->Get(QStringLiteral("cells"), {row, col}).ToObject()->Set(QStringLiteral("NumberFormat"), "@");
    sheet->Set(QStringLiteral("cells"), text, {row, col});
  } catch (const Failure&) {
    // The cell stays as far as it got; the export goes on.
  }
  return text.size() <= kCellTextLimit;
}

void StartNextSheet(bool last, qint64 count, qint64& firstRecord, const AutomationValue::Object& workbook,
                    AutomationValue::Object& sheet) {
  if (count > 0)
    SetSheetName(sheet, sheet->Get(QStringLiteral("name")).ToText() + QStringLiteral(" - ") + QString::number(count));
  if (last) return;
  sheet = AddSheetInFront(workbook);
  firstRecord = count + 1;
  sheet->Set(QStringLiteral("name"), QStringLiteral("Rcd#") + QString::number(firstRecord));
}

void SetUsedRangeWrap(const AutomationValue::Object& sheet) {
  try {
    const qint64 columns = Count(sheet->Get(QStringLiteral("UsedRange")).ToObject(), "columns");
    const qint64 rows = Count(sheet->Get(QStringLiteral("UsedRange")).ToObject(), "rows");
    if (columns < 1 || rows < 1) return;
    const QString address =
        QStringLiteral("A1:") + ColumnLetters(static_cast<int>(columns)) + QString::number(rows);
    sheet->Get(QStringLiteral("Range"), {address}).ToObject()->Set(QStringLiteral("WrapText"), false);
  } catch (const Failure&) {
  }
}
