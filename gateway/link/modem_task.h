#pragma once

#include <string>
#include <string_view>

class CSerialPort;

// Base of every AT command task. A task talks to the modem only while it is the head of the
// task queue; the engine feeds it every chunk the port delivers (OnData), gives it one Tick
// per 100 ms and removes it once it is finished. Replies are matched by substring search in
// the accumulated buffer, never by line parsing.
class CModemTask {
public:
    enum TaskType { kRead = 0, kSend = 1, kList = 2, kInit = 7, kCommand = 13 };
    static constexpr int kDone = 10;
    static constexpr int kFailed = -19;     // timed out or failed
    static constexpr int kModemError = -20; // the modem answered an error
    static constexpr int kDefaultLimit = 60;

    CModemTask(CSerialPort* port, int type, int limit = kDefaultLimit);
    virtual ~CModemTask();
    CModemTask(const CModemTask&) = delete;
    CModemTask& operator=(const CModemTask&) = delete;

    // One engine tick; nonzero while the task wants more time.
    virtual int Tick();
    // A chunk of modem output; the engine starts a task by calling this with an empty chunk.
    virtual void OnData(std::string_view chunk) = 0;
    // The time limit was reached.
    virtual void OnTimeout();

    // Ended by its time limit (not by an answer).
    bool TimedOut() const { return m_timedOut; }
    // Done, or any state of -9 or below.
    bool IsFinished() const { return m_state == kDone || m_state <= -9; }
    // What the engine does before the first OnData: ticks and state 0, buffer empty.
    void Restart();

    int Type() const { return m_type; }
    int State() const { return m_state; }
    int Ticks() const { return m_ticks; }
    int Limit() const { return m_limit; }
    const std::string& Buffer() const { return m_buffer; }

protected:
    void Write(std::string_view bytes);
    void AppendToBuffer(std::string_view chunk);
    bool BufferHas(std::string_view what) const;

    CSerialPort* m_port;
    std::string m_buffer;
    int m_ticks = 0;
    int m_type;
    int m_limit;
    int m_state = 0;
    bool m_timedOut = false;
};
