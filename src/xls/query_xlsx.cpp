#include "xls/query_xlsx.h"

#include "database/failure.h"
#include "database/query.h"
#include "database/value_text.h"
#include "text/field_text.h"
#include "text/row_text.h"
#include "xls/exact_number.h"

#include <QFile>
#include <cmath>
#include <memory>
#include <xlsxwriter.h>

namespace {

// A cell holds at most this many characters.
constexpr qsizetype kCellChars = 32767;

QString LibraryText(lxw_error error) { return QString::fromUtf8(lxw_strerror(error)); }

class Workbook {
public:
  Workbook(const QString& fileName, const QString& temporaryDirectory) : fileName_(fileName) {
    tmpdir_ = QFile::encodeName(temporaryDirectory);
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = tmpdir_.isEmpty() ? nullptr : tmpdir_.data();
    options.use_zip64 = LXW_TRUE;
    book_ = workbook_new_opt(QFile::encodeName(fileName).constData(), &options);
    if (!book_) throw Failure(QStringLiteral("無法產生檔案 %1").arg(fileName));
    date_ = Format("yyyy/mm/dd");
    dateTime_ = Format("yyyy/mm/dd hh:mm:ss");
    time_ = Format("hh:mm:ss");
  }
  ~Workbook() {
    if (book_) workbook_close(book_);  // a failed or stopped save: the caller drops the file
  }
  lxw_worksheet* AddSheet(qint64 firstRecord) {
    const QByteArray name = "Rcd#" + QByteArray::number(firstRecord);
    lxw_worksheet* sheet = workbook_add_worksheet(book_, name.constData());
    if (!sheet) throw Failure(QStringLiteral("無法在檔案 %1 加入工作表").arg(fileName_));
    return sheet;
  }
  void Close() {
    const lxw_error error = workbook_close(book_);
    book_ = nullptr;
    if (error != LXW_NO_ERROR) throw FileFailure(kStreamWriteError, fileName_, LibraryText(error));
  }
  lxw_format* date_;
  lxw_format* dateTime_;
  lxw_format* time_;

private:
  lxw_format* Format(const char* numberFormat) {
    lxw_format* format = workbook_add_format(book_);
    format_set_num_format(format, numberFormat);
    return format;
  }
  QString fileName_;
  QByteArray tmpdir_;
  lxw_workbook* book_ = nullptr;
};

class SheetWriter {
public:
  SheetWriter(Workbook& book, XlsxSaveResult& result, const QString& fileName)
      : book_(book), result_(result), fileName_(fileName) {}
  lxw_worksheet* sheet = nullptr;

  void Text(lxw_row_t row, lxw_col_t col, const QString& text) {
    QString kept = text;
    if (kept.size() > kCellChars) {
      kept.truncate(kCellChars);
      if (kept.back().isHighSurrogate()) kept.chop(1);
      ++result_.cutValues;
    }
    Check(worksheet_write_string(sheet, row, col, kept.toUtf8().constData(), nullptr));
  }
  void Number(lxw_row_t row, lxw_col_t col, double value, lxw_format* format = nullptr) {
    Check(worksheet_write_number(sheet, row, col, value, format));
  }
  void Field(lxw_row_t row, lxw_col_t col, const TField* field);

private:
  void Check(lxw_error error) {
    if (error != LXW_NO_ERROR) throw FileFailure(kStreamWriteError, fileName_, LibraryText(error));
  }
  bool DateTime(lxw_row_t row, lxw_col_t col, TFieldType type, const CellValue& value);
  Workbook& book_;
  XlsxSaveResult& result_;
  QString fileName_;
};

// Dates from 1900 on are the workbook's dates; others keep their text.
bool SheetWriter::DateTime(lxw_row_t row, lxw_col_t col, TFieldType type, const CellValue& value) {
  DateTimeParts t;
  if (!CellToDateTimeParts(value, t)) return false;
  const double seconds = t.hour * 3600.0 + t.minute * 60.0 + t.second + t.msec / 1000.0;
  if (type == ftTime) {
    Number(row, col, seconds / 86400.0, book_.time_);
    return true;
  }
  if (t.year < 1900 || t.year > 9999) return false;
  lxw_datetime when{t.year, t.month, t.day, t.hour, t.minute, t.second + t.msec / 1000.0};
  const bool atMidnight = seconds == 0;
  Check(worksheet_write_datetime(sheet, row, col, &when,
                                 type == ftDate || atMidnight ? book_.date_ : book_.dateTime_));
  return true;
}

void SheetWriter::Field(lxw_row_t row, lxw_col_t col, const TField* field) {
  const CellValue v = field->Value();
  if (v.isNull()) return;  // an empty cell
  const TFieldType type = field->DataType();
  switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftBoolean: {
      const QString text = FieldToText(field);
      // A number column may hold any text (SQLite lets it): that stays text.
      if (!IsNumericLiteral(text)) break;
      if (!DoubleHoldsExactly(type, v, text)) {
        ++result_.numbersAsText;
        break;
      }
      Number(row, col, v.kind == CellKind::Float ? v.real : text.toDouble());
      return;
    }
    case ftDate:
    case ftTime:
    case ftDateTime:
      if (DateTime(row, col, type, v)) return;
      break;
    default: break;
  }
  Text(row, col, FieldToText(field));
}

}  // namespace

XlsxSaveResult WriteQueryXlsx(TQuery& query, const QString& fileName, const XlsxSaveOptions& options,
                              const std::function<bool(qint64 records)>& keepGoing) {
  XlsxSaveResult result;
  Workbook book(fileName, options.temporaryDirectory);
  SheetWriter out(book, result, fileName);
  const int columns = query.FieldCount();
  if (columns > 16384) throw Failure(QStringLiteral("查詢結果有 %1 個欄位, 一個工作表最多 16384 欄, 沒有寫入檔案 %2").arg(columns).arg(fileName));
  lxw_row_t row = 0;
  const auto startSheet = [&] {
    out.sheet = book.AddSheet(result.records + 1);
    ++result.sheets;
    out.Text(0, 0, options.statement);
    for (int c = 0; c < columns; ++c) out.Text(1, static_cast<lxw_col_t>(c), query.Fields(c)->FieldName());
    row = 2;
  };
  startSheet();
  for (query.First(); !query.Eof(); query.Next()) {
    if ((result.records & 1023) == 0 && !keepGoing(result.records)) {
      result.stopped = true;
      return result;
    }
    if (row - 2 == options.recordsPerSheet) startSheet();
    for (int c = 0; c < columns; ++c) out.Field(row, static_cast<lxw_col_t>(c), query.Fields(c));
    ++row;
    ++result.records;
  }
  keepGoing(result.records);
  book.Close();
  return result;
}
