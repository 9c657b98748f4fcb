#include "database/postgres/pg_read_ahead.h"

#include <algorithm>

namespace {

// The result of the statement sent last: the first result, the rest read
// and dropped so that the connection is free again.
PgResult TakeResult(PGconn* conn) {
  PgResult first(PQgetResult(conn));
  if (first)
    while (PGresult* more = PQgetResult(conn)) PQclear(more);
  return first;
}

struct PgBlocks {
  PGconn* conn;
  QByteArray cursor;
  std::size_t rowBytes;  // what a row takes, by the rows read so far
  int maxRows;
  const PgRowEncoder& encoder;
  const std::atomic<bool>& cancelled;
  int asked = 0;  // rows asked for by the FETCH on its way, 0 when none is

  void Ask() {
    // After a stop nothing more is asked: the server's cancel applies only
    // to the FETCH under way.
    if (cancelled) {
      asked = 0;
      return;
    }
    const std::size_t rows = kReadAheadBlockBytes / std::max<std::size_t>(rowBytes, 1);
    const int count = static_cast<int>(std::clamp<std::size_t>(rows, 16, static_cast<std::size_t>(maxRows)));
    const QByteArray fetch = "FETCH FORWARD " + QByteArray::number(count) + " FROM " + cursor;
    asked = PQsendQuery(conn, fetch.constData()) == 1 ? count : 0;
  }
};

}  // namespace

std::unique_ptr<ReadAhead> StartPgReadAhead(PGconn* conn, const QByteArray& cursor, std::size_t rowBytes,
                                            int maxRows, const PgRowEncoder& encoder,
                                            const std::atomic<bool>& cancelled, EngineStop engine) {
  auto state = std::make_shared<PgBlocks>(PgBlocks{conn, cursor, rowBytes, maxRows, encoder, cancelled});
  state->Ask();
  auto reader = std::make_unique<ReadAhead>(
      [state] {
        ReadAhead::Block block;
        if (state->asked == 0) {
          block.failure = state->cancelled ? QStringLiteral("canceling statement due to user request")
                                           : QString::fromUtf8(PQerrorMessage(state->conn)).trimmed();
          return block;
        }
        const PgResult rows = TakeResult(state->conn);
        const int asked = state->asked;
        state->asked = 0;
        if (!rows || PQresultStatus(rows.get()) != PGRES_TUPLES_OK) {
          block.failure =
              QString::fromUtf8(rows ? PQresultErrorMessage(rows.get()) : PQerrorMessage(state->conn)).trimmed();
          return block;
        }
        const int count = PQntuples(rows.get());
        block.last = count < asked;
        if (!block.last) state->Ask();
        if (!state->encoder.Encode(rows.get(), block.rows, block.unrepresentable))
          block.failure = QStringLiteral("記憶體不足");
        if (count > 0) state->rowBytes = block.rows.Bytes() / static_cast<std::size_t>(count);
        return block;
      },
      [state] {
        if (state->asked) TakeResult(state->conn);  // stopped with a block on its way
      },
      std::move(engine));
  return reader;
}
