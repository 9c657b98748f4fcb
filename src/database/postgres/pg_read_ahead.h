#pragma once
// The blocks of an open PostgreSQL cursor, fetched and stored ahead of the
// program (see ReadAhead). The next block is always asked for before the
// one at hand is stored, so that the server works on it meanwhile.
#include "database/postgres/pg_row_encoder.h"
#include "database/read_ahead.h"

#include <atomic>
#include <libpq-fe.h>
#include <memory>

struct PgResultDeleter {
  void operator()(PGresult* r) const { PQclear(r); }
};
using PgResult = std::unique_ptr<PGresult, PgResultDeleter>;

// Fetches from `cursor` as many rows at a time as make about a block's
// bytes (kReadAheadBlockBytes), judged by the rows so far (`rowBytes` each
// in the first block), at most `maxRows`. `encoder` must outlive the
// read-ahead; nothing more is asked once `cancelled` is set. `engine` stops
// a FETCH that does not end when the read-ahead must stop.
std::unique_ptr<ReadAhead> StartPgReadAhead(PGconn* conn, const QByteArray& cursor, std::size_t rowBytes,
                                            int maxRows, const PgRowEncoder& encoder,
                                            const std::atomic<bool>& cancelled, EngineStop engine);
