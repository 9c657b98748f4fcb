#include "support/fake_spreadsheet.h"

#include "database/failure.h"

#include <QRegularExpression>

namespace {

QString Text(const AutomationValue& v) {
  if (v.IsObject()) return QStringLiteral("<object>");
  if (v.IsNull()) return QStringLiteral("<null>");
  return v.ToText();
}

QString Args(const AutomationArgs& args) {
  QStringList parts;
  for (const auto& a : args) parts << Text(a);
  return parts.isEmpty() ? QString() : QLatin1Char('(') + parts.join(QLatin1Char(',')) + QLatin1Char(')');
}

class Fake : public AutomationObject, public std::enable_shared_from_this<Fake> {
public:
  enum Kind { App, Books, Book, Sheets, Sheet, Cell, Range, Part };
  Fake(Kind kind, std::shared_ptr<FakeWorld> world) : kind_(kind), world_(std::move(world)) {}

  std::shared_ptr<FakeWorkbook> book;
  std::shared_ptr<FakeSheet> sheet;
  int row = 0, col = 0;
  qint64 count = 0;

  AutomationValue Get(const QString& name, const AutomationArgs& args) override {
    Log(QStringLiteral("Get ") + name + Args(args));
    if (kind_ == App && name == QLatin1String("WorkBooks")) {
      if (args.empty()) return AutomationValue::Object(Make(Books));
      const auto& books = world_->workbooks;
      const auto index = static_cast<std::size_t>(args[0].ToInteger() - 1);
      if (index >= books.size()) throw Failure(QStringLiteral("下標超出範圍"));
      auto b = Make(Book);
      b->book = books[index];
      return AutomationValue::Object(b);
    }
    if (kind_ == Book && name == QLatin1String("ActiveSheet")) return SheetObject(book->sheets[static_cast<std::size_t>(book->active)]);
    if (kind_ == Book && name == QLatin1String("sheets")) {
      if (args.empty()) {
        auto s = Make(Sheets);
        s->book = book;
        return AutomationValue::Object(s);
      }
      return SheetObject(book->sheets.at(static_cast<std::size_t>(args[0].ToInteger() - 1)));
    }
    if (kind_ == Sheet && name == QLatin1String("name")) return sheet->name;
    if (kind_ == Sheet && name == QLatin1String("cells")) {
      auto c = Make(Cell);
      c->sheet = sheet;
      c->row = static_cast<int>(args.at(0).ToInteger());
      c->col = static_cast<int>(args.at(1).ToInteger());
      return AutomationValue::Object(c);
    }
    if (kind_ == Sheet && (name == QLatin1String("UsedRange") || name == QLatin1String("Range"))) {
      auto r = Make(Range);
      r->sheet = sheet;
      return AutomationValue::Object(r);
    }
    if (kind_ == Range && (name == QLatin1String("columns") || name == QLatin1String("rows"))) {
      int rows = 1, cols = 1;
      for (auto it = sheet->cells.cbegin(); it != sheet->cells.cend(); ++it) {
        rows = std::max(rows, it.key().first);
        cols = std::max(cols, it.key().second);
      }
      auto p = Make(Part);
      p->count = name == QLatin1String("rows") ? rows : cols;
      return AutomationValue::Object(p);
    }
    if (kind_ == Part && name == QLatin1String("count")) return count;
    throw Failure(QStringLiteral("不明的名稱: ") + name);
  }

  void Set(const QString& name, const AutomationValue& value, const AutomationArgs& args) override {
    if (kind_ != Sheet || name != QLatin1String("cells") || world_->logCells)
      Log(QStringLiteral("Set ") + name + Args(args) + QLatin1Char('=') + Text(value));
    if (kind_ == App) return;  // Visible, displayalerts
    if (kind_ == Sheet && name == QLatin1String("name")) {
      const QString wanted = value.ToText();
      bool refused = world_->refuseEveryName || world_->refusedNames.contains(wanted) || wanted.isEmpty() ||
                     wanted.size() > 31 || wanted.contains(QRegularExpression(QStringLiteral("[:\\\\/?*\\[\\]]")));
      for (const auto& other : world_->workbooks.back()->sheets)
        if (other != sheet && other->name.compare(wanted, Qt::CaseInsensitive) == 0) refused = true;
      if (refused) throw Failure(QStringLiteral("工作表名稱不正確: ") + wanted);
      sheet->name = wanted;
      return;
    }
    if (kind_ == Sheet && name == QLatin1String("cells")) {
      if (++world_->cellsWritten == world_->failAfterCells) throw Failure(QStringLiteral("automation 伺服器沒有回應"));
      const QPair<int, int> at(static_cast<int>(args.at(0).ToInteger()), static_cast<int>(args.at(1).ToInteger()));
      if (value.ToText().isEmpty()) sheet->cells.remove(at);
      else sheet->cells[at] = value.ToText();
      return;
    }
    if (kind_ == Cell && name == QLatin1String("NumberFormat")) {
      sheet->textFormat.insert({row, col});
      return;
    }
    if (kind_ == Range && name == QLatin1String("WrapText")) {
      sheet->wrapOff = !value.ToBool();
      return;
    }
    throw Failure(QStringLiteral("不明的名稱: ") + name);
  }

  AutomationValue Call(const QString& name, const AutomationArgs& args, const NamedAutomationArgs& named) override {
    QString line = QStringLiteral("Call ") + name + Args(args);
    for (const auto& [key, value] : named) line += QLatin1Char(' ') + key + QStringLiteral(":=") + Text(value);
    Log(line);
    if (kind_ == Books && name == QLatin1String("add")) {
      auto b = std::make_shared<FakeWorkbook>();
      b->sheets.push_back(std::make_shared<FakeSheet>(FakeSheet{QStringLiteral("Sheet1"), {}, {}, false}));
      world_->workbooks.push_back(b);
      return {};
    }
    if (kind_ == Books && name == QLatin1String("Open")) {
      if (!world_->onDisk) throw Failure(QStringLiteral("無法開啟活頁簿"));
      world_->workbooks.push_back(world_->onDisk);
      auto b = Make(Book);
      b->book = world_->onDisk;
      return AutomationValue::Object(b);
    }
    if (kind_ == Sheets && name == QLatin1String("add")) {
      int fresh = static_cast<int>(book->sheets.size()) + 1;
      auto s = std::make_shared<FakeSheet>(FakeSheet{QStringLiteral("Sheet%1").arg(fresh), {}, {}, false});
      book->sheets.insert(book->sheets.begin(), s);
      book->active = 0;
      return {};
    }
    if (kind_ == Book && name == QLatin1String("SaveAs")) {
      book->savedAs = named.at(0).second.ToText();
      return {};
    }
    if (kind_ == App && name == QLatin1String("Quit")) {
      world_->quit = true;
      return {};
    }
    throw Failure(QStringLiteral("不明的名稱: ") + name);
  }

private:
  void Log(const QString& line) {
    static const char* names[] = {"app", "books", "book", "sheets", "sheet", "cell", "range", "part"};
    world_->log << QLatin1String(names[kind_]) + QLatin1Char('.') + line;
  }
  std::shared_ptr<Fake> Make(Kind kind) { return std::make_shared<Fake>(kind, world_); }
  AutomationValue SheetObject(const std::shared_ptr<FakeSheet>& s) {
    auto o = Make(Sheet);
    o->sheet = s;
    return AutomationValue::Object(o);
  }

  Kind kind_;
  std::shared_ptr<FakeWorld> world_;
};

}  // namespace

void InstallFakeSpreadsheet(const std::shared_ptr<FakeWorld>& world) {
  RegisterAutomationProvider(QStringLiteral("Excel.Application"),
                             [world] { return std::make_shared<Fake>(Fake::App, world); });
}
