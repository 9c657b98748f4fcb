#pragma once
// How the columns of a MariaDB or MySQL result are described and read. The
// description is the one the MariaDB ODBC driver gives for the same column,
// so a data source shows the same fields whichever way it is reached; the
// values are the server's own (see MySqlRead).
#include "database/backend.h"
#include "database/mysql_values.h"

#include <mysql.h>

struct MariaDbColumnType {
  ColumnDescription description;
  MySqlRead read = MySqlRead::Text;
};

MariaDbColumnType DescribeMariaDbColumn(const MYSQL_FIELD& field);
