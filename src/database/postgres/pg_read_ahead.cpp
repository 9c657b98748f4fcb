#include "database/postgres/pg_read_ahead.h"

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
  QByteArray fetch;
  int blockRows;
  const PgRowEncoder& encoder;
  bool asked = false;  // a FETCH is on its way
};

}  // namespace

std::unique_ptr<ReadAhead> StartPgReadAhead(PGconn* conn, const QByteArray& fetch, int blockRows,
                                            const PgRowEncoder& encoder) {
  auto state = std::make_shared<PgBlocks>(PgBlocks{conn, fetch, blockRows, encoder});
  state->asked = PQsendQuery(conn, fetch.constData()) == 1;
  auto reader = std::make_unique<ReadAhead>(
      [state] {
        ReadAhead::Block block;
        if (!state->asked) {
          block.failure = QString::fromUtf8(PQerrorMessage(state->conn)).trimmed();
          return block;
        }
        const PgResult rows = TakeResult(state->conn);
        state->asked = false;
        if (!rows || PQresultStatus(rows.get()) != PGRES_TUPLES_OK) {
          block.failure =
              QString::fromUtf8(rows ? PQresultErrorMessage(rows.get()) : PQerrorMessage(state->conn)).trimmed();
          return block;
        }
        block.last = PQntuples(rows.get()) < state->blockRows;
        if (!block.last) state->asked = PQsendQuery(state->conn, state->fetch.constData()) == 1;
        if (!state->encoder.Encode(rows.get(), block.rows, block.unrepresentable))
          block.failure = QStringLiteral("記憶體不足");
        return block;
      },
      [state] {
        if (state->asked) TakeResult(state->conn);  // stopped with a block on its way
      });
  return reader;
}
