#pragma once

#include <functional>
#include <string>
#include <vector>

class CDbConnection;

// A SendSmsTable row waiting to be sent.
struct QueuedSms {
    int index = 0;
    std::string phoneNumber;
    std::string content;
};

// Who holds a claimed row, and for how long a claim lasts unless renewed. The machine's
// name tells hosts on other machines apart, the process id hosts on one machine.
struct LeaseOwner {
    std::string host;
    int pid = 0;
    int seconds = 60;
};

// The statements by which the host works off SendSmsTable. Every change sets NewFlag 1,
// the console's only way to notice it. Each answers false with the cause in error.
//
// A row in 发送中 is held by a lease in the side table SendSmsLease (SmsIndex, HostName,
// HostPid, ClaimedAt, ExpiresAt; seconds since 1970 by the database server's clock, so the
// clocks of the hosts' machines do not matter). The lease and the row's status change in
// one transaction. A host renews the leases of the rows it holds; a lease that ran out
// (its host died or lost the database) is reclaimed by any host and its row waits again.
namespace queue_store {

// Creates SendSmsLease when the database lacks it (one made before the schema had it).
bool EnsureLeaseTable(CDbConnection& connection, std::string& error);
// The queue is read by status; older databases lack the index that makes that cheap.
bool EnsureStatusIndex(CDbConnection& connection, std::string& error);
// Rows in 发送中 that no lease holds (left by a host of an earlier version, or by hand) go
// back to 待发: sent once more rather than lost. Run once at start: a host without leases
// sharing the database could be sending them.
bool ResetUnleased(CDbConnection& connection, int& rows, std::string& error);
// Up to limit waiting rows, oldest first.
bool NextWaiting(CDbConnection& connection, int limit, std::vector<QueuedSms>& rows, std::string& error);
// Takes a row for owner: true in claimed only when it was still 待发, so two hosts never
// send one row.
bool Claim(CDbConnection& connection, int index, const LeaseOwner& owner, bool& claimed, std::string& error);
// 成功 or 失败 with the time of the outcome ("%Y-%m-%d %H:%M:%S", local); the lease goes,
// whoever holds it by now (the message went out).
bool MarkSent(CDbConnection& connection, int index, bool success, const std::string& time, std::string& error);
// A claimed row that was not sent (the modem went away) waits again, unless owner no
// longer holds it (another host reclaimed it meanwhile).
bool Release(CDbConnection& connection, int index, const LeaseOwner& owner, std::string& error);
// Extends owner's leases on the rows given; renewed counts those still held.
bool Renew(CDbConnection& connection, const LeaseOwner& owner, const std::vector<int>& indexes, int& renewed,
           std::string& error);
// Rows whose lease ran out, and rows held by processes of owner's machine that no longer
// run (isRunning answers for a process id), wait again; rows gives how many.
bool Reclaim(CDbConnection& connection, const LeaseOwner& owner, const std::function<bool(int)>& isRunning, int& rows,
             std::string& error);

} // namespace queue_store
