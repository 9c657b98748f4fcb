#pragma once
// Stores the rows of a block as the server sent them (text), each value read
// as its column says. Safe to use on the thread that fetches the blocks.
#include "database/postgres/pg_types.h"
#include "database/row_store.h"

#include <libpq-fe.h>
#include <vector>

class PgRowEncoder {
public:
  explicit PgRowEncoder(std::vector<PgRead> reads) : reads_(std::move(reads)) {}
  // Appends every row of `block` to `into`. Values the program cannot
  // represent are stored as null and counted in `unrepresentable`. False
  // when memory ran out (the rows stored so far stay).
  bool Encode(const PGresult* block, RowStore& into, qint64& unrepresentable) const;

private:
  bool StoreValue(PgRead read, const char* text, std::size_t size, RowStore& into, qint64& unrepresentable) const;
  std::vector<PgRead> reads_;
};
