#pragma once

// What the console does while a statement waits for a lock another program holds: the
// windows repaint, and nothing else runs. Input, timers and close requests wait until the
// statement is done, since their handlers could run statements of their own on the
// connection that is still busy, or open a prompt in the middle of it.
void PumpPaintOnly();

// Makes PumpPaintOnly the data layer's lock-wait hook for the scope's lifetime.
class LockWaitPump final {
public:
    LockWaitPump();
    ~LockWaitPump();
    LockWaitPump(const LockWaitPump&) = delete;
    LockWaitPump& operator=(const LockWaitPump&) = delete;
};
