#include "brantlet_ctrl.h"

#include "byte_port.h"
#include "gbk_text.h"
#include "module_info.h"

#include <algorithm>
#include <cstdio>
#include <poll.h>

CBrantletCtrl::CBrantletCtrl() : m_engine(m_port, m_timers, m_clock, *this)
{
    m_engine.Start();
}

CBrantletCtrl::CBrantletCtrl(std::unique_ptr<BytePort> port)
    : m_port(std::move(port)), m_engine(m_port, m_timers, m_clock, *this)
{
    m_engine.Start();
}

CBrantletCtrl::~CBrantletCtrl()
{
    m_events = nullptr; // nothing is raised while the control goes away
    m_engine.Stop();
}

std::int32_t CBrantletCtrl::DisconnectModem()
{
    return m_engine.Disconnect();
}

std::int32_t CBrantletCtrl::SendSms(const std::string& strPhoneNumber, const std::string& strSmsContent,
                                    std::int32_t nSmsIndex)
{
    return m_engine.SendSms(Utf8ToGbk(strPhoneNumber), Utf8ToGbk(strSmsContent), nSmsIndex);
}

std::int32_t CBrantletCtrl::SendSignifySms(const std::string& strPhoneNumber, const std::string& strSmsContent,
                                           std::int32_t nSmsIndex)
{
    return m_engine.SendSmsEx(Utf8ToGbk(strPhoneNumber), Utf8ToGbk(strSmsContent), nSmsIndex, true);
}

std::int32_t CBrantletCtrl::SendLongSms(const std::string& strPhoneNumber, const std::string& strSmsContent,
                                        std::int32_t nSmsIndex, std::int32_t bStatusReport)
{
    return m_engine.SendLongSms(Utf8ToGbk(strPhoneNumber), Utf8ToGbk(strSmsContent), nSmsIndex, bStatusReport != 0);
}

void CBrantletCtrl::SetLongSmsTimeout(std::int32_t nSeconds)
{
    m_engine.SetLongSmsTimeout(nSeconds);
}
void CBrantletCtrl::SetResetAfterTimeouts(std::int32_t nCount)
{
    m_engine.SetResetAfterTimeouts(nCount);
}
std::int32_t CBrantletCtrl::GetSimStatus() const
{
    return m_engine.SimStatus();
}

std::int32_t CBrantletCtrl::SetSendFlag(std::int32_t bSendFlag)
{
    return m_engine.SetSendFlag(bSendFlag);
}
std::int32_t CBrantletCtrl::SetRecvFlag(std::int32_t bRecvFlag)
{
    return m_engine.SetRecvFlag(bRecvFlag);
}
std::int32_t CBrantletCtrl::GetSendFlag() const
{
    return m_engine.SendFlag();
}
std::int32_t CBrantletCtrl::GetRecvFlag() const
{
    return m_engine.RecvFlag();
}
std::int32_t CBrantletCtrl::IsConnected() const
{
    return m_engine.IsConnected();
}
std::int32_t CBrantletCtrl::IsFreeStatus() const
{
    return m_engine.IsFreeStatus();
}
std::int32_t CBrantletCtrl::IsConnecting() const
{
    return m_engine.IsConnecting();
}
std::int32_t CBrantletCtrl::GetTaskCount() const
{
    return m_engine.GetTaskCount();
}

std::int32_t CBrantletCtrl::ConnectModem(const std::string& strComName, std::int32_t nComRate, std::int32_t nSoftID)
{
    // A device path is bytes; it goes to the port exactly as given.
    return m_engine.Connect(strComName, nComRate, nSoftID);
}

std::int32_t CBrantletCtrl::SetModemType(std::int16_t nType)
{
    return m_engine.SetModemType(nType);
}

void CBrantletCtrl::SetSmsServerNumber(const std::string& strNumber)
{
    m_engine.SetSmsServerNumber(Utf8ToGbk(strNumber));
}

void CBrantletCtrl::SetSendRate(std::int16_t nSendFreeTime)
{
    m_engine.SetSendRate(nSendFreeTime);
}

std::string CBrantletCtrl::GetConnectComName() const
{
    return m_engine.GetConnectComName();
}

void CBrantletCtrl::AboutBox()
{
    if (m_about) {
        m_about(brantlet_module::kAboutTitle, brantlet_module::kAboutText);
    } else {
        std::fprintf(stderr, "%s\n%s\n", brantlet_module::kAboutTitle, brantlet_module::kAboutText);
    }
}

void CBrantletCtrl::RunFor(std::int32_t ms)
{
    const std::int64_t end = TimerfdTimerHost::NowMs() + std::max<std::int32_t>(ms, 0);
    while (true) {
        const std::int64_t left = end - TimerfdTimerHost::NowMs();
        if (left <= 0)
            break;
        std::int32_t wait = m_timers.NextTimeoutMs();
        if (wait < 0 || wait > left)
            wait = static_cast<std::int32_t>(left);
        pollfd p{m_timers.Fd(), POLLIN, 0};
        ::poll(&p, 1, wait);
        m_timers.Dispatch();
    }
}

void CBrantletCtrl::ConnectStatus(std::int32_t status)
{
    if (m_events)
        m_events->ConnectStatus(status);
}

void CBrantletCtrl::SendSmsResult(std::int16_t result, std::int32_t index, const std::string& number,
                                  const std::string& content)
{
    if (m_events)
        m_events->SendSmsResult(result, index, GbkToUtf8(number), GbkToUtf8(content));
}

void CBrantletCtrl::Recvsms(const std::string& number, const std::string& content, std::int16_t year,
                            std::int16_t month, std::int16_t day, std::int16_t hour, std::int16_t minute,
                            std::int16_t second)
{
    if (m_events)
        m_events->Recvsms(GbkToUtf8(number), GbkToUtf8(content), year, month, day, hour, minute, second);
}

void CBrantletCtrl::SendReport(const std::string& number, const std::string& sendTime, const std::string& recvTime)
{
    if (m_events)
        m_events->SendReport(GbkToUtf8(number), sendTime, recvTime);
}
