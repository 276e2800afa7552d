#include "modem_engine.h"

#include <algorithm>
#include <ctime>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "command_task.h"
#include "engine_text.h"
#include "event_sink.h"
#include "gbk_text.h"
#include "init_task.h"
#include "list_task.h"
#include "read_task.h"
#include "send_task.h"
#include "serial_port.h"

namespace {

// Calendar normalisation only (an hour of 24 is hour 0 of the next day); no time zone is
// applied, so a stamp never moves by a daylight-saving change.
LinkTime NormaliseCalendar(const LinkTime& stamp)
{
    LinkTime result;
    if (!NormaliseLinkTime(stamp.year, stamp.month, stamp.day, stamp.hour, stamp.minute, stamp.second, result))
        return stamp;
    result.milliseconds = stamp.milliseconds;
    return result;
}

} // namespace

CModemEngine::CModemEngine(CSerialPort& port, TimerHost& timers, const LinkClock& clock, EventSink& events)
    : m_port(port), m_timers(timers), m_clock(clock), m_events(events), m_link(&port, &m_queue, &clock)
{
    m_timers.SetClient(this);
}

CModemEngine::~CModemEngine()
{
    Stop();
    m_timers.SetClient(nullptr);
}

void CModemEngine::Start()
{
    m_connecting = 0;
    m_busy = false;
    m_connected = 0;
    m_free = 0;
    m_recvFlag = 1;
    m_sendFlag = 1;
    m_timers.Start(kScanTimer, kScanIntervalMs);
}

void CModemEngine::Stop()
{
    m_recovery = Recovery::kNone;
    m_timers.Stop(kEngineTimer);
    m_timers.Stop(kConnectTimer);
    m_timers.Stop(kScanTimer);
    m_port.Close();
    m_link.SetCurrent(nullptr);
    m_queue.Clear();
    m_longMessages.clear();
    m_joins.clear();
}

std::int32_t CModemEngine::Connect(const std::string& comName, std::int32_t baud, std::int32_t /*softId*/)
{
    if (m_port.ModemType() == 0 && baud != 19200)
        return 0;
    // The host's own connect takes over from a reconnect the engine is making by itself.
    if (m_connecting && m_recovery == Recovery::kNone)
        return 0;
    m_connecting = 1;
    m_free = 0;
    m_timers.Stop(kEngineTimer);
    m_timers.Stop(kConnectTimer);
    InternalDisconnect();
    if (!m_port.Open(comName, baud)) {
        m_connecting = 0;
        return -1;
    }
    m_link.Activate();
    m_comName = comName;
    m_baud = baud;
    m_connecting = 1;
    m_timers.Start(kConnectTimer, kConnectDelayMs);
    return 1;
}

std::int32_t CModemEngine::Disconnect()
{
    m_comName.clear();
    InternalDisconnect();
    return 1;
}

void CModemEngine::InternalDisconnect()
{
    m_port.Close();
    m_connected = 0;
    m_connecting = 0;
    m_free = 0;
    m_recovery = Recovery::kNone;
    m_timeoutRun = 0;
    m_timers.Stop(kConnectTimer);
}

std::int32_t CModemEngine::SendSms(const std::string& number, const std::string& text, std::int32_t index)
{
    return SendSmsEx(number, text, index, false);
}

std::int32_t CModemEngine::SendSmsEx(const std::string& number, const std::string& text, std::int32_t index,
                                     bool requestReport)
{
    std::string trimmedNumber = engine_text::TrimBlanks(number);
    std::string trimmedText = engine_text::TrimBlanks(text);
    if (trimmedNumber.empty())
        return 0;
    if (trimmedText.empty())
        trimmedText = "   ";
    // Cut on a character boundary: half a Chinese character would reach the phone and the
    // host's result event as a broken byte.
    MessageRecord record{};
    record.index = index;
    record.SetNumber(CutGbk(trimmedNumber, kMaxNumberBytes));
    record.SetText(CutGbk(trimmedText, kMaxTextBytes));
    m_queue.Append(std::make_unique<CSendTask>(&m_port, record, requestReport));
    m_free = 0;
    return 1;
}

std::int32_t CModemEngine::SendLongSms(const std::string& number, const std::string& text, std::int32_t index,
                                       bool requestReport)
{
    const std::string trimmedNumber(CutGbk(engine_text::TrimBlanks(number), kMaxNumberBytes));
    std::string trimmedText = engine_text::TrimBlanks(text);
    if (trimmedNumber.empty())
        return 0;
    if (trimmedText.empty())
        trimmedText = "   ";
    std::vector<std::string> pdus = BuildLongSubmitPdus(trimmedNumber, trimmedText, requestReport, m_nextReference);
    if (pdus.empty())
        return -1;
    m_nextReference = (m_nextReference + 1) & 0xFF;
    const std::uint32_t group = m_nextGroup++;
    m_longMessages[group] = LongMessage{index, trimmedNumber, trimmedText, pdus.size()};
    MessageRecord record{};
    record.index = index;
    record.SetNumber(trimmedNumber);
    for (std::string& pdu : pdus)
        m_queue.Append(std::make_unique<CSendTask>(&m_port, record, requestReport, std::move(pdu), group));
    m_free = 0;
    return 1;
}

void CModemEngine::SetLongSmsTimeout(std::int32_t seconds)
{
    const std::int64_t limit = seconds <= 0 ? kDefaultLongSmsTimeout : std::min<std::int64_t>(seconds, 86400);
    m_joinLimitTicks = static_cast<std::int32_t>(limit * 10);
}

void CModemEngine::SetSendRate(std::int16_t ticks)
{
    m_sendRate = ticks <= 0 ? 1 : ticks;
}

std::int32_t CModemEngine::SetSendFlag(std::int32_t flag)
{
    m_sendFlag = flag;
    return 0;
}

std::int32_t CModemEngine::SetRecvFlag(std::int32_t flag)
{
    m_recvFlag = flag;
    if (m_connected && !m_queue.HoldsType(CModemTask::kList))
        QueueListTask();
    return 0;
}

std::int32_t CModemEngine::SetModemType(std::int16_t type)
{
    m_port.SetModemType(type);
    return 0;
}

std::int32_t CModemEngine::ModemType() const
{
    return m_port.ModemType();
}

void CModemEngine::SetSmsServerNumber(const std::string& number)
{
    m_serviceCentre = number;
    m_queue.Append(std::make_unique<CCommandTask>(&m_port, "AT+CSCA=\"" + number + "\",145\r\n"));
}

const std::string& CModemEngine::SelectedStorage() const
{
    return m_port.SelectedStorage();
}

std::int32_t CModemEngine::IsFreeStatus() const
{
    if (m_queue.Count() > 4)
        return 0;
    return m_free;
}

void CModemEngine::OnTimer(int id)
{
    switch (id) {
    case kEngineTimer:
        EngineTick();
        break;
    case kConnectTimer:
        ConnectTimer();
        break;
    case kScanTimer:
        ScanTimer();
        break;
    default:
        break;
    }
}

void CModemEngine::ConnectTimer()
{
    m_timers.Stop(kConnectTimer);
    m_promptFailures = 0;
    // Whatever was queued before the modem is ready goes. A message among it still gets
    // its result, as a failure: a host waits for one result per message it queued.
    // One held for its pause after the modem's answer keeps that answer; the one whose
    // result is being raised right now (a handler reconnecting) has had its result.
    struct Unreported {
        std::int16_t result;
        MessageRecord record;
        std::string text;
    };
    std::vector<Unreported> unreported;
    for (std::size_t i = 0; i < m_queue.Count(); ++i) {
        const CModemTask* task = m_queue.At(i);
        if (task->Type() != CModemTask::kSend || task == m_completing)
            continue;
        const auto* send = static_cast<const CSendTask*>(task);
        std::int16_t result = 0;
        if (send->Group() != 0) {
            // One result for a long message: sent only if this was its last part, done.
            const auto it = m_longMessages.find(send->Group());
            if (it == m_longMessages.end())
                continue;
            if (send->State() == CModemTask::kDone && it->second.partsLeft == 1)
                result = 1;
            MessageRecord whole{};
            whole.index = it->second.index;
            whole.SetNumber(it->second.number);
            unreported.push_back({result, whole, it->second.text});
            m_longMessages.erase(it);
            continue;
        }
        if (send->State() == CModemTask::kDone)
            result = 1;
        else if (send->IsFinished() && send->PromptTimedOut())
            result = -1;
        unreported.push_back({result, send->Record(), send->Record().Text()});
    }
    m_link.SetCurrent(nullptr);
    m_queue.Clear();
    m_queue.Append(std::make_unique<CInitTask>(&m_port));
    m_connecting = 1;
    m_timers.Start(kEngineTimer, kEngineTickMs);
    // Raised last: a handler may queue, connect or disconnect again.
    for (const Unreported& item : unreported)
        m_events.SendSmsResult(item.result, item.record.index, item.record.Number(), item.text);
}

void CModemEngine::ScanTimer()
{
    if (m_connected)
        QueueListTask();
}

void CModemEngine::QueueListTask()
{
    m_queue.Append(std::make_unique<CListTask>(&m_port, &m_queue, &m_clock));
}

void CModemEngine::EngineTick()
{
    if (!m_link.IsActive())
        return;
    if (m_busy)
        return;
    m_busy = true;
    ++m_tickCount;
    if (!m_joins.empty() && m_tickCount % 10 == 0)
        FlushExpiredJoins();

    if (m_recovery == Recovery::kWaitingToReopen) {
        TryReopen();
        m_busy = false;
        return;
    }

    m_link.Poll();
    if (m_port.Lost()) {
        BeginRecovery(kReopenTicks);
        m_busy = false;
        return;
    }

    if (CModemTask* task = m_link.Current(); task != nullptr) {
        task->Tick();
        if (task->IsFinished() && (task->Ticks() > m_sendRate || task->Type() != CModemTask::kSend)) {
            const bool timedOut = task->TimedOut();
            const bool initialisation = task->Type() == CModemTask::kInit;
            // A handler that pumps its loop may let the connect timer clear the queue
            // while the events of this completion are out; then the task is gone already.
            const std::uint64_t generation = m_queue.Generation();
            m_completing = task;
            Complete(*task);
            m_completing = nullptr;
            const bool untouched = m_queue.Generation() == generation;
            if (untouched)
                m_queue.Remove(task);
            m_link.SetCurrent(nullptr);
            if (!initialisation && untouched && m_resetAfterTimeouts > 0) {
                m_timeoutRun = timedOut ? m_timeoutRun + 1 : 0;
                if (m_timeoutRun >= m_resetAfterTimeouts && m_connected)
                    BeginRecovery(kReopenTicks);
            }
        }
    } else if ((m_connected || m_connecting) && !m_queue.IsEmpty()) {
        CModemTask* head = m_queue.Head();
        m_link.SetCurrent(head);
        head->Restart();
        head->OnData({});
    }

    m_busy = false;
}

void CModemEngine::BeginRecovery(int ticksUntilReopen)
{
    const bool wasConnected = m_connected != 0;
    // The task that was talking to the modem ends here; a message among it gets its
    // result now, as the modem left it: never prompted, answered, or somewhere between.
    struct Cut {
        std::int16_t result;
        std::int32_t index;
        std::string number;
        std::string text;
    };
    std::optional<Cut> cut;
    std::unique_ptr<CModemTask> interrupted;
    if (CModemTask* task = m_link.Current(); task != nullptr) {
        if (task->Type() == CModemTask::kSend) {
            const auto* send = static_cast<const CSendTask*>(task);
            std::int16_t result = 0;
            if (send->State() == CModemTask::kDone)
                result = 1;
            else if (send->State() == 1 || send->PromptTimedOut())
                result = -1;
            if (send->Group() == 0) {
                cut = Cut{result, send->Record().index, send->Record().Number(), send->Record().Text()};
            } else if (const auto it = m_longMessages.find(send->Group()); it != m_longMessages.end()) {
                // The whole message fails unless this was its last part and it went out.
                if (result == 1 && it->second.partsLeft > 1)
                    result = 0;
                cut = Cut{result, it->second.index, it->second.number, it->second.text};
                m_longMessages.erase(it);
                DropLongParts(send->Group(), task);
            }
        }
        m_link.SetCurrent(nullptr);
        interrupted = m_queue.Take(task);
    }
    m_port.Close();
    m_connected = 0;
    m_connecting = 1;
    m_free = 0;
    m_timeoutRun = 0;
    m_timers.Stop(kConnectTimer);
    m_recovery = Recovery::kWaitingToReopen;
    m_reopenCountdown = ticksUntilReopen;
    // Raised last: a handler may connect or disconnect, which ends the recovery.
    if (cut)
        m_events.SendSmsResult(cut->result, cut->index, cut->number, cut->text);
    if (interrupted && interrupted->Type() == CModemTask::kRead)
        CompleteRead(*interrupted, true);
    if (wasConnected && m_recovery != Recovery::kNone)
        m_events.ConnectStatus(0);
}

void CModemEngine::TryReopen()
{
    if (--m_reopenCountdown > 0)
        return;
    if (!m_port.Open(m_comName, m_baud)) {
        m_reopenCountdown = kReopenTicks;
        return;
    }
    // The queue is kept: the initialisation goes in front of it, without the connect
    // delay (its echo command is repeated for two seconds anyway).
    m_link.Activate();
    m_recovery = Recovery::kInitialising;
    m_promptFailures = 0;
    m_queue.Prepend(std::make_unique<CInitTask>(&m_port));
}

void CModemEngine::Complete(CModemTask& task)
{
    switch (task.Type()) {
    case CModemTask::kInit:
        CompleteInit(task);
        break;
    case CModemTask::kSend:
        CompleteSend(task);
        break;
    case CModemTask::kRead:
        CompleteRead(task);
        break;
    default:
        break; // list and single-command tasks raise nothing
    }
}

void CModemEngine::CompleteInit(const CModemTask& task)
{
    m_simStatus = static_cast<const CInitTask&>(task).Sim();
    if (task.State() != CModemTask::kDone && m_recovery == Recovery::kInitialising) {
        // Back under its name but not answering yet (still starting up): try again later.
        m_port.Close();
        m_recovery = Recovery::kWaitingToReopen;
        m_reopenCountdown = kRetryTicks;
        return;
    }
    if (task.State() == CModemTask::kDone) {
        m_recovery = Recovery::kNone;
        m_connecting = 0;
        m_free = 1;
        m_connected = 1;
        m_events.ConnectStatus(1);
        // Messages that arrived while nobody listened are still in the modem.
        QueueListTask();
    } else {
        m_connecting = 0;
        m_connected = 0;
        InternalDisconnect();
        m_events.ConnectStatus(0);
    }
}

void CModemEngine::CompleteSend(const CModemTask& task)
{
    const auto& send = static_cast<const CSendTask&>(task);
    if (send.Group() != 0) {
        CompleteLongPart(task);
        return;
    }
    m_free = 1;
    // Copies: the handler may destroy the task (see EngineTick).
    const std::int32_t index = send.Record().index;
    const std::string number = send.Record().Number();
    const std::string text = send.Record().Text();
    if (send.State() == CModemTask::kDone) {
        m_promptFailures = 0;
        m_events.SendSmsResult(1, index, number, text);
    } else if (send.PromptTimedOut()) {
        const int failures = ++m_promptFailures;
        m_events.SendSmsResult(-1, index, number, text);
        if (failures > 4) {
            m_events.ConnectStatus(0);
            InternalDisconnect();
        }
    } else {
        m_promptFailures = 0;
        m_events.SendSmsResult(0, index, number, text);
    }
}

void CModemEngine::CompleteLongPart(const CModemTask& task)
{
    const auto& send = static_cast<const CSendTask&>(task);
    m_free = 1;
    std::int16_t result = 0;
    if (send.State() == CModemTask::kDone) {
        m_promptFailures = 0;
        result = 1;
    } else if (send.PromptTimedOut()) {
        ++m_promptFailures;
        result = -1;
    } else {
        m_promptFailures = 0;
    }
    const int failures = m_promptFailures;
    const auto it = m_longMessages.find(send.Group());
    if (it == m_longMessages.end())
        return; // reported already
    if (result == 1 && --it->second.partsLeft > 0)
        return;
    const LongMessage whole = it->second;
    m_longMessages.erase(it);
    if (result != 1)
        DropLongParts(send.Group(), &task);
    m_events.SendSmsResult(result, whole.index, whole.number, whole.text);
    if (result == -1 && failures > 4) {
        m_events.ConnectStatus(0);
        InternalDisconnect();
    }
}

void CModemEngine::DropLongParts(std::uint32_t group, const CModemTask* keep)
{
    m_queue.RemoveWhere([&](const CModemTask& task) {
        return &task != keep && &task != m_link.Current() && task.Type() == CModemTask::kSend &&
               static_cast<const CSendTask&>(task).Group() == group;
    });
}

void CModemEngine::JoinPart(const std::string& number, const std::string& text, const LinkTime& stamp,
                            const ConcatPart& part)
{
    const auto key = std::make_tuple(number, part.reference, part.total);
    auto it = m_joins.find(key);
    if (it == m_joins.end()) {
        if (m_joins.size() >= kMaxPendingLong) {
            auto oldest = m_joins.begin();
            for (auto j = m_joins.begin(); j != m_joins.end(); ++j) {
                if (j->second.firstTick < oldest->second.firstTick)
                    oldest = j;
            }
            oldest->second.firstTick = m_tickCount - m_joinLimitTicks - 1;
            FlushExpiredJoins();
        }
        it = m_joins.emplace(key, Join{m_tickCount, {}}).first;
    }
    // A part seen twice (the network resent it) counts once.
    it->second.parts.emplace(part.sequence, std::make_pair(text, stamp));
    if (it->second.parts.size() < static_cast<std::size_t>(part.total))
        return;
    Join whole = std::move(it->second);
    m_joins.erase(it);
    std::string joined;
    for (const auto& [sequence, piece] : whole.parts)
        joined += piece.first;
    RaiseRecvsms(number, joined, whole.parts.begin()->second.second);
}

void CModemEngine::FlushExpiredJoins()
{
    // Taken out first: a handler may call back into the engine.
    std::vector<std::pair<std::string, Join>> expired;
    for (auto it = m_joins.begin(); it != m_joins.end();) {
        if (m_tickCount - it->second.firstTick > m_joinLimitTicks) {
            expired.emplace_back(std::get<0>(it->first), std::move(it->second));
            it = m_joins.erase(it);
        } else {
            ++it;
        }
    }
    for (const auto& [number, join] : expired) {
        std::string joined;
        for (const auto& [sequence, piece] : join.parts)
            joined += piece.first;
        RaiseRecvsms(number, joined, join.parts.begin()->second.second);
    }
}

void CModemEngine::RaiseRecvsms(const std::string& number, const std::string& text, const LinkTime& raw)
{
    const LinkTime stamp = NormaliseCalendar(raw);
    m_events.Recvsms(number, text, static_cast<std::int16_t>(stamp.year), static_cast<std::int16_t>(stamp.month),
                     static_cast<std::int16_t>(stamp.day), static_cast<std::int16_t>(stamp.hour),
                     static_cast<std::int16_t>(stamp.minute), static_cast<std::int16_t>(stamp.second));
}

void CModemEngine::CompleteRead(const CModemTask& task, bool cut)
{
    const auto& read = static_cast<const CReadTask&>(task);
    if (task.State() != CModemTask::kDone && !(cut && read.Decoded()))
        return;
    if (read.ReportFlag() == 1) {
        const DeliveryReport report = read.Report();
        if (!report.number.empty())
            m_events.SendReport(report.number, report.sendTime, report.receiveTime);
        return;
    }
    const std::string number = read.Record().Number();
    if (number.empty())
        return;
    if (read.Part().total > 1) {
        JoinPart(number, read.Record().Text(), read.Record().timeStamp, read.Part());
        return;
    }
    RaiseRecvsms(number, read.Record().Text(), read.Record().timeStamp);
}
