#pragma once
// The blocks of an open PostgreSQL cursor, fetched and stored ahead of the
// program (see ReadAhead). The next block is always asked for before the
// one at hand is stored, so that the server works on it meanwhile.
#include "database/postgres/pg_row_encoder.h"
#include "database/read_ahead.h"

#include <libpq-fe.h>
#include <memory>

struct PgResultDeleter {
  void operator()(PGresult* r) const { PQclear(r); }
};
using PgResult = std::unique_ptr<PGresult, PgResultDeleter>;

// `fetch` is the FETCH statement; a block shorter than `blockRows` is the
// last. `encoder` must outlive the read-ahead.
std::unique_ptr<ReadAhead> StartPgReadAhead(PGconn* conn, const QByteArray& fetch, int blockRows,
                                            const PgRowEncoder& encoder);
