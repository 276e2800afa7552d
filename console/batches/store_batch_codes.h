#pragma once

#include <functional>
#include <string>

class CDbConnection;
class Clock;

// Which end of the batch a report names.
enum class BatchEnd { First = 0, Last = 1 };

// Called once per code with its serial, before the code is composed.
using BatchProgressHook = std::function<void(int serial)>;
// Called with the ProductID being written as StartNumber (First) or EndNumber (Last),
// as its update statement runs.
using BatchEndReport = std::function<void(BatchEnd end, const std::string& productId)>;

// Writes the codes of one batch: one ProductTable row per serial 0..quantity-1, the
// batch's StartNumber and EndNumber, then CreateCodeTime=now(). The codes take their time
// from clock, read afresh for every code.
//
// The run is one transaction: it commits whole or leaves no trace, so a run cut short
// can simply be started again. When a statement fails, the run rolls back, shows the
// error once through the message sink and stops. Answers true when the run committed;
// reports already made for a rolled-back run no longer hold.
bool StoreBatchCodes(CDbConnection& connection, const Clock& clock, const std::string& name,
                     int batchNumber, int quantity, const BatchProgressHook& progress,
                     const BatchEndReport& report);

// The same on TheConnection() with the real clock.
bool StoreBatchCodes(const std::string& name, int batchNumber, int quantity,
                     const BatchProgressHook& progress, const BatchEndReport& report);
