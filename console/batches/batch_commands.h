#pragma once

#include <array>
#include <string>
#include <vector>

class CDbConnection;

// The statements behind the batch page's commands. Each command runs its statements as
// one unit of work and answers true only when all of them succeeded; a failure is shown
// once through the message sink (a Chinese sentence, then the engine's errors) and the
// database keeps what it held. The page changes its list cells only after a true.

// One ProductGroupTable row as the list shows it: the nine fields read as text, in the
// order of the list's columns (name, remark, generation date, enabling date, first code,
// last code, quantity, status, batch number).
using BatchCells = std::array<std::string, 9>;

// Every batch in the order the database returns them. False when the query failed.
bool LoadBatchRows(CDbConnection& connection, std::vector<BatchCells>& rows);

// Whether a batch of that name exists, compared as the database compares text (letter
// case does not count): 1 it does, 0 it does not, -1 the query failed (and was shown).
int FindBatchName(CDbConnection& connection, const std::string& name);

// Inserts a new batch with status "未启用". Its batch number is the smallest of 1..99
// held neither by the listed rows (listedNumbers: their batch-number cells) nor by the
// database's batches, or 0 when all are held; it is put into batchNumber.
bool InsertBatch(CDbConnection& connection, const std::string& name, const std::string& remark, int quantity,
                 const std::vector<std::string>& listedNumbers, int& batchNumber);

// Enabling sets UseStatus 1 on the batch's codes, UseCodeTime=now() and "启用"; disabling
// sets UseStatus 0 and "停用". Both refuse a batch the database no longer holds.
bool EnableBatchCodes(CDbConnection& connection, const std::string& name);
bool DisableBatchCodes(CDbConnection& connection, const std::string& name);

// Deletes the batch row and all its code rows.
bool DeleteBatchRows(CDbConnection& connection, const std::string& name);

// Stores a new remark (an empty one as one blank). Refuses a batch the database no longer holds.
bool UpdateBatchRemark(CDbConnection& connection, const std::string& name, const std::string& remark);
