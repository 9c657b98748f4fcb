-- The demo database: a small trading company in Taipei with a fish tank.
-- Declared types are chosen so that together they cover every field type
-- the program knows.

create table customer (
  cust_no      integer primary key autoincrement,  -- ftAutoInc
  company      varchar(40) not null,                -- ftString(40)
  contact      nchar(12),                           -- ftString(12)
  address      nvarchar(80),
  city         char(10),
  phone        char(15),
  credit_limit money,                               -- ftCurrency
  vip          boolean,                             -- ftBoolean
  first_order  date,                                -- ftDate
  notes        text                                 -- ftMemo
);

create table employee (
  emp_no      smallint primary key,                 -- ftSmallint
  name        varchar(20) not null,
  dept_no     smallint unsigned,                    -- ftWord
  hire_date   datetime,                             -- ftDateTime
  salary      decimal(12,2),                        -- ftBCD
  phone_ext   char(4),
  start_time  time,                                 -- ftTime
  photo       graphic                               -- ftGraphic
);

create table department (
  dept_no    tinyint unsigned primary key,
  name       varchar(20),
  budget     numeric(18,6),
  head_emp   int2,
  location   varchar(30)
);

create table parts (
  part_no      integer primary key,
  description  varchar(40),
  on_hand      integer,
  list_price   double,                              -- ftFloat
  cost         currency,
  discontinued bit,
  spec_sheet   blob                                 -- ftBlob (no picture)
);

create table orders (
  order_no    integer primary key,
  cust_no     integer references customer(cust_no),
  emp_no      smallint references employee(emp_no),
  sale_date   timestamp,
  ship_date   date,
  ship_time   time,
  amount_paid decimal(14,4),
  tax_rate    real,
  paid        bool
);

create table items (
  order_no  integer,
  item_no   smallint,
  part_no   integer,
  qty       integer,
  discount  float,
  primary key (order_no, item_no)
);

create table species (
  species_no  integer primary key,
  category    varchar(15),
  common_name nvarchar(30),
  length_cm   float,
  notes       memo,
  picture     image                                 -- ftBlob, shown by the picture box
);

create table country (
  name        varchar(24) primary key,
  capital     varchar(24),
  continent   varchar(24),
  area        float,
  population  bigint                                -- 64-bit values
);

-- Waiting for its first row.
create table pending_tasks (
  task_no   integer primary key,
  title     varchar(60),
  due       datetime,
  done      boolean
);

create table sales_log (
  log_no    integer primary key,
  sold_at   datetime,
  branch    nvarchar(10),
  part_no   integer,
  qty       smallint,
  price     money,
  remark    varchar(30)
);
