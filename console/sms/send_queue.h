#pragma once

#include "sms_record.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class CDbConnection;

// The outgoing queue as the console uses it: rows it inserts into SendSmsTable for the
// gateway host, and the rows it reads back. A row's NewFlag is 1 while the console has not
// yet seen a change of it; the console resets it row by row, and only when the row still
// holds what was read, so a change the host makes meanwhile is never lost.
//
// Failures of the writes are shown through the message sink and answered as false. A read
// that fails answers nothing (std::nullopt) and shows nothing: the connection's errors
// tell why, and the caller decides when the operator hears of it.
class SendQueue final {
public:
    explicit SendQueue(CDbConnection& connection);

    // One pending row.
    bool EnqueueSms(const std::string& phone, const std::string& content);
    // One pending row per number, in one transaction: all of them or none.
    bool EnqueueSms(const std::vector<std::string>& phones, const std::string& content);
    bool DeleteSms(int index);
    // Every row of the table, also those never shown.
    bool DeleteAllSms();

    // Every row, walked from the last to the first, in that order. Afterwards the flags of
    // the rows read are cleared, where a row still holds what was read; a row the host
    // added or changed after the read keeps its flag for the next refresh.
    // Nothing when either step's select failed.
    std::optional<std::vector<SmsRecord>> LoadAllSms();
    // The two steps of LoadAllSms; ClearFlagsRead answers false when the flagged rows
    // could not be read (then no flag was cleared).
    std::optional<std::vector<SmsRecord>> ReadAllSms();
    bool ClearFlagsRead(const std::vector<SmsRecord>& records);
    // The flagged rows in query order, each reset as it is read. A row whose reset found it
    // changed since the read is left out: it keeps its flag and comes with the next fetch.
    std::optional<std::vector<SmsRecord>> FetchChangedSms();
    // The same for flagged pending rows.
    std::optional<std::vector<SmsRecord>> FetchNewPendingSms();

    // Called with the number of rows dealt with so far, between rows and never inside a
    // transaction, so a long fetch can keep a window alive.
    void SetRowHook(std::function<void(std::size_t rowsDone)> hook) { m_rowHook = std::move(hook); }

private:
    std::optional<std::vector<SmsRecord>> Fetch(const std::string& statement);
    bool Run(const std::string& statement);

    CDbConnection& m_connection;
    std::function<void(std::size_t)> m_rowHook;
};
