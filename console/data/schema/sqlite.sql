-- Varnholt database, SQLite. Text columns compare without regard to letter case
-- (COLLATE VARNHOLT_NOCASE: every letter folded to lower case, accented and full-width
-- ones too, as citext does on the server; the data layer registers it on each connection,
-- and any other program that writes or compares these columns registers a collation of
-- that name too). Date/time columns hold 'YYYY-MM-DD HH:MM:SS' text and are declared
-- DATETIME so the data layer reads them as date/time values. AUTOINCREMENT keeps row
-- numbers from being reused after deletes.

CREATE TABLE ProductGroupTable (
    ProductName    TEXT COLLATE VARNHOLT_NOCASE,
    ProductRemark  TEXT COLLATE VARNHOLT_NOCASE,
    CreateCodeTime DATETIME,
    UseCodeTime    DATETIME,
    StartNumber    TEXT COLLATE VARNHOLT_NOCASE,
    EndNumber      TEXT COLLATE VARNHOLT_NOCASE,
    ProductCount   INTEGER,
    ProductStatus  TEXT COLLATE VARNHOLT_NOCASE,
    ProductCode    INTEGER
);
CREATE INDEX ProductGroupTable_ProductName ON ProductGroupTable (ProductName);

CREATE TABLE ProductTable (
    ProductID   TEXT COLLATE VARNHOLT_NOCASE,
    ProductCode TEXT COLLATE VARNHOLT_NOCASE,
    QueryCount  INTEGER,
    ProductName TEXT COLLATE VARNHOLT_NOCASE,
    UseStatus   INTEGER DEFAULT 0
);
CREATE INDEX ProductTable_ProductID ON ProductTable (ProductID);
CREATE INDEX ProductTable_ProductName ON ProductTable (ProductName);

CREATE TABLE QueryLogTable (
    QueryIndex       INTEGER PRIMARY KEY AUTOINCREMENT,
    QueryTime        DATETIME,
    QueryPhoneNumber TEXT COLLATE VARNHOLT_NOCASE,
    QueryProductID   TEXT COLLATE VARNHOLT_NOCASE,
    QueryProductCode TEXT COLLATE VARNHOLT_NOCASE,
    RealProductCode  TEXT COLLATE VARNHOLT_NOCASE,
    QueryStatus      INTEGER,
    QueryComm        TEXT COLLATE VARNHOLT_NOCASE,
    QueryProv        TEXT COLLATE VARNHOLT_NOCASE,
    QueryCity        TEXT COLLATE VARNHOLT_NOCASE,
    ProductName      TEXT COLLATE VARNHOLT_NOCASE
);
CREATE INDEX QueryLogTable_QueryTime ON QueryLogTable (QueryTime);
CREATE INDEX QueryLogTable_QueryProductID ON QueryLogTable (QueryProductID);
CREATE INDEX QueryLogTable_ProductName ON QueryLogTable (ProductName);

CREATE TABLE SendSmsTable (
    SmsIndex    INTEGER PRIMARY KEY AUTOINCREMENT,
    SendStatus  TEXT COLLATE VARNHOLT_NOCASE,
    SendTime    DATETIME,
    PhoneNumber TEXT COLLATE VARNHOLT_NOCASE,
    SmsContent  TEXT COLLATE VARNHOLT_NOCASE,
    NewFlag     INTEGER
);
CREATE INDEX SendSmsTable_NewFlag ON SendSmsTable (NewFlag);

CREATE TABLE AddressTable (
    ProvName TEXT COLLATE VARNHOLT_NOCASE,
    CityName TEXT COLLATE VARNHOLT_NOCASE
);
CREATE INDEX AddressTable_ProvName ON AddressTable (ProvName);
