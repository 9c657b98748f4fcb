// The window's own life: creation, show, the caption clock, focus styling,
// the clear and exit buttons and the output pane's clipboard gestures.
#include "main/form1.h"

#include "ui/clipboard.h"
#include "ui/dropdown.h"
#include "text/text_utils.h"
#include "database/database.h"
#include "database/query.h"
#include "database/session.h"
#include "controls/db_grid.h"
#include "controls/db_image.h"
#include "ui/guard.h"
#include "ui/long_run.h"
#include "controls/statement/statement_assist.h"
#include "database/backend.h"
#include "database/engine_wait.h"
#include "database/field_names.h"
#include "text/names.h"
#include "platform/admin_presence.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include "controls/text_pane.h"
#include <QPushButton>
#include <QShortcut>
#include <QTextCursor>
#include <QSignalBlocker>
#include <QTextEdit>
#include <QTimer>

namespace {
void SetBold(QWidget* w, bool bold) {
  QFont font = w->font();
  font.setBold(bold);
  if (!bold) {
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
  }
  w->setFont(font);
}
}  // namespace

void TForm1::ConnectHandlers() {
  auto click = [this](QPushButton* button, void (TForm1::*handler)(QObject*)) {
    connect(button, &QPushButton::clicked, this, [this, button, handler] { Guarded([&] { (this->*handler)(button); }); });
  };
  click(ButtonClearSQL, &TForm1::ButtonClearSQLClick);
  click(ButtonClearResult, &TForm1::ButtonClearResultClick);
  click(ButtonExit, &TForm1::ButtonExitClick);
  click(ButtonOptions, &TForm1::ButtonOptionsClick);
  click(ButtonSQLExec, &TForm1::ButtonSQLExecClick);
  // The keys SQL tools run a statement with: the same click, the same checks.
  for (const QKeySequence& keys : {QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_Return),
                                   QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
    auto* run = new QShortcut(keys, this);
    connect(run, &QShortcut::activated, ButtonSQLExec, [this] {
      if (ButtonSQLExec->isEnabled()) ButtonSQLExec->click();
    });
  }
  click(ButtonSave, &TForm1::ButtonSaveClick);
  connect(mnuSQLOut, &QAction::triggered, this, [this] { Guarded([this] { mnuSQLOutClick(mnuSQLOut); }); });
  connect(mnuDataOut, &QAction::triggered, this, [this] { Guarded([this] { mnuDataOutClick(mnuDataOut); }); });
  connect(mnuExcelOut, &QAction::triggered, this, [this] { Guarded([this] { mnuExcelOutClick(mnuExcelOut); }); });
  connect(mnuSetGrid, &QAction::triggered, this, [this] { Guarded([this] { mnuSetGridClick(mnuSetGrid); }); });
  connect(ChBEachRow, &QCheckBox::clicked, this, [this] { Guarded([this] { ChBEachRowClick(ChBEachRow); }); });
  connect(Timer1, &QTimer::timeout, this, [this] { Guarded([this] { Timer1Timer(Timer1); }); });
  connect(ComboBox1, &QComboBox::editTextChanged, this, [this] { Guarded([this] { ComboBox1Change(ComboBox1); }); });
  connect(ComboBox1, &QComboBox::activated, this, [this] { Guarded([this] { ComboBox1Activated(); }); });
  connect(CmbTables, &QComboBox::activated, this, [this] { Guarded([this] { CmbTablesEnter(CmbTables); }); });

  for (QObject* watched : {static_cast<QObject*>(MemoSQL), static_cast<QObject*>(MemoFields),
                           static_cast<QObject*>(MemoOutput), static_cast<QObject*>(MemoOutput->viewport()),
                           static_cast<QObject*>(CmbTables)})
    watched->installEventFilter(this);
  CmbTables->lineEdit()->installEventFilter(this);
  DBGrid1->FetchRest = [this](TQuery&) { return FetchWholeResult(); };
  CreateStatementAssist();
  // The engine's waits for the server keep the window alive and stop on
  // Esc: within a long run as part of it, otherwise as a run of their own
  // (a field browse, a connection), which disables nothing.
  SetEngineWaitHandler([this](const EngineWait& wait) {
    // Before the window shows (its creation) there is nothing to keep
    // alive, and no event may reach it half built: the call is waited for.
    if (!isVisible()) {
      while (!wait.finished(100)) {}
      return;
    }
    if (LongRun* run = LongRun::Current()) return run->WaitFor(wait);
    LongRun run(ProgressBar1, {}, Query1);
    run.WaitFor(wait);
  });
  ComboBox1->view()->installEventFilter(this);
  ComboBox1->installEventFilter(this);
  Timer1->start();
}

void TForm1::CreateStatementAssist() {
  CompletionFields = std::make_unique<FieldNames>(Query1->DatabaseName());
  StatementCatalog catalog;
  catalog.tables = [this] {
    QStringList names;
    for (int i = 0; i < CmbTables->count(); ++i) names << CmbTables->itemText(i);
    return names;
  };
  catalog.fields = [this](const QString& table) {
    // Read only when that cuts no result that is still arriving.
    const bool mayRead = !LongRun::Current() && !(Query1->Active() && !Query1->AllFetched());
    CompletionFields->SetDatabaseName(Query1->DatabaseName());
    return CompletionFields->Of(table, mayRead);
  };
  catalog.spelled = [this](const QString& name) {
    const BackendConnection* connection = Database1->Connection();
    return SpelledName(name, connection ? connection->IdentifierQuote() : QLatin1Char('"'));
  };
  SqlAssist = new StatementAssist(MemoSQL, std::move(catalog));
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::FocusIn || type == QEvent::FocusOut) {
    // Opening a drop-down list or a menu is no change of control.
    if (static_cast<QFocusEvent*>(event)->reason() == Qt::PopupFocusReason) return false;
    const bool in = type == QEvent::FocusIn;
    Guarded([&] {
      if (watched == MemoSQL) in ? MemoSQLEnter(MemoSQL) : MemoSQLExit(MemoSQL);
      else if (watched == MemoFields) in ? MemoFieldsEnter(MemoFields) : MemoFieldsExit(MemoFields);
      else if (watched == MemoOutput) in ? MemoOutputEnter(MemoOutput) : MemoOutputExit(MemoOutput);
      else if (watched == CmbTables) CmbTablesEnter(CmbTables);
    });
    return false;
  }
  if (watched == MemoSQL && type == QEvent::KeyPress) {
    // Tab types a tab in the statement; Ctrl+Tab and Ctrl+Shift+Tab leave it.
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->modifiers() & Qt::ControlModifier) && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)) {
      const bool back = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
      back ? focusPreviousChild() : focusNextChild();
      return true;
    }
  }
  if ((watched == ComboBox1->view() && type == QEvent::Show) || (watched == ComboBox1 && type == QEvent::KeyPress))
    ConnectionChangesAtPick = ConnectionChanges;  // a pick may follow
  if (watched == MemoOutput->viewport()) {
    if (type == QEvent::MouseButtonPress) {
      auto* mouse = static_cast<QMouseEvent*>(event);
      Guarded([&] { MemoOutputMouseDown(MemoOutput, mouse->button()); });
      return mouse->button() == Qt::RightButton;
    }
    if (type == QEvent::MouseButtonDblClick) {
      Guarded([&] { MemoOutputDblClick(MemoOutput); });
      return true;
    }
  }
  if (watched == CmbTables->lineEdit() && type == QEvent::KeyPress) {
    auto* keyEvent = static_cast<QKeyEvent*>(event);
    QString text = keyEvent->text();
    if (keyEvent->key() == Qt::Key_Return || keyEvent->key() == Qt::Key_Enter) text = QStringLiteral("\r");
    if (!text.isEmpty()) {
      QChar key = text.at(0);
      Guarded([&] { CmbTablesKeyPress(CmbTables, key); });
    }
    return false;  // the key reaches the box unchanged
  }
  return QWidget::eventFilter(watched, event);
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) Guarded([this] { FormShow(this); });
}

void TForm1::FormCreate(QObject*) {
  SetDropDownCount(this, 20);
  ComboBox1Change(this);
  QStringList aliases;
  Session().GetAliasNames(aliases);
  const QSignalBlocker quiet(ComboBox1);  // refilling the list is no change of connection
  const QString text = ComboBox1->currentText();
  ComboBox1->clear();
  ComboBox1->addItems(aliases);
  if (AdministrationProgramRunning()) ComboBox1->addItem(kLoginManaged);
  ComboBox1->setEditText(text);
}

void TForm1::FormShow(QObject*) {
  PrevAlias = Database1->AliasName();
  InFormShow = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{InFormShow};
  setWindowTitle(kBaseCaption + QStringLiteral(" With Server:[") + Database1->AliasName() + QStringLiteral("] "));
  QStringList tables;
  Session().GetTableNames(Database1->DatabaseName(), tables);
  tables.sort(Qt::CaseInsensitive);
  CmbTables->clear();
  CmbTables->addItems(tables);
  CmbTables->setCurrentIndex(tables.isEmpty() ? -1 : 0);
  CmbTablesEnter(this);
}

QString TForm1::ClockCaption() const {
  const QString now = DateTimeText(QDateTime::currentDateTime());
  if (ComboBox1->currentText() == kLoginManaged) {
    const QString program = QCoreApplication::applicationFilePath();
    const QDateTime built = QFileInfo(program).lastModified();
    return kBaseCaption + QLatin1Char(' ') + program + QStringLiteral(" Server[") + ConnectServer +
           QStringLiteral("]") + QStringLiteral(" User[") + APUserID + QStringLiteral("]") +
           QStringLiteral(" 程式日期:") + built.toString(QStringLiteral("yyyy/MM/dd HH:mm")) + QLatin1Char(' ') + now;
  }
  return kBaseCaption + QStringLiteral(" With Server:[") + Database1->AliasName() + QStringLiteral("]") +
         QLatin1Char(' ') + now;
}

void TForm1::Timer1Timer(QObject*) { setWindowTitle(ClockCaption()); }

void TForm1::MemoSQLEnter(QObject*) { SetBold(MemoSQL, true); }
void TForm1::MemoSQLExit(QObject*) { SetBold(MemoSQL, false); }
void TForm1::MemoFieldsEnter(QObject*) { SetBold(MemoFields, true); }
void TForm1::MemoFieldsExit(QObject*) { SetBold(MemoFields, false); }
void TForm1::MemoOutputEnter(QObject*) { SetBold(MemoOutput, true); }
void TForm1::MemoOutputExit(QObject*) { SetBold(MemoOutput, false); }

void TForm1::ButtonClearSQLClick(QObject*) {
  Query1->SQL().Clear();
  ReplaceStatement(QString());
}

void TForm1::ReplaceStatement(const QString& text) {
  // An edit, not a reset: one step that Ctrl+Z takes back.
  QTextCursor cursor(MemoSQL->document());
  cursor.beginEditBlock();
  cursor.select(QTextCursor::Document);
  cursor.insertText(text);
  cursor.endEditBlock();
}

void TForm1::ButtonClearResultClick(QObject*) { MemoOutput->clear(); }

void TForm1::ButtonExitClick(QObject*) { close(); }

void TForm1::MemoOutputMouseDown(QObject*, Qt::MouseButton button) {
  if (button == Qt::RightButton) CopyTextToClipboard(MemoOutput->toPlainText());
}

void TForm1::MemoOutputDblClick(QObject*) { PasteClipboardToOutput(); }

void TForm1::CopyTextToClipboard(const QString& text) {
  // The text a rich-text control's copy would give, put on the clipboard
  // directly: a million lines through a text document take seconds and a
  // gigabyte.
  Guarded([&] { CopyToClipboard(RichTextCopyText(text)); });
}

void TForm1::PasteClipboardToOutput() {
  // Read once, then reduced to plain text as a rich-text control's paste
  // would; the control's own paste asks a hung clipboard owner again and again.
  const ClipboardContent content = ReadClipboard();
  RichEditClipbrd->selectAll();
  RichEditClipbrd->clear();
  if (content.html.isNull()) {
    // Plain text comes back from the rich-text control as it went in, but
    // for its line breaks and special spaces: done here directly, since
    // laying out hundreds of megabytes in the control takes minutes.
    QString text = content.text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    MemoOutput->appendPlainText(RichTextCopyText(text), /*undoable=*/true);
    return;
  }
  RichEditClipbrd->setHtml(content.html);
  MemoOutput->appendPlainText(RichEditClipbrd->toPlainText(), /*undoable=*/true);
}
