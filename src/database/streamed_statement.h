#pragma once
// A statement whose rows a server streams on a connection that carries one
// result at a time (a PostgreSQL cursor, a MariaDB result): blocks read
// ahead by a thread and handed over whole. When another statement needs the
// connection the stream is abandoned: the blocks read are kept, and a result
// that was not read to its end says so rather than ending early.
#include "database/backend.h"
#include "database/read_ahead.h"

#include <deque>
#include <memory>
#include <vector>

class StreamedStatement : public BackendStatement {
public:
  const std::vector<ColumnDescription>& Columns() const override { return columns_; }
  bool FetchRow(RowStore& into) override;
  // A block is handed over whole, as it came from the reader.
  qint64 FetchRows(RowStore& into, qint64 atMost) override;
  bool RowsReady() const override;

protected:
  // Whether the connection's stream is this statement's.
  virtual bool Streaming() const = 0;
  // Takes the next block of the stream into ready_ (ending the stream at
  // its last block); throws the engine's failure.
  virtual void NextBlock() = 0;
  // Takes a block kept when the stream was abandoned into ready_; throws
  // its failure.
  virtual void TakeKept(ReadAhead::Block&& block) = 0;
  // Drops what a run left: before the next run, or when the result ends.
  void ClearRows();

  std::vector<ColumnDescription> columns_;
  std::unique_ptr<ReadAhead> reader_;
  ReadyRows ready_;
  std::deque<ReadAhead::Block> kept_;  // read before another statement came first
  bool abandoned_ = false;             // the stream ended before its end

private:
  // Whether a row is ready to hand over, taking the next block if need be.
  bool Ready();
};
