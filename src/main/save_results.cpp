// Saving the output pane as text, or the statement's result as an XLS file.
#include "main/form1.h"

#include "text/codepage.h"
#include "database/failure.h"
#include "ui/messages.h"
#include "controls/save_dialog.h"
#include "controls/text_pane.h"
#include "database/query.h"
#include "ui/long_run.h"
#include "ui/xls_save.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSaveFile>
#include <cerrno>
#include <optional>

namespace {


// The pane's text in Big5 with CR LF line breaks; with the user's leave UTF-8
// when Big5 cannot hold every character. Empty optional: do not save.
std::optional<QByteArray> EncodeForSaving(QString text) {
  text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  qsizetype unconvertible = 0;
  QByteArray bytes = ToBig5(text, &unconvertible);
  if (unconvertible == 0) return bytes;
  if (!Confirm(QStringLiteral("有 %1 個字元無法以Big5字碼儲存。\n按「確定」改存成UTF-8, 按「取消」不存檔。")
                   .arg(unconvertible)))
    return std::nullopt;
  return text.toUtf8();
}

// Replaces the file only when every byte was written.
void WriteWhole(const QString& fileName, const QByteArray& bytes) {
  QSaveFile file(fileName);
  if (!file.open(QIODevice::WriteOnly))
    throw FileFailure(QStringLiteral("無法產生檔案 %1").arg(fileName), fileName, file.errorString());
  errno = 0;
  if (file.write(bytes) != bytes.size() || !file.commit()) {
    const QString reason = WriteErrorReason(errno, file.errorString());
    file.cancelWriting();
    throw FileFailure(kStreamWriteError, fileName, reason);
  }
}

}  // namespace

void TForm1::ButtonSaveClick(QObject*) {
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
    if (const auto bytes = EncodeForSaving(MemoOutput->toPlainText())) WriteWhole(fileName, *bytes);
    return;
  }
  LabelRecNo->setText(QStringLiteral("0"));
  Query1->Close();
  Query1->SQL().SetText(MemoSQL->toPlainText());
  Query1->Open();
  LongRun run = StartLongRun();
  QueryToXLS(*Query1, fileName, &run);
  Query1->Close();
}
