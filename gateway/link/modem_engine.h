#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>

#include "link_time.h"
#include "modem_link.h"
#include "pdu_codec.h"
#include "task_queue.h"
#include "timer_host.h"

class CSerialPort;
class EventSink;
class LinkClock;

// The GSM modem engine behind the control: connection state, the task queue and the 100 ms
// engine tick that moves it. Single-threaded: every method, timer callback and event runs on
// the thread that serves the control. All waiting is counted in engine ticks.
//
// The environment comes in through the constructor and must outlive the engine: the serial
// port (modem type and selected storage live there), the timer host (the engine registers
// itself as its client), the clock for received time stamps, and the sink of the events.
// Events are raised synchronously from inside the tick; a handler may call any method here,
// and a tick entered from inside a handler does nothing.
//
// How the control's methods map onto this class:
//   control created            -> Start()            control destroyed -> Stop()
//   ConnectModem               -> Connect()          DisconnectModem  -> Disconnect()
//   SendSms / SendSignifySms   -> SendSms() / SendSmsEx(..., true)
//   SetSendFlag / GetSendFlag  -> SetSendFlag() / SendFlag()
//   SetRecvFlag / GetRecvFlag  -> SetRecvFlag() / RecvFlag()
//   IsConnected, IsConnecting, IsFreeStatus, GetTaskCount, GetConnectComName: same names
//   SetModemType               -> SetModemType()     SetSmsServerNumber -> SetSmsServerNumber()
//   SetSendRate                -> SetSendRate()
//   timers 1, 2, 3             -> OnTimer(id)
// Texts are GBK bytes throughout; the control converts at its boundary.
class CModemEngine final : public TimerHost::Client {
public:
    static constexpr int kEngineTimer = 1;
    static constexpr int kConnectTimer = 2;
    static constexpr int kScanTimer = 3;
    static constexpr int kEngineTickMs = 100;
    static constexpr int kConnectDelayMs = 500;
    static constexpr int kScanIntervalMs = 180100;
    static constexpr std::int32_t kDefaultSendRate = 15;
    static constexpr std::size_t kMaxTextBytes = 160;
    static constexpr std::size_t kMaxNumberBytes = 20;
    // A lost port is opened again every second; a modem that fails its initialisation
    // after that gets five seconds before the next try.
    static constexpr int kReopenTicks = 10;
    static constexpr int kRetryTicks = 50;

    CModemEngine(CSerialPort& port, TimerHost& timers, const LinkClock& clock, EventSink& events);
    // Stops the timers, closes the port and destroys the queued tasks.
    ~CModemEngine();
    CModemEngine(const CModemEngine&) = delete;
    CModemEngine& operator=(const CModemEngine&) = delete;

    // The control exists: flags to their initial values, scan timer started.
    void Start();
    // The control goes away: timers stopped, port closed, every queued task destroyed.
    void Stop();

    // 1: port open, initialisation starts in 500 ms; 0: refused (modem type 0 runs at 19200
    // only, or a connect is under way); -1: the port could not be opened. softId is accepted.
    std::int32_t Connect(const std::string& comName, std::int32_t baud, std::int32_t softId);
    // Always 1: port closed, connecting and connected cleared, COM name emptied.
    std::int32_t Disconnect();

    // Queues a message: 1 queued, 0 when the number is empty after trimming. The text is
    // trimmed, "   " when empty, cut to 160 bytes; the number cut to 20.
    std::int32_t SendSms(const std::string& number, const std::string& text, std::int32_t index);
    // The same, asking for a delivery report when requestReport is set (taken up only for
    // 11-character numbers).
    std::int32_t SendSmsEx(const std::string& number, const std::string& text, std::int32_t index, bool requestReport);

    // A text of any length as one message: linked parts when it does not fit one (at most
    // 255), each part queued as a send of its own, one SendSmsResult for the whole when
    // the last part is done (1 only when every part was sent; the first failing part
    // ends it and the parts after it are not sent). Number and text are trimmed as by
    // SendSms, but the text is not cut. 1 queued, 0 empty number, -1 more than 255 parts.
    std::int32_t SendLongSms(const std::string& number, const std::string& text, std::int32_t index,
                             bool requestReport);
    // How long the parts of a received long message are waited for, in seconds (default
    // 600); after that Recvsms brings what arrived. 0 or less restores the default.
    void SetLongSmsTimeout(std::int32_t seconds);
    std::int32_t LongSmsTimeout() const { return m_joinLimitTicks / 10; }
    static constexpr std::int32_t kDefaultLongSmsTimeout = 600;
    // Received long messages waiting for parts; beyond that many the oldest goes out as
    // it is, so a sender of stray parts cannot fill our memory.
    static constexpr std::size_t kMaxPendingLong = 256;
    std::size_t PendingLongMessages() const { return m_joins.size(); }

    // Pause after a send, in ticks of 100 ms; 0 or less becomes 1.
    void SetSendRate(std::int16_t ticks);
    std::int32_t SendRate() const { return m_sendRate; }

    // Stored for the host; the engine does not consult them. SetSendFlag answers 0.
    std::int32_t SetSendFlag(std::int32_t flag);
    std::int32_t SendFlag() const { return m_sendFlag; }
    // Also queues a list task while connected, unless one is already queued. Answers 0.
    std::int32_t SetRecvFlag(std::int32_t flag);
    std::int32_t RecvFlag() const { return m_recvFlag; }

    // After this many tasks in a row ended by their time limit, the modem is taken as hung:
    // the port is closed and opened again and the modem initialised anew, as when the port
    // was lost. 0 (the default) leaves a silent modem to the prompt-failure rule alone.
    void SetResetAfterTimeouts(std::int32_t count) { m_resetAfterTimeouts = count < 0 ? 0 : count; }
    std::int32_t ResetAfterTimeouts() const { return m_resetAfterTimeouts; }
    // The port went away or the modem hung: ConnectStatus 0 was raised, the queue is kept,
    // and the port of the last Connect is opened again until the modem answers (then
    // ConnectStatus 1) or the host connects or disconnects itself. IsConnecting is 1.
    bool IsRecovering() const { return m_recovery != Recovery::kNone; }

    // Takes effect at the next Connect. Answers 0.
    std::int32_t SetModemType(std::int16_t type);
    std::int32_t ModemType() const;
    // Queues "AT+CSCA=\"<number>\",145\r\n" (the number as given).
    void SetSmsServerNumber(const std::string& number);
    const std::string& SmsServerNumber() const { return m_serviceCentre; }
    // The storage last selected on the modem (kept by the port across reconnects).
    const std::string& SelectedStorage() const;

    // What the modem said of its SIM at the last initialisation (CInitTask::SimStatus); a
    // SIM that is not ready fails the connection with ConnectStatus 0 at once.
    std::int32_t SimStatus() const { return m_simStatus; }
    std::int32_t IsConnected() const { return m_connected; }
    std::int32_t IsConnecting() const { return m_connecting; }
    // 0 when more than 4 tasks are queued, else the free flag: 1 once the last send has
    // completed (or the modem was just initialised) and nothing was queued since.
    std::int32_t IsFreeStatus() const;
    // Tasks in the queue, the running one and non-send tasks included.
    std::int32_t GetTaskCount() const { return static_cast<std::int32_t>(m_queue.Count()); }
    // Port name of the last Connect that answered 1; empty after Disconnect.
    const std::string& GetConnectComName() const { return m_comName; }
    std::int32_t Baud() const { return m_baud; }

    // Timer callbacks by id (1 engine, 2 connect, 3 scan); other ids are ignored.
    void OnTimer(int id) override;
    void EngineTick();
    void ConnectTimer();
    void ScanTimer();

    // For inspection by tests and diagnostics.
    const CTaskQueue& Queue() const { return m_queue; }
    const CModemLink& Link() const { return m_link; }
    int PromptFailures() const { return m_promptFailures; }

private:
    enum class Recovery { kNone, kWaitingToReopen, kInitialising };

    void InternalDisconnect();
    void BeginRecovery(int ticksUntilReopen);
    void TryReopen();
    void QueueListTask();
    void Complete(CModemTask& task);
    void CompleteInit(const CModemTask& task);
    void CompleteSend(const CModemTask& task);
    // cut: the read was interrupted after its delete went out; its item is raised anyway,
    // the modem holds it no more.
    void CompleteRead(const CModemTask& task, bool cut = false);
    void CompleteLongPart(const CModemTask& task);
    // The other parts of a long message that ended early, out of the queue.
    void DropLongParts(std::uint32_t group, const CModemTask* keep);
    void JoinPart(const std::string& number, const std::string& text, const LinkTime& stamp, const ConcatPart& part);
    void FlushExpiredJoins();
    void RaiseRecvsms(const std::string& number, const std::string& text, const LinkTime& stamp);

    CSerialPort& m_port;
    TimerHost& m_timers;
    const LinkClock& m_clock;
    EventSink& m_events;
    CTaskQueue m_queue;
    CModemLink m_link;

    std::int32_t m_connecting = 0;
    std::int32_t m_connected = 0;
    std::int32_t m_free = 0;
    bool m_busy = false;
    // The task whose completion events are out (a handler may re-enter the engine).
    const CModemTask* m_completing = nullptr;
    int m_promptFailures = 0;
    std::string m_comName;
    std::int32_t m_baud = 0;
    std::string m_serviceCentre;
    std::int32_t m_sendRate = kDefaultSendRate;
    std::int32_t m_sendFlag = 1;
    std::int32_t m_recvFlag = 1;
    Recovery m_recovery = Recovery::kNone;
    int m_reopenCountdown = 0;
    std::int32_t m_resetAfterTimeouts = 0;
    int m_timeoutRun = 0;
    std::int32_t m_simStatus = 0;

    // Long messages on their way out, by group: what their one result carries.
    struct LongMessage {
        std::int32_t index = 0;
        std::string number;
        std::string text;
        std::size_t partsLeft = 0;
    };
    std::map<std::uint32_t, LongMessage> m_longMessages;
    std::uint32_t m_nextGroup = 1;
    int m_nextReference = 0;

    // Long messages coming in: sender, reference and part count name one.
    struct Join {
        std::int64_t firstTick = 0;
        std::map<int, std::pair<std::string, LinkTime>> parts; // by sequence number
    };
    std::map<std::tuple<std::string, int, int>, Join> m_joins;
    std::int64_t m_tickCount = 0;
    std::int32_t m_joinLimitTicks = kDefaultLongSmsTimeout * 10;
};
