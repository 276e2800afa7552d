#pragma once

#include <functional>

// How long a statement waits for a lock another program holds before it fails as busy,
// unless the connection string says otherwise ("Lock Timeout=<milliseconds>;").
constexpr int kDefaultLockWaitMs = 10000;

// Called every few milliseconds on the waiting thread while a statement waits for such a
// lock. The console keeps its window painted in it. It must not use the database: the
// statement that waits is still running. Empty (the default): the statement just waits.
// Only statements on the thread that set the hook run it; on other threads they just wait.
void SetLockWaitHook(std::function<void()> hook);
void CallLockWaitHook();
// True while the hook runs: a statement of the window's thread is waiting for a lock, and
// what the hook lets run must leave the database alone.
bool InLockWaitHook();
