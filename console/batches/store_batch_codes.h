#pragma once

#include <functional>
#include <string>

class CDbConnection;
class Clock;

// Which end of the batch a report names.
enum class BatchEnd { First = 0, Last = 1 };

// Called once per code with its serial, before the code is composed. No transaction is
// held while it runs, so the console may let its window work in it.
using BatchProgressHook = std::function<void(int serial)>;
// Called with the ProductID being written as StartNumber (First) or EndNumber (Last),
// as its update statement runs.
using BatchEndReport = std::function<void(BatchEnd end, const std::string& productId)>;
// Called between two stretches of the copy with the codes stored so far and the time, in
// milliseconds, the run leaves the database to other programs (0: only a breath). It
// should come back after about that long; no transaction is held meanwhile. Without it
// the run sleeps.
using BatchPauseHook = std::function<void(int codesStored, int pauseMs)>;

// Writes the codes of one batch: one ProductTable row per serial 0..quantity-1, then the
// batch's StartNumber and EndNumber and CreateCodeTime=now(). The codes take their time
// from clock, read afresh for every code.
//
// Other programs (the gateway host) write the same database meanwhile, so the run never
// holds the write lock for long: it composes a stretch of codes outside any transaction,
// copies it in one short transaction, and pauses before the next. The last stretch also
// writes the batch row, so the batch counts as generated only when every code is stored.
// A run that fails takes the codes it stored away again and shows the failure once
// through the message sink; leftovers of a run that was killed are taken away by the next
// run of the batch. The run refuses a batch the database does not hold or that has codes
// already, and a second run while one is going on in this process. Answers true when
// every code is stored.
bool StoreBatchCodes(CDbConnection& connection, const Clock& clock, const std::string& name, int batchNumber,
                     int quantity, const BatchProgressHook& progress, const BatchEndReport& report,
                     const BatchPauseHook& pause = {});

// The same on a connection of its own, opened with shared's connection string (its now()
// reads clock), so that nothing else the console does meanwhile can join the run's
// transactions.
bool StoreBatchCodesApart(const CDbConnection& shared, const Clock& clock, const std::string& name, int batchNumber,
                          int quantity, const BatchProgressHook& progress, const BatchEndReport& report,
                          const BatchPauseHook& pause = {});
