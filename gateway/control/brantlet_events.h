#pragma once

#include <cstdint>
#include <string>

// The control's four events for C++ hosts, texts in UTF-8. Called synchronously from
// inside CBrantletCtrl::Dispatch on the host's thread.
class CBrantletEvents {
public:
    virtual void ConnectStatus(std::int32_t nStatus) = 0;
    virtual void SendSmsResult(std::int16_t nResult, std::int32_t nIndex, const std::string& strPhoneNumber,
                               const std::string& strSmsContent) = 0;
    virtual void Recvsms(const std::string& strPhoneNumber, const std::string& strSmsContent, std::int16_t nYear,
                         std::int16_t nMonth, std::int16_t nDay, std::int16_t nHour, std::int16_t nMinute,
                         std::int16_t nSecond) = 0;
    virtual void SendReport(const std::string& strSendNumber, const std::string& strSendTime,
                            const std::string& strRecvTime) = 0;

protected:
    ~CBrantletEvents() = default;
};
