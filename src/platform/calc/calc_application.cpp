#include "platform/calc/calc_application.h"

#include "database/failure.h"
#include "platform/calc/office_process.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/Locale.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/sheet/XUsedAreaCursor.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>
#include <cstdio>
#include <map>

using namespace com::sun::star;
using uno::Reference;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;

namespace {

QString Q(const rtl::OUString& s) { return QString::fromUtf16(reinterpret_cast<const char16_t*>(s.getStr()), s.getLength()); }
rtl::OUString U(const QString& s) { return rtl::OUString(reinterpret_cast<const sal_Unicode*>(s.utf16()), s.size()); }

// Every UNO failure reaches the caller as a Failure with the office's text.
template <class F>
auto Uno(F&& f) -> decltype(f()) {
  try {
    return f();
  } catch (const uno::Exception& e) {
    throw Failure(QStringLiteral("試算表程式錯誤: ") + Q(e.Message));
  }
}

beans::PropertyValue Property(const char* name, const uno::Any& value) {
  beans::PropertyValue p;
  p.Name = rtl::OUString::createFromAscii(name);
  p.Value = value;
  return p;
}

Failure Unknown(const QString& name) { return Failure(QStringLiteral("物件不支援此屬性或方法: ") + name); }

// One buffered cell: what the export set, written to Calc in blocks.
struct BufferedCell {
  enum Kind : unsigned char { Unset, Empty, Text, Number } kind = Unset;
  bool textFormat = false;
  QString text;
  double number = 0;
};

struct BufferedRow {
  int row = 0;  // 1-based
  std::vector<BufferedCell> cells;  // index = column - 1
};

class Workbook;

// The cells a sheet has been given but Calc has not yet received.
struct SheetBuffer {
  std::vector<BufferedRow> rows;
  std::size_t cellCount = 0;
  BufferedCell& At(int row, int col) {
    if (rows.empty() || rows.back().row < row) {
      rows.push_back({row, {}});  // the usual case: rows arrive in order
    } else if (rows.back().row != row) {
      auto found = std::find_if(rows.begin(), rows.end(), [row](const BufferedRow& r) { return r.row == row; });
      if (found == rows.end()) {
        rows.push_back({row, {}});
        found = rows.end() - 1;
      }
      if (found != rows.end() - 1) std::rotate(found, found + 1, rows.end());
    }
    auto& cells = rows.back().cells;
    if (static_cast<int>(cells.size()) < col) cells.resize(static_cast<std::size_t>(col));
    ++cellCount;
    return cells[static_cast<std::size_t>(col - 1)];
  }
};

class Office {
public:
  OfficeProcess process;
  std::vector<std::shared_ptr<Workbook>> workbooks;
};

class Workbook : public AutomationObject, public std::enable_shared_from_this<Workbook> {
public:
  Workbook(std::shared_ptr<Office> office, Reference<lang::XComponent> document)
      : office_(std::move(office)), document_(std::move(document)) {
    Uno([&] {
      Reference<sheet::XSpreadsheetDocument> spreadsheet(document_, UNO_QUERY_THROW);
      sheets_.set(spreadsheet->getSheets(), UNO_QUERY_THROW);
      Reference<frame::XModel> model(document_, UNO_QUERY_THROW);
      view_.set(model->getCurrentController(), UNO_QUERY);
      active_ = view_.is() ? view_->getActiveSheet() : Sheet(0);
      Reference<util::XNumberFormatsSupplier> supplier(document_, UNO_QUERY_THROW);
      Reference<util::XNumberFormats> formats = supplier->getNumberFormats();
      textFormat_ = formats->queryKey("@", lang::Locale(), false);
      if (textFormat_ < 0) textFormat_ = formats->addNew("@", lang::Locale());
      return 0;
    });
  }

  Reference<sheet::XSpreadsheet> Sheet(int index) const {
    return Uno([&] {
      Reference<container::XIndexAccess> all(sheets_, UNO_QUERY_THROW);
      if (index < 0 || index >= all->getCount()) throw Failure(QStringLiteral("下標超出範圍"));
      return Reference<sheet::XSpreadsheet>(all->getByIndex(index), UNO_QUERY_THROW);
    });
  }
  int SheetCount() const {
    return Uno([&] { return static_cast<int>(Reference<container::XIndexAccess>(sheets_, UNO_QUERY_THROW)->getCount()); });
  }
  int IndexOf(const Reference<sheet::XSpreadsheet>& sheet) const {
    for (int i = 0; i < SheetCount(); ++i)
      if (Sheet(i) == sheet) return i;
    return -1;
  }
  QStringList SheetNames() const {
    QStringList names;
    for (int i = 0; i < SheetCount(); ++i)
      names << Uno([&] { return Q(Reference<container::XNamed>(Sheet(i), UNO_QUERY_THROW)->getName()); });
    return names;
  }

  SheetBuffer& BufferOf(const Reference<sheet::XSpreadsheet>& sheet) {
    keep_.try_emplace(sheet.get(), sheet);  // every cell passes here: no copy once known
    return buffers_[sheet.get()];
  }
  // Before a cell of `row`: a large buffer goes to Calc when a new row
  // starts, so that blocks hold whole rows.
  void BeforeCell(const Reference<sheet::XSpreadsheet>& sheet, int row) {
    SheetBuffer& buffer = BufferOf(sheet);
    if (buffer.cellCount >= 100000 && !buffer.rows.empty() && buffer.rows.back().row != row) Flush(sheet);
  }
  void Flush(const Reference<sheet::XSpreadsheet>& sheet);
  void FlushAll() {
    for (auto& [raw, sheet] : keep_) Flush(sheet);
  }
  void Activate(const Reference<sheet::XSpreadsheet>& sheet) {
    active_ = sheet;
    Uno([&] {
      if (view_.is()) view_->setActiveSheet(sheet);
      return 0;
    });
  }
  void Close() {
    try {
      Reference<util::XCloseable> closeable(document_, UNO_QUERY);
      if (closeable.is()) closeable->close(true);
    } catch (const uno::Exception&) {
    }
  }

  AutomationValue Get(const QString& name, const AutomationArgs& args) override;
  void Set(const QString& name, const AutomationValue&, const AutomationArgs&) override { throw Unknown(name); }
  AutomationValue Call(const QString& name, const AutomationArgs& args, const NamedAutomationArgs& named) override;

  Reference<sheet::XSpreadsheets> sheets_;

private:
  std::shared_ptr<Office> office_;
  Reference<lang::XComponent> document_;
  Reference<sheet::XSpreadsheetView> view_;
  Reference<sheet::XSpreadsheet> active_;
  sal_Int32 textFormat_ = 0;
  std::map<void*, SheetBuffer> buffers_;
  std::map<void*, Reference<sheet::XSpreadsheet>> keep_;
};

// A count of columns or rows, answering "count".
class Count : public AutomationObject {
public:
  explicit Count(qint64 n) : n_(n) {}
  AutomationValue Get(const QString& name, const AutomationArgs&) override {
    if (name.compare(QLatin1String("count"), Qt::CaseInsensitive) == 0) return n_;
    throw Unknown(name);
  }
  void Set(const QString& name, const AutomationValue&, const AutomationArgs&) override { throw Unknown(name); }
  AutomationValue Call(const QString& name, const AutomationArgs&, const NamedAutomationArgs&) override { throw Unknown(name); }

private:
  qint64 n_;
};

class CellRange : public AutomationObject {
public:
  CellRange(Reference<table::XCellRange> range) : range_(std::move(range)) {
    Uno([&] {
      const table::CellRangeAddress a = Reference<sheet::XCellRangeAddressable>(range_, UNO_QUERY_THROW)->getRangeAddress();
      columns_ = a.EndColumn - a.StartColumn + 1;
      rows_ = a.EndRow - a.StartRow + 1;
      return 0;
    });
  }
  CellRange(Reference<table::XCellRange> range, qint64 columns, qint64 rows)
      : range_(std::move(range)), columns_(columns), rows_(rows) {}
  AutomationValue Get(const QString& name, const AutomationArgs&) override {
    if (name.compare(QLatin1String("columns"), Qt::CaseInsensitive) == 0)
      return AutomationValue::Object(std::make_shared<Count>(columns_));
    if (name.compare(QLatin1String("rows"), Qt::CaseInsensitive) == 0)
      return AutomationValue::Object(std::make_shared<Count>(rows_));
    throw Unknown(name);
  }
  void Set(const QString& name, const AutomationValue& value, const AutomationArgs&) override {
    if (name.compare(QLatin1String("WrapText"), Qt::CaseInsensitive) != 0) throw Unknown(name);
    Uno([&] {
      Reference<beans::XPropertySet>(range_, UNO_QUERY_THROW)->setPropertyValue("IsTextWrapped", uno::Any(value.ToBool()));
      return 0;
    });
  }
  AutomationValue Call(const QString& name, const AutomationArgs&, const NamedAutomationArgs&) override { throw Unknown(name); }

private:
  Reference<table::XCellRange> range_;
  qint64 columns_ = 0, rows_ = 0;
};

class Worksheet : public AutomationObject {
public:
  Worksheet(std::shared_ptr<Workbook> book, Reference<sheet::XSpreadsheet> sheet)
      : book_(std::move(book)), sheet_(std::move(sheet)) {}

  // Asked of the office once per sheet object: every cell passes here.
  int MaxColumns() const {
    if (maxColumns_ == 0)
      maxColumns_ = Uno([&] {
        return static_cast<int>(
            Reference<table::XColumnRowRange>(sheet_, UNO_QUERY_THROW)->getColumns()->getCount());
      });
    return maxColumns_;
  }
  void CheckCell(const AutomationArgs& args, int& row, int& col) const {
    if (args.size() < 2) throw Failure(QStringLiteral("cells 需要列與欄"));
    row = static_cast<int>(args[0].ToInteger());
    col = static_cast<int>(args[1].ToInteger());
    const int maxColumns = MaxColumns();
    if (row < 1 || row > 1048576 || col < 1 || col > maxColumns)
      throw Failure(QStringLiteral("儲存格 (%1, %2) 超出試算表範圍 (最多 %3 欄)").arg(row).arg(col).arg(maxColumns));
  }

  AutomationValue Get(const QString& name, const AutomationArgs& args) override;
  void Set(const QString& name, const AutomationValue& value, const AutomationArgs& args) override;
  AutomationValue Call(const QString& name, const AutomationArgs&, const NamedAutomationArgs&) override { throw Unknown(name); }

  const Reference<sheet::XSpreadsheet>& Sheet() const { return sheet_; }

private:
  std::shared_ptr<Workbook> book_;
  Reference<sheet::XSpreadsheet> sheet_;
  mutable int maxColumns_ = 0;
};

// One cell looked up by cells(row, col): its format is buffered with it.
class Cell : public AutomationObject {
public:
  Cell(std::shared_ptr<Workbook> book, Reference<sheet::XSpreadsheet> sheet, int row, int col)
      : book_(std::move(book)), sheet_(std::move(sheet)), row_(row), col_(col) {}
  AutomationValue Get(const QString& name, const AutomationArgs&) override { throw Unknown(name); }
  void Set(const QString& name, const AutomationValue& value, const AutomationArgs&) override {
    if (name.compare(QLatin1String("NumberFormat"), Qt::CaseInsensitive) != 0) throw Unknown(name);
    if (value.ToText() != QLatin1String("@")) throw Failure(QStringLiteral("只支援文字格式 \"@\""));
    book_->BeforeCell(sheet_, row_);
    BufferedCell& cell = book_->BufferOf(sheet_).At(row_, col_);
    cell.textFormat = true;
  }
  AutomationValue Call(const QString& name, const AutomationArgs&, const NamedAutomationArgs&) override { throw Unknown(name); }

private:
  std::shared_ptr<Workbook> book_;
  Reference<sheet::XSpreadsheet> sheet_;
  int row_, col_;
};

// Calc keeps silent about names it refuses; a spreadsheet's rules are checked here.
void CheckSheetName(const QString& name, const QStringList& others) {
  static const QRegularExpression forbidden(QStringLiteral("[:\\\\/?*\\[\\]]"));
  QString why;
  if (name.isEmpty()) why = QStringLiteral("名稱是空的");
  else if (name.size() > 31) why = QStringLiteral("名稱超過31個字元");
  else if (name.contains(forbidden)) why = QStringLiteral("名稱含有 : \\ / ? * [ ]");
  else if (others.contains(name, Qt::CaseInsensitive)) why = QStringLiteral("名稱已經存在");
  if (!why.isEmpty()) throw Failure(QStringLiteral("工作表名稱不正確: %1 (%2)").arg(name, why));
}

AutomationValue Worksheet::Get(const QString& name, const AutomationArgs& args) {
  if (name.compare(QLatin1String("name"), Qt::CaseInsensitive) == 0)
    return Uno([&] { return Q(Reference<container::XNamed>(sheet_, UNO_QUERY_THROW)->getName()); });
  if (name.compare(QLatin1String("cells"), Qt::CaseInsensitive) == 0) {
    int row = 0, col = 0;
    CheckCell(args, row, col);
    return AutomationValue::Object(std::make_shared<Cell>(book_, sheet_, row, col));
  }
  if (name.compare(QLatin1String("UsedRange"), Qt::CaseInsensitive) == 0) {
    book_->Flush(sheet_);
    return Uno([&] {
      Reference<sheet::XSheetCellCursor> cursor = sheet_->createCursor();
      Reference<sheet::XUsedAreaCursor> used(cursor, UNO_QUERY_THROW);
      used->gotoStartOfUsedArea(false);
      used->gotoEndOfUsedArea(true);
      return AutomationValue(AutomationValue::Object(std::make_shared<CellRange>(Reference<table::XCellRange>(cursor, UNO_QUERY_THROW))));
    });
  }
  if (name.compare(QLatin1String("Range"), Qt::CaseInsensitive) == 0) {
    book_->Flush(sheet_);
    const QString address = args.empty() ? QString() : args[0].ToText();
    return Uno([&] {
      return AutomationValue(AutomationValue::Object(
          std::make_shared<CellRange>(sheet_->getCellRangeByName(U(address)))));
    });
  }
  throw Unknown(name);
}

void Worksheet::Set(const QString& name, const AutomationValue& value, const AutomationArgs& args) {
  if (name.compare(QLatin1String("name"), Qt::CaseInsensitive) == 0) {
    const QString wanted = value.ToText();
    QStringList others = book_->SheetNames();
    const int self = book_->IndexOf(sheet_);
    if (self >= 0) others.removeAt(self);
    CheckSheetName(wanted, others);
    Uno([&] {
      Reference<container::XNamed> named(sheet_, UNO_QUERY_THROW);
      named->setName(U(wanted));
      if (Q(named->getName()) != wanted) throw Failure(QStringLiteral("工作表名稱不正確: ") + wanted);
      return 0;
    });
    return;
  }
  if (name.compare(QLatin1String("cells"), Qt::CaseInsensitive) == 0) {
    int row = 0, col = 0;
    CheckCell(args, row, col);
    book_->BeforeCell(sheet_, row);
    BufferedCell& cell = book_->BufferOf(sheet_).At(row, col);
    if (value.IsNull()) {
      cell.kind = BufferedCell::Empty;
    } else if (value.IsObject()) {
      throw Failure(QStringLiteral("儲存格不能放物件"));
    } else {
      cell.text = value.ToText();
      cell.kind = cell.text.isEmpty() ? BufferedCell::Empty : BufferedCell::Text;
    }
    return;
  }
  throw Unknown(name);
}

// Text a spreadsheet would read as a number (the cell has no text format).
bool AsNumber(const QString& text, double& number) {
  bool ok = false;
  number = text.trimmed().toDouble(&ok);
  return ok && !text.trimmed().isEmpty();
}

void Workbook::Flush(const Reference<sheet::XSpreadsheet>& sheet) {
  auto found = buffers_.find(sheet.get());
  if (found == buffers_.end() || found->second.rows.empty()) return;
  SheetBuffer buffer = std::move(found->second);
  found->second = SheetBuffer{};
  std::sort(buffer.rows.begin(), buffer.rows.end(), [](const BufferedRow& a, const BufferedRow& b) { return a.row < b.row; });
  Uno([&] {
    std::size_t start = 0;
    while (start < buffer.rows.size()) {
      // A block: consecutive rows, every cell from column 1 to the widest set.
      auto complete = [](const BufferedRow& row) {
        return std::none_of(row.cells.begin(), row.cells.end(),
                            [](const BufferedCell& c) { return c.kind == BufferedCell::Unset; });
      };
      std::size_t end = start + 1;
      // A row with cells never set stands alone (its cells go one by one).
      while (complete(buffer.rows[start]) && end < buffer.rows.size() &&
             buffer.rows[end].row == buffer.rows[end - 1].row + 1 &&
             buffer.rows[end].cells.size() == buffer.rows[start].cells.size() && complete(buffer.rows[end]))
        ++end;
      const int width = static_cast<int>(buffer.rows[start].cells.size());
      const int firstRow = buffer.rows[start].row;
      const int height = static_cast<int>(end - start);
      uno::Sequence<uno::Sequence<uno::Any>> data(height);
      auto rows = data.getArray();
      std::vector<std::pair<int, int>> unset;
      for (int r = 0; r < height; ++r) {
        const BufferedRow& row = buffer.rows[start + static_cast<std::size_t>(r)];
        rows[r].realloc(width);
        auto values = rows[r].getArray();
        for (int c = 0; c < width; ++c) {
          const BufferedCell& cell = row.cells[static_cast<std::size_t>(c)];
          double number = 0;
          if (cell.kind == BufferedCell::Unset) unset.emplace_back(row.row, c + 1);
          if (cell.kind == BufferedCell::Text && !cell.textFormat && AsNumber(cell.text, number)) values[c] <<= number;
          else values[c] <<= U(cell.kind == BufferedCell::Text ? cell.text : QString());
        }
      }
      // Text format first, by runs of rows in each column: a few calls per
      // block, and cheap on cells that are still empty (costly on filled ones).
      for (int c = 0; c < width; ++c) {
        int r = 0;
        while (r < height) {
          if (!buffer.rows[start + static_cast<std::size_t>(r)].cells[static_cast<std::size_t>(c)].textFormat) {
            ++r;
            continue;
          }
          int runEnd = r + 1;
          while (runEnd < height &&
                 buffer.rows[start + static_cast<std::size_t>(runEnd)].cells[static_cast<std::size_t>(c)].textFormat)
            ++runEnd;
          Reference<beans::XPropertySet>(
              sheet->getCellRangeByPosition(c, firstRow - 1 + r, c, firstRow - 2 + runEnd), UNO_QUERY_THROW)
              ->setPropertyValue("NumberFormat", uno::Any(textFormat_));
          r = runEnd;
        }
      }
      if (unset.empty()) {
        Reference<sheet::XCellRangeData>(sheet->getCellRangeByPosition(0, firstRow - 1, width - 1, firstRow + height - 2),
                                         UNO_QUERY_THROW)
            ->setDataArray(data);
      } else {
        // Cells the export never set keep what they hold: write the others one by one.
        for (int r = 0; r < height; ++r)
          for (int c = 0; c < width; ++c) {
            const BufferedCell& cell = buffer.rows[start + static_cast<std::size_t>(r)].cells[static_cast<std::size_t>(c)];
            if (cell.kind == BufferedCell::Unset) continue;
            Reference<table::XCell> target = sheet->getCellByPosition(c, firstRow - 1 + r);
            double number = 0;
            if (cell.kind == BufferedCell::Text && !cell.textFormat && AsNumber(cell.text, number)) target->setValue(number);
            else Reference<text::XText>(target, UNO_QUERY_THROW)->setString(U(cell.kind == BufferedCell::Text ? cell.text : QString()));
          }
      }
      start = end;
    }
    return 0;
  });
}

// The workbook's sheet collection: "add" inserts in front of `before`.
class Sheets : public AutomationObject {
public:
  explicit Sheets(std::shared_ptr<Workbook> book) : book_(std::move(book)) {}
  AutomationValue Get(const QString& name, const AutomationArgs&) override {
    if (name.compare(QLatin1String("count"), Qt::CaseInsensitive) == 0) return static_cast<qint64>(book_->SheetCount());
    throw Unknown(name);
  }
  void Set(const QString& name, const AutomationValue&, const AutomationArgs&) override { throw Unknown(name); }
  AutomationValue Call(const QString& name, const AutomationArgs&, const NamedAutomationArgs& named) override {
    if (name.compare(QLatin1String("add"), Qt::CaseInsensitive) != 0) throw Unknown(name);
    int index = 0;
    for (const auto& [key, value] : named) {
      if (key.compare(QLatin1String("before"), Qt::CaseInsensitive) == 0) {
        auto before = std::dynamic_pointer_cast<Worksheet>(value.ToObject());
        if (!before) throw Failure(QStringLiteral("before 不是工作表"));
        index = book_->IndexOf(before->Sheet());
      } else if (key.compare(QLatin1String("count"), Qt::CaseInsensitive) == 0 && value.ToInteger() != 1) {
        throw Failure(QStringLiteral("一次只能新增一個工作表"));
      }
    }
    book_->FlushAll();
    const QStringList names = book_->SheetNames();
    QString fresh;
    for (int n = names.size() + 1; fresh.isEmpty() || names.contains(fresh, Qt::CaseInsensitive); ++n)
      fresh = QStringLiteral("Sheet%1").arg(n);
    Uno([&] {
      book_->sheets_->insertNewByName(U(fresh), static_cast<sal_Int16>(std::max(index, 0)));
      return 0;
    });
    book_->Activate(book_->Sheet(std::max(index, 0)));
    return {};
  }

private:
  std::shared_ptr<Workbook> book_;
};

AutomationValue Workbook::Get(const QString& name, const AutomationArgs& args) {
  if (name.compare(QLatin1String("ActiveSheet"), Qt::CaseInsensitive) == 0)
    return AutomationValue::Object(std::make_shared<Worksheet>(shared_from_this(), active_));
  if (name.compare(QLatin1String("sheets"), Qt::CaseInsensitive) == 0) {
    if (args.empty()) return AutomationValue::Object(std::make_shared<Sheets>(shared_from_this()));
    return AutomationValue::Object(
        std::make_shared<Worksheet>(shared_from_this(), Sheet(static_cast<int>(args[0].ToInteger()) - 1)));
  }
  throw Unknown(name);
}

rtl::OUString FilterFor(const QString& fileName) {
  const QString ext = QFileInfo(fileName).suffix().toLower();
  if (ext == QLatin1String("xlsx")) return "Calc MS Excel 2007 XML";
  if (ext == QLatin1String("ods")) return "calc8";
  return "MS Excel 97";
}

AutomationValue Workbook::Call(const QString& name, const AutomationArgs& args, const NamedAutomationArgs& named) {
  if (name.compare(QLatin1String("SaveAs"), Qt::CaseInsensitive) != 0) throw Unknown(name);
  QString fileName = args.empty() ? QString() : args[0].ToText();
  for (const auto& [key, value] : named)
    if (key.compare(QLatin1String("FileName"), Qt::CaseInsensitive) == 0) fileName = value.ToText();
  if (fileName.isEmpty()) throw Failure(QStringLiteral("SaveAs 需要檔名"));
  FlushAll();
  Uno([&] {
    uno::Sequence<beans::PropertyValue> options(2);
    options.getArray()[0] = Property("FilterName", uno::Any(FilterFor(fileName)));
    options.getArray()[1] = Property("Overwrite", uno::Any(true));
    Reference<frame::XStorable>(document_, UNO_QUERY_THROW)
        ->storeAsURL(U(QUrl::fromLocalFile(QFileInfo(fileName).absoluteFilePath()).toString()), options);
    return 0;
  });
  return {};
}

class Workbooks : public AutomationObject {
public:
  explicit Workbooks(std::shared_ptr<Office> office) : office_(std::move(office)) {}
  AutomationValue Get(const QString& name, const AutomationArgs&) override { throw Unknown(name); }
  void Set(const QString& name, const AutomationValue&, const AutomationArgs&) override { throw Unknown(name); }
  AutomationValue Call(const QString& name, const AutomationArgs& args, const NamedAutomationArgs& named) override {
    uno::Sequence<beans::PropertyValue> options(1);
    options.getArray()[0] = Property("Hidden", uno::Any(true));
    if (name.compare(QLatin1String("add"), Qt::CaseInsensitive) == 0) {
      auto document = Uno([&] {
        return Reference<frame::XComponentLoader>(office_->process.Desktop(), UNO_QUERY_THROW)
            ->loadComponentFromURL("private:factory/scalc", "_blank", 0, options);
      });
      office_->workbooks.push_back(std::make_shared<Workbook>(office_, document));
      return {};
    }
    if (name.compare(QLatin1String("Open"), Qt::CaseInsensitive) == 0) {
      const QString fileName = args.empty() ? QString() : args[0].ToText();
      bool readOnly = false;
      for (const auto& [key, value] : named)
        if (key.compare(QLatin1String("readonly"), Qt::CaseInsensitive) == 0) readOnly = value.ToBool();
      options.realloc(2);
      options.getArray()[1] = Property("ReadOnly", uno::Any(readOnly));
      auto document = Uno([&] {
        return Reference<frame::XComponentLoader>(office_->process.Desktop(), UNO_QUERY_THROW)
            ->loadComponentFromURL(U(QUrl::fromLocalFile(QFileInfo(fileName).absoluteFilePath()).toString()),
                                   "_blank", 0, options);
      });
      if (!document.is()) throw Failure(QStringLiteral("無法開啟活頁簿 %1").arg(fileName));
      auto book = std::make_shared<Workbook>(office_, document);
      office_->workbooks.push_back(book);
      // Opened read-only (locked by someone else) it could never be saved.
      if (!readOnly && Uno([&] { return Reference<frame::XStorable>(document, UNO_QUERY_THROW)->isReadonly(); }))
        throw Failure(QStringLiteral("活頁簿 %1 正被他人使用, 只能唯讀開啟").arg(fileName));
      return AutomationValue::Object(book);
    }
    throw Unknown(name);
  }

private:
  std::shared_ptr<Office> office_;
};

class Application : public AutomationObject {
public:
  Application() : office_(std::make_shared<Office>()) {}
  ~Application() override { Quit(); }

  AutomationValue Get(const QString& name, const AutomationArgs& args) override {
    if (name.compare(QLatin1String("WorkBooks"), Qt::CaseInsensitive) == 0) {
      if (args.empty()) return AutomationValue::Object(std::make_shared<Workbooks>(office_));
      const auto index = static_cast<std::size_t>(args[0].ToInteger() - 1);
      if (index >= office_->workbooks.size()) throw Failure(QStringLiteral("下標超出範圍"));
      return AutomationValue::Object(office_->workbooks[index]);
    }
    throw Unknown(name);
  }
  void Set(const QString& name, const AutomationValue&, const AutomationArgs&) override {
    // The office always runs hidden and never asks: both switches are kept.
    if (name.compare(QLatin1String("Visible"), Qt::CaseInsensitive) == 0 ||
        name.compare(QLatin1String("displayalerts"), Qt::CaseInsensitive) == 0)
      return;
    throw Unknown(name);
  }
  AutomationValue Call(const QString& name, const AutomationArgs&, const NamedAutomationArgs&) override {
    if (name.compare(QLatin1String("Quit"), Qt::CaseInsensitive) != 0) throw Unknown(name);
    Quit();
    return {};
  }

private:
  void Quit() {
    for (auto& book : office_->workbooks) book->Close();
    office_->workbooks.clear();
    office_->process.Quit();
  }
  std::shared_ptr<Office> office_;
};

}  // namespace

// The plugin's one entry: the program loads this library only when the
// export asks for "Excel.Application".
extern "C" Q_DECL_EXPORT AutomationObject* q2t_create_automation_object(char* error, int errorSize) {
  if (!QFileInfo::exists(QStringLiteral("/usr/lib/libreoffice/program/soffice.bin"))) {
    std::snprintf(error, static_cast<std::size_t>(errorSize), "%s", "/usr/lib/libreoffice/program/soffice.bin: not found");
    return nullptr;
  }
  return new Application();
}
