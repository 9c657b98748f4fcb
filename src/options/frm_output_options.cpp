#include "options/frm_output_options.h"

#include "ui/messages.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QComboBox* Choices(QWidget* parent, const char* name, const QStringList& items, int current) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QLatin1String(name));
  box->addItems(items);
  box->setCurrentIndex(current);
  return box;
}

QLineEdit* Edit(QWidget* parent, const char* name, const QString& text, const QString& hint) {
  auto* edit = new QLineEdit(text, parent);
  edit->setObjectName(QLatin1String(name));
  edit->setPlaceholderText(hint);
  return edit;
}
}  // namespace

TfrmOutputOptions::TfrmOutputOptions(const OutputOptions& options, QWidget* parent)
    : QDialog(parent), options_(options) {
  setObjectName(QStringLiteral("frmOutputOptions"));
  setWindowTitle(QStringLiteral("輸出選項"));
  cmbLineFormat = Choices(this, "cmbLineFormat", {QStringLiteral("原樣"), QStringLiteral("CSV (RFC 4180)")},
                          options.lineFormat == LineFormat::Csv ? 1 : 0);
  EdNullText = Edit(this, "EdNullText", options.nullText, QStringLiteral("(空白: null 寫成空的欄位)"));
  cmbEncoding = Choices(this, "cmbEncoding",
                        {QStringLiteral("Big5"), QStringLiteral("UTF-8"), QStringLiteral("UTF-8 含 BOM")},
                        static_cast<int>(options.encoding));
  cmbLineBreak = Choices(this, "cmbLineBreak", {QStringLiteral("CR LF"), QStringLiteral("LF")}, options.crLf ? 0 : 1);
  EdBatchSize = Edit(this, "EdBatchSize", options.batchRows > 0 ? QString::number(options.batchRows) : QString(),
                     QStringLiteral("(空白: 只在最後寫 go)"));
  cmbTarget = Choices(this, "cmbTarget",
                      {QStringLiteral("原樣"), QStringLiteral("標準SQL"), QStringLiteral("MySQL/MariaDB"),
                       QStringLiteral("PostgreSQL")},
                      static_cast<int>(options.target));
  EdUseDatabase = Edit(this, "EdUseDatabase", options.useDatabase, QStringLiteral("(空白: 不寫 use 這一行)"));
  ButtonOK = new QPushButton(QStringLiteral("確定"), this);
  ButtonOK->setObjectName(QStringLiteral("ButtonOK"));
  ButtonOK->setDefault(true);
  ButtonCancel = new QPushButton(QStringLiteral("取消"), this);
  ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("分隔的每一行:"), cmbLineFormat);
  form->addRow(QStringLiteral("null 的文字:"), EdNullText);
  form->addRow(QStringLiteral("文字檔的字碼:"), cmbEncoding);
  form->addRow(QStringLiteral("換行:"), cmbLineBreak);
  form->addRow(QStringLiteral("每幾筆寫一行 go:"), EdBatchSize);
  form->addRow(QStringLiteral("insert 的目標資料庫:"), cmbTarget);
  form->addRow(QStringLiteral("use 的資料庫:"), EdUseDatabase);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ButtonOK);
  buttons->addWidget(ButtonCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(new QLabel(QStringLiteral("這些選項用到程式結束為止; 預設值就是本程式原來的寫法。"), this));
  layout->addLayout(buttons);
  connect(ButtonOK, &QPushButton::clicked, this, &TfrmOutputOptions::ButtonOKClick);
  connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmOutputOptions::ButtonOKClick() {
  const QString batch = EdBatchSize->text().trimmed();
  bool number = true;
  const int rows = batch.isEmpty() ? 0 : batch.toInt(&number);
  if (!number || (!batch.isEmpty() && rows < 1)) {
    ShowWarning(QStringLiteral("「每幾筆寫一行 go」要填一個大於 0 的整數, 或留空白 (只在最後寫 go); 「%1」不行").arg(batch));
    EdBatchSize->setFocus();
    return;
  }
  const QString database = EdUseDatabase->text().trimmed();
  for (QChar c : database) {
    if (!c.isLetterOrNumber() && c != QLatin1Char('_') && c != QLatin1Char('$')) {
      ShowWarning(QStringLiteral("「use 的資料庫」只能是一個資料庫的名稱 (字母、數字、_), 「%1」不行").arg(database));
      EdUseDatabase->setFocus();
      return;
    }
  }
  const QString nullText = EdNullText->text();
  if (nullText.contains(QLatin1Char('\r')) || nullText.contains(QLatin1Char('\n'))) {
    ShowWarning(QStringLiteral("null 的文字不能含有換行"));
    return;
  }
  options_.lineFormat = cmbLineFormat->currentIndex() == 1 ? LineFormat::Csv : LineFormat::AsIs;
  options_.nullText = nullText;
  options_.encoding = static_cast<FileEncoding>(cmbEncoding->currentIndex());
  options_.crLf = cmbLineBreak->currentIndex() == 0;
  options_.batchRows = rows;
  options_.target = static_cast<LiteralTarget>(cmbTarget->currentIndex());
  options_.useDatabase = database;
  accept();
}

bool EditOutputOptions(OutputOptions& options, QWidget* parent) {
  TfrmOutputOptions dialog(options, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  options = dialog.Options();
  return true;
}
