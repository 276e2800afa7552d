#pragma once

#include "query_outcome.h"
#include "query_text.h"
#include "region_lookup.h"
#include "reply_texts.h"

#include <string>

class CDbConnection;

// One verification query as it arrived, before the database has seen it.
struct ReceivedQuery {
    std::string sender;
    QueryCode code;
    std::string receivedAt; // local time "%Y-%m-%d %H:%M:%S": the query's QueryTime
    std::string comm;       // the port it came in on
    Region region;
    bool answer = true; // false past the sender's rate limit: logged, not answered
};

struct RecordedQuery {
    int status = 0;
    std::string productName;
    std::string realCode;
    std::string firstTime; // of the code's first genuine query, for a repeated one
    std::string reply;     // the answer's text; empty when not answered
    bool replyQueued = false;
};

// The database work of one query in one transaction: the code's QueryCount, the
// QueryLogTable row and (enqueueReply) the answer as a 待发 row of SendSmsTable succeed or
// fail together. False with the cause in error; nothing is then changed. On PostgreSQL
// the count and the log row are one prepared statement (one round trip).
bool RecordQuery(CDbConnection& connection, const ReceivedQuery& query, const ReplyTexts& texts, bool enqueueReply,
                 RecordedQuery& out, std::string& error);

// The same work statement by statement in a transaction: what RecordQuery does on SQLite,
// where a statement costs no round trip (on a server, the benchmark's baseline).
bool RecordQueryStepwise(CDbConnection& connection, const ReceivedQuery& query, const ReplyTexts& texts,
                         bool enqueueReply, RecordedQuery& out, std::string& error);

// A message that holds no code, kept for the staff as a 接收 row of SendSmsTable; smsTime
// is the service centre's time stamp, "%Y-%m-%d %H:%M:%S".
bool StoreReceivedText(CDbConnection& connection, const std::string& sender, const std::string& text,
                       const std::string& smsTime, std::string& error);
