// Saving the output pane as text, or the statement's result as an XLS file.
#include "main/form1.h"

#include "text/codepage.h"
#include "database/engine_wait.h"
#include "database/failure.h"
#include "files/save_target.h"
#include "ui/messages.h"
#include "controls/save_dialog.h"
#include "controls/text_pane.h"
#include "database/query.h"
#include "ui/long_run.h"
#include "ui/xls_save.h"
#include "options/frm_output_options.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSaveFile>
#include <cerrno>

namespace {


// The text goes to the file a piece of whole lines at a time, so that a
// result of millions of lines is never held unpacked all at once.
constexpr qsizetype kSavePieceChars = 4 << 20;

[[noreturn]] void ThrowWriteFailure(QSaveFile& file, const QString& fileName) {
  const QString reason = WriteErrorReason(errno, file.errorString());
  file.cancelWriting();
  throw FileFailure(kStreamWriteError, fileName, reason);
}

// Writes the pane's text with CR LF (or LF) line breaks, in UTF-8 or in
// Big5; returns how many characters Big5 could not hold.
qsizetype WritePieces(const TTextPane& pane, QSaveFile& file, const QString& fileName, bool utf8, bool crLf) {
  qsizetype unconvertible = 0;
  for (qsizetype from = 0; from < pane.textSize();) {
    QString piece = pane.textPiece(from, kSavePieceChars);
    if (crLf) piece.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    qsizetype missing = 0;
    const QByteArray bytes = utf8 ? piece.toUtf8() : ToBig5(piece, &missing);
    unconvertible += missing;
    if (file.write(bytes) != bytes.size()) ThrowWriteFailure(file, fileName);
  }
  return unconvertible;
}

// The pane's text in Big5; with the user's leave in UTF-8 when Big5 cannot
// hold every character; or in UTF-8 (with a byte-order mark) when chosen.
// The file is replaced only when every byte was written.
void SaveText(const TTextPane& pane, const QString& fileName, const OutputOptions& options) {
  CheckSaveTarget(fileName, QStringLiteral("無法產生檔案 %1"));
  const bool big5 = options.encoding == FileEncoding::Big5;
  for (const bool utf8 : {!big5, true}) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
      throw FileFailure(QStringLiteral("無法產生檔案 %1").arg(fileName), fileName, file.errorString());
    errno = 0;
    if (options.encoding == FileEncoding::Utf8WithBom && file.write("\xEF\xBB\xBF", 3) != 3)
      ThrowWriteFailure(file, fileName);
    const qsizetype unconvertible = WritePieces(pane, file, fileName, utf8, options.crLf);
    if (unconvertible > 0) {
      file.cancelWriting();
      if (!Confirm(QStringLiteral("有 %1 個字元無法以Big5字碼儲存。\n按「確定」改存成UTF-8, 按「取消」不存檔。")
                       .arg(unconvertible)))
        return;
      continue;
    }
    if (!file.commit()) ThrowWriteFailure(file, fileName);
    return;
  }
}

}  // namespace

void TForm1::ButtonSaveClick(QObject*) {
  if (rbXLSX->isChecked()) {
    UpdateInsertInto();
    SaveDialog1->FileName = TableName + QStringLiteral(".xlsx");
    SaveDialog1->DefaultExt = QStringLiteral(".xlsx");
    SaveDialog1->Filter = kXlsxSaveFilter;
    if (SaveDialog1->Execute()) RunIntoWorkbook(StatementText(), SaveDialog1->FileName);
    return;
  }
  if (!rbTXT->isChecked()) {
    UpdateInsertInto();
    SaveDialog1->FileName = TableName;
    SaveDialog1->DefaultExt = QStringLiteral(".xls");
    SaveDialog1->Filter = kXlsSaveFilter;
  } else {
    const bool sql = ChBEachRow->isChecked();
    SaveDialog1->Filter = kTextSaveFilter;
    SaveDialog1->DefaultExt.clear();
    SaveDialog1->FilterIndex = sql ? 2 : 1;
    SaveDialog1->FileName = TableName + (sql ? QStringLiteral(".sql") : QStringLiteral(".txt"));
  }
  if (!SaveDialog1->Execute()) return;
  const QString fileName = SaveDialog1->FileName;

  if (rbTXT->isChecked()) {
    SaveText(*MemoOutput, fileName, Output);
    return;
  }
  LabelRecNo->setText(QStringLiteral("0"));
  Query1->Close();
  Query1->SQL().SetText(StatementText());
  bool stopped = false;
  {
    LongRun run = StartLongRun();
    try {
      Query1->Open();
      QueryToXLS(*Query1, fileName, &run);
    } catch (const EStopped&) {
      stopped = true;  // at the engine, before anything was written
    }
  }
  Query1->Close();
  if (stopped) ShowMessage(QStringLiteral("XLS存檔已停止, 沒有寫入檔案 %1").arg(fileName));
}

void TForm1::ButtonOptionsClick(QObject*) { EditOutputOptions(Output, this); }
