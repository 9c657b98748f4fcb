// Building the window: its controls and components with their initial values.
#include "main/form1.h"

#include "database/engine_wait.h"
#include "database/field_names.h"

#include "database/database.h"
#include "database/query.h"
#include "database/session.h"
#include "controls/data_source.h"
#include "controls/db_grid.h"
#include "controls/db_image.h"
#include "controls/save_dialog.h"
#include "controls/text_pane.h"
#include "ui/guard.h"
#include "xls/query_xlsx.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScreen>
#include <QTextEdit>
#include <QTimer>

TForm1* Form1 = nullptr;

namespace {

// Fixed pitch for Latin text; the Chinese texts come from a CJK font. The
// 16-pixel cell of the old bitmap font holds glyphs of about 14 pixels.
QFont WindowFont() {
  QFont font;
  font.setFamilies({QStringLiteral("Fixedsys"), QStringLiteral("DejaVu Sans Mono"),
                    QStringLiteral("AR PL UMing TW")});
  font.setStyleHint(QFont::TypeWriter);
  font.setPixelSize(14);
  return font;
}

QFont ChineseFont(int pixels) {
  QFont font;
  font.setFamilies({QStringLiteral("細明體"), QStringLiteral("AR PL UMing TW")});
  font.setPixelSize(pixels);
  return font;
}

template <class W>
W* Place(QWidget* parent, const char* name, int left, int top, int width, int height) {
  auto* w = new W(parent);
  w->setObjectName(QLatin1String(name));
  w->setGeometry(left, top, width, height);
  return w;
}

void SetTextColor(QWidget* w, Qt::GlobalColor color) {
  QPalette p = w->palette();
  p.setColor(QPalette::WindowText, color);
  p.setColor(QPalette::Text, color);
  p.setColor(QPalette::ButtonText, color);
  w->setPalette(p);
}

QPlainTextEdit* Memo(QWidget* parent, const char* name, int l, int t, int w, int h) {
  auto* memo = Place<QPlainTextEdit>(parent, name, l, t, w, h);
  memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  return memo;
}

QCheckBox* CheckBox(QWidget* parent, const char* name, int l, int t, int w, int h, const QString& caption) {
  auto* box = Place<QCheckBox>(parent, name, l, t, w, h);
  box->setText(caption);
  SetTextColor(box, Qt::blue);
  return box;
}

QPushButton* Button(QWidget* parent, const char* name, int l, int t, int w, int h, const QString& caption) {
  auto* button = Place<QPushButton>(parent, name, l, t, w, h);
  button->setText(caption);
  return button;
}

QLineEdit* Edit(QWidget* parent, const char* name, int l, int t, int w, int h) {
  auto* edit = Place<QLineEdit>(parent, name, l, t, w, h);
  SetTextColor(edit, Qt::blue);
  return edit;
}

QLabel* Label(QWidget* parent, const char* name, int l, int t, int w, int h, const QString& text) {
  auto* label = Place<QLabel>(parent, name, l, t, w, h);
  label->setText(text);
  return label;
}

}  // namespace

namespace {
// The window as designed; it is also the smallest it gets.
constexpr QSize kDesignSize(831, 621);
}  // namespace

TForm1::TForm1() {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(kBaseCaption);
  setFont(WindowFont());
  resize(kDesignSize);
  setMinimumSize(kDesignSize);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  CreateControls();
  CreateComponents();
  SetTabOrder();
  SetAccessibleNames();
  for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
    DesignGeometry.emplace_back(child, child->geometry());
  ConnectHandlers();
  // The design-time connection; a failure here ends the window's creation.
  Database1->SetConnected(true);
  Form1 = this;
  Guarded([this] { FormCreate(this); });
}

TForm1::~TForm1() {
  SetEngineWaitHandler({});
  if (Form1 == this) Form1 = nullptr;
}

void TForm1::CreateControls() {
  MemoSQL = Memo(this, "MemoSQL", 6, 4, 571, 117);
  MemoSQL->setToolTip(QStringLiteral("Key In SQL Select Command Here. Ex: Select * from Cir1100"));
  // The two check boxes are a little wider than designed so their captions fit.
  ChBColName = CheckBox(this, "ChBColName", 314, 130, 92, 17, QStringLiteral("欄位名稱"));
  ChBEachRow = CheckBox(this, "ChBEachRow", 192, 130, 120, 17, QStringLiteral("每一筆都含欄位"));
  EdInsertInto = Edit(this, "EdInsertInto", 6, 126, 183, 24);
  EdInsertInto->setToolTip(QStringLiteral("insert into Cir1100"));
  ButtonSQLExec = Button(this, "ButtonSQLExec", 8, 152, 53, 21, QStringLiteral("查詢"));
  ButtonClearSQL = Button(this, "ButtonClearSQL", 64, 152, 99, 24, QStringLiteral("清除SQL命令"));
  ButtonClearResult = Button(this, "ButtonClearResult", 166, 152, 79, 24, QStringLiteral("清除結果"));
  ButtonSave = Button(this, "ButtonSave", 334, 156, 129, 33, QStringLiteral("把結果存成文字檔"));
  // Between the record counter and the field count, where the design left room.
  ButtonOptions = Button(this, "ButtonOptions", 638, 151, 96, 22, QStringLiteral("輸出選項"));
  ButtonOptions->setToolTip(QStringLiteral("CSV、null 的文字、字碼、換行、go 的筆數、insert 的目標資料庫"));
  ButtonExit = Button(this, "ButtonExit", 468, 156, 47, 33, QStringLiteral("結束&X"));
  MemoOutput = Place<TTextPane>(this, "MemoOutput", 6, 196, 553, 377);
  MemoOutput->setContextMenuPolicy(Qt::NoContextMenu);  // the right button copies instead
  Delimiter = Edit(this, "Delimiter", 706, 128, 19, 24);
  Delimiter->setText(QStringLiteral(","));
  ChBLeftBrace = CheckBox(this, "ChBLeftBrace", 512, 132, 79, 17, QStringLiteral("左括號("));
  ChBRightBrace = CheckBox(this, "ChBRightBrace", 732, 132, 79, 17, QStringLiteral("右括號)"));
  EdValues = Edit(this, "EdValues", 408, 126, 97, 24);
  EdValues->setToolTip(QStringLiteral("values"));
  CmbTables = Place<QComboBox>(this, "CmbTables", 682, 8, 131, 24);
  CmbTables->setEditable(true);
  CmbTables->setInsertPolicy(QComboBox::NoInsert);
  MemoFields = Memo(this, "MemoFields", 582, 38, 231, 87);
  MemoFields->setReadOnly(true);
  // Three file types in the space designed for two, beside 直接存檔.
  rbTXT = Place<QRadioButton>(this, "rbTXT", 276, 151, 56, 15);
  rbTXT->setText(QStringLiteral("TXT"));
  rbTXT->setChecked(true);
  rbXLS = Place<QRadioButton>(this, "rbXLS", 276, 166, 56, 15);
  rbXLS->setText(QStringLiteral("XLS"));
  rbXLSX = Place<QRadioButton>(this, "rbXLSX", 276, 181, 56, 15);
  rbXLSX->setText(QStringLiteral("XLSX"));
  for (QRadioButton* type : {rbTXT, rbXLS, rbXLSX}) type->setFont(ChineseFont(12));
  ComboBox1 = Place<QComboBox>(this, "ComboBox1", 582, 8, 99, 24);
  ComboBox1->setEditable(true);
  ComboBox1->setInsertPolicy(QComboBox::NoInsert);
  ComboBox1->setEditText(kDemoAlias);
  ProgressBar1 = Place<QProgressBar>(this, "ProgressBar1", 6, 174, 55, 20);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  // A frame of its own, so that the bar never passes for an input box.
  ProgressBar1->setStyleSheet(QStringLiteral(
      "QProgressBar { border: 1px solid palette(dark); border-radius: 2px; background: palette(window);"
      " text-align: center; }"
      "QProgressBar::chunk { background: palette(highlight); }"));
  RichEditClipbrd = Place<QTextEdit>(this, "RichEditClipbrd", 663, 153, 18, 16);
  RichEditClipbrd->setAcceptRichText(true);
  RichEditClipbrd->hide();
  DBImage1 = Place<TDBImage>(this, "DBImage1", 564, 342, 255, 225);
  DBGrid1 = Place<TDBGrid>(this, "DBGrid1", 562, 195, 257, 142);
  chbShowMemo = Place<QCheckBox>(this, "chbShowMemo", 64, 176, 137, 17);
  chbShowMemo->setText(QStringLiteral("不顯示在下面視窗"));
  chbShowMemo->setFont(ChineseFont(13));
  chbShowMemo->setChecked(true);
  SetTextColor(chbShowMemo, Qt::red);
  // The lines of a run go to a file, not to the pane: a result of any size.
  chbDirectSave = Place<QCheckBox>(this, "chbDirectSave", 202, 176, 73, 17);
  chbDirectSave->setText(QStringLiteral("直接存檔"));
  chbDirectSave->setFont(ChineseFont(12));
  chbDirectSave->setToolTip(QStringLiteral("查詢的結果直接寫入檔案 (.txt、.sql 或 .xlsx), 不放在下面的視窗; 表格只保留前面的資料列"));
  SetTextColor(chbDirectSave, Qt::red);
  Label1 = Label(this, "Label1", 598, 132, 104, 16, QStringLiteral("欄位分隔字元:"));
  SetTextColor(Label1, Qt::blue);
  Label2 = Label(this, "Label2", 738, 152, 57, 16, QStringLiteral("欄位數:"));
  LabelFieldCnt = Label(this, "LabelFieldCnt", 650, 176, 164, 16, QString());
  LabelFieldCnt->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Label3 = Label(this, "Label3", 526, 160, 43, 33, QStringLiteral("資料-筆數-"));
  Label3->setWordWrap(true);
  LabelRecNo = Label(this, "LabelRecNo", 572, 154, 60, 16, QString());
  LabelRecNo->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Label5 = Label(this, "Label5", 570, 173, 64, 1, QString());
  Label5->setAutoFillBackground(true);
  QPalette red = Label5->palette();
  red.setColor(QPalette::Window, Qt::red);
  Label5->setPalette(red);
  LabelRecCnt = Label(this, "LabelRecCnt", 572, 178, 60, 16, QString());
  LabelRecCnt->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void TForm1::CreateComponents() {
  Database1 = new TDatabase(this);
  Database1->setObjectName(QStringLiteral("Database1"));
  Database1->SetAliasName(kDemoAlias);
  Database1->SetDatabaseName(QStringLiteral("Q9"));

  Query1 = new TQuery(this);
  Query1->setObjectName(QStringLiteral("Query1"));
  Query1->SetDatabaseName(QStringLiteral("Q9"));
  // The window only reads: a statement that would write fails in the engine.
  Query1->SetReadOnly(true);

  DataSource1 = new TDataSource(this);
  DataSource1->setObjectName(QStringLiteral("DataSource1"));
  DataSource1->SetDataSet(Query1);
  DBGrid1->SetDataSource(DataSource1);
  DBImage1->SetDataSource(DataSource1);

  SaveDialog1 = new TSaveDialog(this);
  SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
  SaveDialog1->Filter = kTextSaveFilter;
  XlsxRecordsPerSheet = kMaxXlsxRecordsPerSheet;

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(200);

  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  auto entry = [this](const char* name, const QString& caption) {
    QAction* action = PopupMenu1->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
  };
  mnuSQLOut = entry("mnuSQLOut", QStringLiteral("SQL轉出"));
  mnuDataOut = entry("mnuDataOut", QStringLiteral("Data轉出"));
  mnuSetGrid = entry("mnuSetGrid", QStringLiteral("設定欄位"));
  mnuExcelOut = entry("mnuExcelOut", QStringLiteral("Excel轉出"));
  DBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(DBGrid1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu1->popup(DBGrid1->viewport()->mapToGlobal(at)); });
}

void TForm1::SetTabOrder() {
  const QList<QWidget*> order = {MemoSQL,  ChBColName, ChBEachRow,    EdInsertInto,  ButtonSQLExec, ButtonClearSQL,
                                 ButtonClearResult, ButtonSave, ButtonExit, MemoOutput, Delimiter, ChBLeftBrace,
                                 ChBRightBrace, EdValues, CmbTables, MemoFields, rbTXT, rbXLS, ComboBox1,
                                 DBGrid1, chbShowMemo, rbXLSX, chbDirectSave, ButtonOptions};
  for (int i = 0; i + 1 < order.size(); ++i) QWidget::setTabOrder(order[i], order[i + 1]);
  ProgressBar1->setFocusPolicy(Qt::NoFocus);
}

void TForm1::SetAccessibleNames() {
  const std::pair<QWidget*, const char*> names[] = {
      {MemoSQL, "SQL 指令"},          {MemoOutput, "查詢結果文字"},     {MemoFields, "資料表欄位"},
      {EdInsertInto, "insert into 文字"}, {EdValues, "values 文字"},     {Delimiter, "欄位分隔字元"},
      {LabelFieldCnt, "欄位數"},      {LabelRecCnt, "資料筆數"},        {LabelRecNo, "目前資料筆"},
      {DBImage1, "圖片"},             {DBGrid1, "查詢結果表格"},        {ProgressBar1, "進度"},
      {ComboBox1, "資料庫連線"},      {CmbTables, "資料表"}};
  for (const auto& [widget, name] : names) widget->setAccessibleName(QString::fromUtf8(name));
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // The statement takes a quarter of the height gained, the output pane, the
  // grid and the picture the rest; the controls to their right and below
  // keep their places next to them.
  const int dx = std::max(0, width() - kDesignSize.width());
  const int dy = std::max(0, height() - kDesignSize.height());
  const int top = dy / 4, bottom = dy - top, gridShare = bottom / 2;
  for (const auto& [widget, design] : DesignGeometry) {
    QRect r = design;
    if (widget == MemoSQL) {
      r.adjust(0, 0, dx, top);
    } else if (widget == MemoOutput) {
      r.adjust(0, top, dx, dy);
    } else if (widget == DBGrid1) {
      r.translate(dx, top);
      r.setHeight(r.height() + gridShare);
    } else if (widget == DBImage1) {
      r.translate(dx, top + gridShare);
      r.setHeight(r.height() + bottom - gridShare);
    } else {
      r.translate(design.left() >= 520 ? dx : 0, design.top() >= 120 ? top : 0);
    }
    widget->setGeometry(r);
  }
}
