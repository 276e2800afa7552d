#pragma once

#include <string>
#include <vector>

class CDbConnection;

// A SendSmsTable row waiting to be sent.
struct QueuedSms {
    int index = 0;
    std::string phoneNumber;
    std::string content;
};

// The statements by which the host works off SendSmsTable. Every change sets NewFlag 1,
// the console's only way to notice it. Each answers false with the cause in error.
namespace queue_store {

// Rows left in 发送中 by a host that ended during a send go back to 待发: sent once more
// rather than lost.
bool ResetInterrupted(CDbConnection& connection, int& rows, std::string& error);
// Up to limit waiting rows, oldest first.
bool NextWaiting(CDbConnection& connection, int limit, std::vector<QueuedSms>& rows, std::string& error);
// Takes a row for this host: true in claimed only when it was still 待发, so two hosts
// never send one row.
bool Claim(CDbConnection& connection, int index, bool& claimed, std::string& error);
// 成功 or 失败 with the time of the outcome ("%Y-%m-%d %H:%M:%S", local).
bool MarkSent(CDbConnection& connection, int index, bool success, const std::string& time, std::string& error);
// A claimed row that was not sent (the modem went away) waits again.
bool Release(CDbConnection& connection, int index, std::string& error);

} // namespace queue_store
