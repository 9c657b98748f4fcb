#pragma once
// Writes a one-sheet spreadsheet file of the XLS family record by record:
// BOF, DIMENSIONS, cells (INTEGER, NUMBER, LABEL), EOF. Nothing else: no code
// page, fonts or formats. The file replaces its target only when Commit is
// called, so a failed write never destroys what was there.
#include "database/failure.h"

#include <QSaveFile>
#include <QString>
#include <memory>

class TField;

class TXLSWriter {
public:
  // Opens FileName for writing. An existing file is overwritten only when the
  // user agrees (asked through AskToConfirm); otherwise Stream() is null and
  // nothing may be written. Throws "無法產生檔案 %s" / "無法開啟檔案 %s".
  explicit TXLSWriter(const QString& fileName);
  ~TXLSWriter();

  // The file; Flush before moving its position.
  QSaveFile* Stream() const { return stream_.get(); }
  // Hands the records collected so far to the file.
  void Flush();
  quint16 MaxCols = 100;
  quint16 MaxRows = 1000;

  void WriteWord(int value);
  void WriteBOF();
  void WriteDimensions();
  void WriteInteger(int row, int col, int value);
  void WriteNumber(int row, int col, double value);
  // The text in Big5, cut to 255 bytes between characters; characters the
  // code page cannot hold become "?" (counted in ReplacedCharacters).
  // False when the text had to be cut.
  bool WriteLabel(int row, int col, const QString& text);
  void WriteFieldCell(int row, int col, const TField* field);
  void WriteEOF();
  // Puts the written file in place of the target; throws on failure.
  void Commit();
  qsizetype ReplacedCharacters() const { return replaced_; }
  // Field values (WriteFieldCell) whose label was cut to 255 bytes.
  qsizetype CutValues() const { return cutValues_; }
  // Numbers a double would change, written as their text.
  qsizetype NumbersAsText() const { return numbersAsText_; }

private:
  // "串流(Stream)寫入錯誤" with the file and the system's reason.
  Failure WriteFailure(int savedErrno) const;
  void Write(const char* data, qint64 size);
  void CellHeader(int id, int length, int row, int col);
  void WriteLabelBytes(int row, int col, const char* bytes, qsizetype size);

  QString fileName_;
  std::unique_ptr<QSaveFile> stream_;
  // Records go to the file in large writes.
  static constexpr qsizetype kBufferBytes = 64 << 10;
  std::unique_ptr<char[]> buffer_{new char[kBufferBytes]};
  qsizetype used_ = 0;
  qsizetype replaced_ = 0;
  qsizetype cutValues_ = 0;
  qsizetype numbersAsText_ = 0;
};
