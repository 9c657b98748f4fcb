#pragma once
// The program's one window: the statement pane, the rendering options, the
// output pane, the connection and table boxes, the result grid and picture.
#include "text/output_options.h"
#include <QWidget>
#include <memory>
#include <utility>
#include <vector>

class AutomationObject;
class FieldNames;
class StatementAssist;

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTextEdit;
class QTimer;
class TDBGrid;
class TTextPane;
class TSaveDialog;
class TDBImage;
class TDataSource;
class TDatabase;
class TQuery;

class TForm1 : public QWidget {
  Q_OBJECT
public:
  // Builds the window as the program does: controls and components with their
  // initial values, the design-time connection (a failure there throws), the
  // global Form1, then FormCreate.
  TForm1();
  ~TForm1() override;

  // Controls, in tab order.
  QPlainTextEdit* MemoSQL;
  QCheckBox* ChBColName;
  QCheckBox* ChBEachRow;
  QLineEdit* EdInsertInto;
  QPushButton* ButtonSQLExec;
  QPushButton* ButtonClearSQL;
  QPushButton* ButtonClearResult;
  QPushButton* ButtonSave;
  QPushButton* ButtonOptions;
  QPushButton* ButtonExit;
  TTextPane* MemoOutput;
  QLineEdit* Delimiter;
  QCheckBox* ChBLeftBrace;
  QCheckBox* ChBRightBrace;
  QLineEdit* EdValues;
  QComboBox* CmbTables;
  QPlainTextEdit* MemoFields;
  QRadioButton* rbTXT;
  QRadioButton* rbXLS;
  QRadioButton* rbXLSX;
  QComboBox* ComboBox1;
  QProgressBar* ProgressBar1;
  QTextEdit* RichEditClipbrd;
  TDBImage* DBImage1;
  TDBGrid* DBGrid1;
  QCheckBox* chbShowMemo;
  QCheckBox* chbDirectSave;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* LabelFieldCnt;
  QLabel* Label3;
  QLabel* LabelRecNo;
  QLabel* Label5;
  QLabel* LabelRecCnt;

  // Completion, colours and the statements of this session in MemoSQL.
  StatementAssist* SqlAssist;

  // Components without a visible control.
  TDatabase* Database1;
  TQuery* Query1;
  TDataSource* DataSource1;
  TSaveDialog* SaveDialog1;
  QTimer* Timer1;
  QMenu* PopupMenu1;
  QAction* mnuSQLOut;
  QAction* mnuDataOut;
  QAction* mnuSetGrid;
  QAction* mnuExcelOut;

  // Window state.
  QString TableName;
  bool InFormShow = false;
  // How lines are written for the next tool (the options dialog's choices,
  // kept for the program's life; the defaults are the window's own rules).
  OutputOptions Output;
  // Records on one sheet of an .xlsx workbook (smaller only in tests).
  qint64 XlsxRecordsPerSheet;
  QString PrevAlias;
  // Connection changes run so far, and their number when the user began to
  // pick from the list.
  int ConnectionChanges = 0;
  int ConnectionChangesAtPick = 0;
  std::shared_ptr<AutomationObject> LoginManager;
  QString APUserID;
  QString APUserName;
  QString ConnectServer;
  // Set when a failed login-managed connection asked the program to end.
  bool TerminateRequested = false;

  // Window life.
  void FormCreate(QObject* sender);
  void FormShow(QObject* sender);
  void Timer1Timer(QObject* sender);
  // The caption the clock shows for the connection box's current text.
  QString ClockCaption() const;

  // Bold while focused.
  void MemoSQLEnter(QObject* sender);
  void MemoSQLExit(QObject* sender);
  void MemoFieldsEnter(QObject* sender);
  void MemoFieldsExit(QObject* sender);
  void MemoOutputEnter(QObject* sender);
  void MemoOutputExit(QObject* sender);

  void ButtonClearSQLClick(QObject* sender);
  void ButtonClearResultClick(QObject* sender);
  void ButtonExitClick(QObject* sender);
  void MemoOutputMouseDown(QObject* sender, Qt::MouseButton button);
  void MemoOutputDblClick(QObject* sender);
  void CopyTextToClipboard(const QString& text);
  void PasteClipboardToOutput();

  // Connection selection.
  void ComboBox1Change(QObject* sender);
  // A pick from the connection list; runs the change when the pick left the
  // text as it was.
  void ComboBox1Activated();
  // Replace or extend the statement's text, each as one step of its undo
  // history (the clear button, a connection change, the table browser).
  void ReplaceStatement(const QString& text);
  void AppendStatementLine(const QString& line);
  // What the login-managed connection is about to use, the password masked.
  QString ConnectionReport() const;

  // The statement a run runs, lines joined by CR LF: the text selected in
  // MemoSQL, or all of it when nothing is selected.
  QString StatementText() const;

  // Running a statement and rendering its rows.
  void ButtonSQLExecClick(QObject* sender);
  void ChBEachRowClick(QObject* sender);

  // Saving and the grid's dumps.
  void ButtonSaveClick(QObject* sender);
  void ButtonOptionsClick(QObject* sender);
  void mnuSQLOutClick(QObject* sender);
  void mnuDataOutClick(QObject* sender);
  void mnuSetGridClick(QObject* sender);
  void mnuExcelOutClick(QObject* sender);

  // Table list and field browser.
  void CmbTablesEnter(QObject* sender);
  void CmbTablesKeyPress(QObject* sender, QChar& key);
  void BrowseTable(const QString& namedTable);

private:
  QString ReconnectPrevAlias(QString& message);
  void ConnectAlias(const QString& alias);

  void ReportAlteredValues(const struct RowRunReport& report);
  // The "use" line and its "go" that open an insert script, when chosen.
  void WriteScriptOpening(class LineSink& out) const;
  // False (and says why) when the delimiter cannot make lines of the
  // chosen format.
  bool DelimiterFitsFormat();
  // `failure` gets the engine's text when the rest of the result was lost.
  // `expectedRows`: the count statement's, when it gave one (-1 otherwise).
  // `keepsLines`: the lines stay in memory (the pane), so the run stops
  // before it takes more than the memory budget allows.
  struct RowRunReport RenderResult(class LongRun& run, class LineSink& out, bool insertMode, QString& failure,
                                   qint64 expectedRows = -1, bool keepsLines = true);
  // The count statement's count, -1 when the engine rejected its form.
  qint64 CountRows(const QString& statement);
  // "查詢" with 直接存檔 ticked: the lines (or a workbook) go to a file.
  void RunIntoFile(const QString& statement);
  // Opens the statement keeping the grid's first rows only; the count
  // statement's count (-1 when it gave none).
  qint64 OpenForFileRun(const QString& statement);
  // The statement's result as an .xlsx workbook (rbXLSX, or 直接存檔 into
  // a name ending in .xlsx).
  void RunIntoWorkbook(const QString& statement, const QString& fileName);
  void BindPictureColumn();
  void ShowRunProgress(qint64 row);
  // Fetches the rest of the grid's result as a long run; false when stopped.
  bool FetchWholeResult();
  // Disables the buttons that start work while a long loop runs; see LongRun.
  class LongRun StartLongRun();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  void CreateStatementAssist();
  std::unique_ptr<FieldNames> CompletionFields;
  void CreateControls();
  void CreateComponents();
  void ConnectHandlers();
  void SetTabOrder();
  void SetAccessibleNames();
  // Every control's place at the design size, from which a resize starts.
  std::vector<std::pair<QWidget*, QRect>> DesignGeometry;
};

// The caption's fixed part, and the connection box's entry for the site's
// login-managed connection.
inline const QString kBaseCaption = QStringLiteral("動態地把查詢結果轉成文字檔");
inline const QString kLoginManaged = QStringLiteral("Z9Ivozu");

// The window, set before its creation handler runs.
extern TForm1* Form1;

// Takes TableName from the FROM part of Form1's statement and gives the
// insert-into and values texts their defaults.
void UpdateInsertInto();
