-- Varnholt database, SQLite. Text columns compare without regard to letter case
-- (COLLATE NOCASE). The schema names only what every SQLite has, so any program (a
-- gateway host of its own, the sqlite3 shell) can write every table; the data layer folds
-- letters beyond ASCII itself where a statement compares with such a text. Date/time
-- columns hold 'YYYY-MM-DD HH:MM:SS' text and are declared DATETIME so the data layer
-- reads them as date/time values. AUTOINCREMENT keeps row numbers from being reused after
-- deletes.

CREATE TABLE ProductGroupTable (
    ProductName    TEXT COLLATE NOCASE,
    ProductRemark  TEXT COLLATE NOCASE,
    CreateCodeTime DATETIME,
    UseCodeTime    DATETIME,
    StartNumber    TEXT COLLATE NOCASE,
    EndNumber      TEXT COLLATE NOCASE,
    ProductCount   INTEGER,
    ProductStatus  TEXT COLLATE NOCASE,
    ProductCode    INTEGER
);
CREATE INDEX ProductGroupTable_ProductName ON ProductGroupTable (ProductName);

CREATE TABLE ProductTable (
    ProductID   TEXT COLLATE NOCASE,
    ProductCode TEXT COLLATE NOCASE,
    QueryCount  INTEGER,
    ProductName TEXT COLLATE NOCASE,
    UseStatus   INTEGER DEFAULT 0
);
CREATE INDEX ProductTable_ProductID ON ProductTable (ProductID);
CREATE INDEX ProductTable_ProductName ON ProductTable (ProductName);

CREATE TABLE QueryLogTable (
    QueryIndex       INTEGER PRIMARY KEY AUTOINCREMENT,
    QueryTime        DATETIME,
    QueryPhoneNumber TEXT COLLATE NOCASE,
    QueryProductID   TEXT COLLATE NOCASE,
    QueryProductCode TEXT COLLATE NOCASE,
    RealProductCode  TEXT COLLATE NOCASE,
    QueryStatus      INTEGER,
    QueryComm        TEXT COLLATE NOCASE,
    QueryProv        TEXT COLLATE NOCASE,
    QueryCity        TEXT COLLATE NOCASE,
    ProductName      TEXT COLLATE NOCASE
);
-- The province and status ride in the time index so that counting a range (the query
-- charts) needs no look at the rows themselves.
CREATE INDEX QueryLogTable_QueryTime ON QueryLogTable (QueryTime, QueryProv, QueryStatus);
CREATE INDEX QueryLogTable_QueryProductID ON QueryLogTable (QueryProductID);
CREATE INDEX QueryLogTable_ProductName ON QueryLogTable (ProductName);

CREATE TABLE SendSmsTable (
    SmsIndex    INTEGER PRIMARY KEY AUTOINCREMENT,
    SendStatus  TEXT COLLATE NOCASE,
    SendTime    DATETIME,
    PhoneNumber TEXT COLLATE NOCASE,
    SmsContent  TEXT COLLATE NOCASE,
    NewFlag     INTEGER
);
CREATE INDEX SendSmsTable_NewFlag ON SendSmsTable (NewFlag);
CREATE INDEX SendSmsTable_SendStatus ON SendSmsTable (SendStatus);

-- Gateway hosts sharing the queue: one row per message in 发送中, the host that claimed
-- it and until when (seconds since 1970 by the database's clock) unless it renews.
CREATE TABLE SendSmsLease (
    SmsIndex  INTEGER PRIMARY KEY,
    HostName  TEXT NOT NULL,
    HostPid   INTEGER NOT NULL,
    ClaimedAt INTEGER NOT NULL,
    ExpiresAt INTEGER NOT NULL
);

CREATE TABLE AddressTable (
    ProvName TEXT COLLATE NOCASE,
    CityName TEXT COLLATE NOCASE
);
CREATE INDEX AddressTable_ProvName ON AddressTable (ProvName);
