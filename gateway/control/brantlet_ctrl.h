#pragma once

#include "brantlet_events.h"
#include "event_sink.h"
#include "modem_engine.h"
#include "serial_port.h"
#include "system_link_clock.h"
#include "timerfd_timer_host.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class BytePort;

// The Brantlet control for C++ hosts: the automation methods of _DBrantlet over the modem
// engine, with UTF-8 strings at the API and GBK inside. Constructing it starts the engine
// (scan timer running); destroying it stops the timers, closes the port and drops every
// queued task. Single-threaded: every call, timer and
// event on the host's thread, timers served by Dispatch (or RunFor) on the descriptor Fd.
class CBrantletCtrl final : private EventSink {
public:
    using AboutHandler = std::function<void(const std::string& title, const std::string& text)>;

    CBrantletCtrl();
    // With another byte port behind the serial port (tests, other transports).
    explicit CBrantletCtrl(std::unique_ptr<BytePort> port);
    ~CBrantletCtrl() override;
    CBrantletCtrl(const CBrantletCtrl&) = delete;
    CBrantletCtrl& operator=(const CBrantletCtrl&) = delete;

    // False when no timer descriptor could be made; the control is then unusable.
    bool IsValid() const { return m_timers.IsValid(); }

    std::int32_t DisconnectModem();
    std::int32_t SendSms(const std::string& strPhoneNumber, const std::string& strSmsContent, std::int32_t nSmsIndex);
    std::int32_t SetSendFlag(std::int32_t bSendFlag);
    std::int32_t SetRecvFlag(std::int32_t bRecvFlag);
    std::int32_t GetSendFlag() const;
    std::int32_t GetRecvFlag() const;
    std::int32_t IsConnected() const;
    std::int32_t IsFreeStatus() const;
    std::int32_t ConnectModem(const std::string& strComName, std::int32_t nComRate, std::int32_t nSoftID);
    std::int32_t IsConnecting() const;
    std::int32_t SetModemType(std::int16_t nType);
    void SetSmsServerNumber(const std::string& strNumber);
    void SetSendRate(std::int16_t nSendFreeTime);
    std::string GetConnectComName() const;
    std::int32_t GetTaskCount() const;
    std::int32_t SendSignifySms(const std::string& strPhoneNumber, const std::string& strSmsContent,
                                std::int32_t nSmsIndex);
    void AboutBox();
    std::int32_t SendLongSms(const std::string& strPhoneNumber, const std::string& strSmsContent,
                             std::int32_t nSmsIndex, std::int32_t bStatusReport);
    void SetLongSmsTimeout(std::int32_t nSeconds);
    void SetResetAfterTimeouts(std::int32_t nCount);
    std::int32_t GetSimStatus() const;

    void SetEventHandler(CBrantletEvents* events) { m_events = events; }
    void SetAboutHandler(AboutHandler handler) { m_about = std::move(handler); }

    // Event-loop integration.
    int Fd() const { return m_timers.Fd(); }
    std::int32_t NextTimeoutMs() const { return m_timers.NextTimeoutMs(); }
    void Dispatch() { m_timers.Dispatch(); }
    void RunFor(std::int32_t ms);

private:
    void ConnectStatus(std::int32_t status) override;
    void SendSmsResult(std::int16_t result, std::int32_t index, const std::string& number,
                       const std::string& content) override;
    void Recvsms(const std::string& number, const std::string& content, std::int16_t year, std::int16_t month,
                 std::int16_t day, std::int16_t hour, std::int16_t minute, std::int16_t second) override;
    void SendReport(const std::string& number, const std::string& sendTime, const std::string& recvTime) override;

    CSerialPort m_port;
    TimerfdTimerHost m_timers;
    SystemLinkClock m_clock;
    CModemEngine m_engine;
    CBrantletEvents* m_events = nullptr;
    AboutHandler m_about;
};
