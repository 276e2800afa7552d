// The C binding of the control: every function catches what the C++ side might throw
// (allocation failure) so that nothing crosses into the host's C frames.
#include "brantlet/brantlet.h"
#include "brantlet_ctrl.h"
#include "dispatch_table.h"

#include <cerrno>
#include <new>
#include <poll.h>
#include <string>
#include <vector>

struct brantlet final : private CBrantletEvents {
    brantlet() { ctrl.SetEventHandler(this); }
    ~brantlet() { ctrl.SetEventHandler(nullptr); }

    CBrantletCtrl ctrl;
    std::string comName;    // GetConnectComName's answer, owned here
    std::string resultText; // a BSTR result of brantlet_invoke
    int dispatchDepth = 0;
    bool destroyPending = false;

    brantlet_ConnectStatus_fn onConnectStatus = nullptr;
    void* connectStatusUser = nullptr;
    brantlet_SendSmsResult_fn onSendSmsResult = nullptr;
    void* sendSmsResultUser = nullptr;
    brantlet_Recvsms_fn onRecvsms = nullptr;
    void* recvsmsUser = nullptr;
    brantlet_SendReport_fn onSendReport = nullptr;
    void* sendReportUser = nullptr;
    brantlet_event_fn onEvent = nullptr;
    void* eventUser = nullptr;
    brantlet_about_fn onAbout = nullptr;
    void* aboutUser = nullptr;

private:
    static brantlet_value I2(std::int16_t v)
    {
        brantlet_value x{};
        x.type = BRANTLET_VT_I2;
        x.u.i2 = v;
        return x;
    }
    static brantlet_value I4(std::int32_t v)
    {
        brantlet_value x{};
        x.type = BRANTLET_VT_I4;
        x.u.i4 = v;
        return x;
    }
    static brantlet_value Str(const std::string& s)
    {
        brantlet_value x{};
        x.type = BRANTLET_VT_BSTR;
        x.u.str = s.c_str();
        return x;
    }
    // Once the host destroyed the handle from inside an event, no more of its events reach it.
    bool Gone() const { return destroyPending; }
    void Late(std::int32_t dispid, const std::vector<brantlet_value>& args)
    {
        if (onEvent && !Gone())
            onEvent(eventUser, dispid, args.data(), args.size());
    }

    void ConnectStatus(std::int32_t nStatus) override
    {
        if (Gone())
            return;
        if (onConnectStatus)
            onConnectStatus(connectStatusUser, nStatus);
        Late(BRANTLET_EVENT_ConnectStatus, {I4(nStatus)});
    }
    void SendSmsResult(std::int16_t nResult, std::int32_t nIndex, const std::string& number,
                       const std::string& content) override
    {
        if (Gone())
            return;
        if (onSendSmsResult)
            onSendSmsResult(sendSmsResultUser, nResult, nIndex, number.c_str(), content.c_str());
        Late(BRANTLET_EVENT_SendSmsResult, {I2(nResult), I4(nIndex), Str(number), Str(content)});
    }
    void Recvsms(const std::string& number, const std::string& content, std::int16_t y, std::int16_t mo, std::int16_t d,
                 std::int16_t h, std::int16_t mi, std::int16_t s) override
    {
        if (Gone())
            return;
        if (onRecvsms)
            onRecvsms(recvsmsUser, number.c_str(), content.c_str(), y, mo, d, h, mi, s);
        Late(BRANTLET_EVENT_Recvsms, {Str(number), Str(content), I2(y), I2(mo), I2(d), I2(h), I2(mi), I2(s)});
    }
    void SendReport(const std::string& number, const std::string& sendTime, const std::string& recvTime) override
    {
        if (Gone())
            return;
        if (onSendReport)
            onSendReport(sendReportUser, number.c_str(), sendTime.c_str(), recvTime.c_str());
        Late(BRANTLET_EVENT_SendReport, {Str(number), Str(sendTime), Str(recvTime)});
    }
};

namespace {

const char* Text(const char* s)
{
    return s ? s : "";
}

// Runs f, turning any exception into the fallback value.
template <typename R, typename F>
R Guard(R fallback, F&& f) noexcept
{
    try {
        return f();
    } catch (...) {
        return fallback;
    }
}

template <typename F>
void GuardVoid(F&& f) noexcept
{
    try {
        f();
    } catch (...) {
    }
}

template <typename F>
brantlet_status Dispatching(brantlet* h, F&& run)
{
    if (!h)
        return BRANTLET_E_INVALID_ARG;
    ++h->dispatchDepth;
    const brantlet_status status = Guard<brantlet_status>(BRANTLET_E_NO_MEMORY, [&] { return run(); });
    if (--h->dispatchDepth == 0 && h->destroyPending)
        delete h;
    return status;
}

} // namespace

extern "C" {

BRANTLET_EXPORT brantlet* brantlet_create(void)
{
    brantlet* h = nullptr;
    try {
        h = new brantlet;
    } catch (...) {
        return nullptr;
    }
    if (!h->ctrl.IsValid()) {
        delete h;
        return nullptr;
    }
    return h;
}

BRANTLET_EXPORT void brantlet_destroy(brantlet* h)
{
    if (!h)
        return;
    if (h->dispatchDepth > 0) {
        // Called from an event of this handle: finish the dispatch first.
        h->destroyPending = true;
        return;
    }
    delete h;
}

BRANTLET_EXPORT int32_t brantlet_DisconnectModem(brantlet* h)
{
    return h ? Guard<int32_t>(0, [&] { return h->ctrl.DisconnectModem(); }) : 0;
}

BRANTLET_EXPORT int32_t brantlet_SendSms(brantlet* h, const char* strPhoneNumber, const char* strSmsContent,
                                         int32_t nSmsIndex)
{
    return h ? Guard<int32_t>(0, [&] { return h->ctrl.SendSms(Text(strPhoneNumber), Text(strSmsContent), nSmsIndex); })
             : 0;
}

BRANTLET_EXPORT int32_t brantlet_SetSendFlag(brantlet* h, int32_t bSendFlag)
{
    return h ? h->ctrl.SetSendFlag(bSendFlag) : 0;
}

BRANTLET_EXPORT int32_t brantlet_SetRecvFlag(brantlet* h, int32_t bRecvFlag)
{
    return h ? Guard<int32_t>(0, [&] { return h->ctrl.SetRecvFlag(bRecvFlag); }) : 0;
}

BRANTLET_EXPORT int32_t brantlet_GetSendFlag(brantlet* h)
{
    return h ? h->ctrl.GetSendFlag() : 0;
}
BRANTLET_EXPORT int32_t brantlet_GetRecvFlag(brantlet* h)
{
    return h ? h->ctrl.GetRecvFlag() : 0;
}
BRANTLET_EXPORT int32_t brantlet_IsConnected(brantlet* h)
{
    return h ? h->ctrl.IsConnected() : 0;
}
BRANTLET_EXPORT int32_t brantlet_IsFreeStatus(brantlet* h)
{
    return h ? h->ctrl.IsFreeStatus() : 0;
}
BRANTLET_EXPORT int32_t brantlet_IsConnecting(brantlet* h)
{
    return h ? h->ctrl.IsConnecting() : 0;
}
BRANTLET_EXPORT int32_t brantlet_GetTaskCount(brantlet* h)
{
    return h ? h->ctrl.GetTaskCount() : 0;
}

BRANTLET_EXPORT int32_t brantlet_ConnectModem(brantlet* h, const char* strComName, int32_t nComRate, int32_t nSoftID)
{
    return h ? Guard<int32_t>(-1, [&] { return h->ctrl.ConnectModem(Text(strComName), nComRate, nSoftID); }) : 0;
}

BRANTLET_EXPORT int32_t brantlet_SetModemType(brantlet* h, int16_t nType)
{
    return h ? h->ctrl.SetModemType(nType) : 0;
}

BRANTLET_EXPORT void brantlet_SetSmsServerNumber(brantlet* h, const char* strNumber)
{
    if (h)
        GuardVoid([&] { h->ctrl.SetSmsServerNumber(Text(strNumber)); });
}

BRANTLET_EXPORT void brantlet_SetSendRate(brantlet* h, int16_t nSendFreeTime)
{
    if (h)
        h->ctrl.SetSendRate(nSendFreeTime);
}

BRANTLET_EXPORT const char* brantlet_GetConnectComName(brantlet* h)
{
    if (!h)
        return "";
    return Guard<const char*>("", [&] {
        h->comName = h->ctrl.GetConnectComName();
        return h->comName.c_str();
    });
}

BRANTLET_EXPORT int32_t brantlet_SendSignifySms(brantlet* h, const char* strPhoneNumber, const char* strSmsContent,
                                                int32_t nSmsIndex)
{
    return h ? Guard<int32_t>(
                   0, [&] { return h->ctrl.SendSignifySms(Text(strPhoneNumber), Text(strSmsContent), nSmsIndex); })
             : 0;
}

BRANTLET_EXPORT void brantlet_AboutBox(brantlet* h)
{
    if (h)
        GuardVoid([&] { h->ctrl.AboutBox(); });
}

BRANTLET_EXPORT int32_t brantlet_SendLongSms(brantlet* h, const char* strPhoneNumber, const char* strSmsContent,
                                             int32_t nSmsIndex, int32_t bStatusReport)
{
    return h ? Guard<int32_t>(0,
                              [&] {
                                  return h->ctrl.SendLongSms(Text(strPhoneNumber), Text(strSmsContent), nSmsIndex,
                                                             bStatusReport);
                              })
             : 0;
}

BRANTLET_EXPORT void brantlet_SetLongSmsTimeout(brantlet* h, int32_t nSeconds)
{
    if (h)
        h->ctrl.SetLongSmsTimeout(nSeconds);
}

BRANTLET_EXPORT void brantlet_SetResetAfterTimeouts(brantlet* h, int32_t nCount)
{
    if (h)
        h->ctrl.SetResetAfterTimeouts(nCount);
}

BRANTLET_EXPORT int32_t brantlet_GetSimStatus(brantlet* h)
{
    return h ? h->ctrl.GetSimStatus() : 0;
}

BRANTLET_EXPORT brantlet_status brantlet_invoke(brantlet* h, int32_t dispid, const brantlet_value* args, size_t nargs,
                                                brantlet_value* result)
{
    if (!h)
        return BRANTLET_E_INVALID_ARG;
    const MemberInfo* method = DispatchTable::FindMethod(dispid);
    if (!method)
        return BRANTLET_E_MEMBER_NOT_FOUND;
    return Guard<brantlet_status>(BRANTLET_E_NO_MEMORY, [&]() -> brantlet_status {
        std::vector<InvokeArg> a;
        const brantlet_status checked = DispatchTable::ConvertArguments(*method, args, nargs, &a);
        if (checked != BRANTLET_OK)
            return checked;
        brantlet_value r{};
        auto number = [&](brantlet_value_type type, std::int32_t v) {
            r.type = type;
            if (type == BRANTLET_VT_BOOL)
                r.u.boolean = v;
            else
                r.u.i4 = v;
        };
        switch (dispid) {
        case BRANTLET_DISPID_DisconnectModem:
            number(BRANTLET_VT_I4, h->ctrl.DisconnectModem());
            break;
        case BRANTLET_DISPID_SendSms:
            number(BRANTLET_VT_I4, h->ctrl.SendSms(a[0].text, a[1].text, a[2].number));
            break;
        case BRANTLET_DISPID_SetSendFlag:
            number(BRANTLET_VT_I4, h->ctrl.SetSendFlag(a[0].number));
            break;
        case BRANTLET_DISPID_SetRecvFlag:
            number(BRANTLET_VT_I4, h->ctrl.SetRecvFlag(a[0].number));
            break;
        case BRANTLET_DISPID_GetSendFlag:
            number(BRANTLET_VT_BOOL, h->ctrl.GetSendFlag());
            break;
        case BRANTLET_DISPID_GetRecvFlag:
            number(BRANTLET_VT_BOOL, h->ctrl.GetRecvFlag());
            break;
        case BRANTLET_DISPID_IsConnected:
            number(BRANTLET_VT_BOOL, h->ctrl.IsConnected());
            break;
        case BRANTLET_DISPID_IsFreeStatus:
            number(BRANTLET_VT_BOOL, h->ctrl.IsFreeStatus());
            break;
        case BRANTLET_DISPID_ConnectModem:
            number(BRANTLET_VT_I4, h->ctrl.ConnectModem(a[0].text, a[1].number, a[2].number));
            break;
        case BRANTLET_DISPID_IsConnecting:
            number(BRANTLET_VT_I4, h->ctrl.IsConnecting());
            break;
        case BRANTLET_DISPID_SetModemType:
            number(BRANTLET_VT_I4, h->ctrl.SetModemType(static_cast<std::int16_t>(a[0].number)));
            break;
        case BRANTLET_DISPID_SetSmsServerNumber:
            h->ctrl.SetSmsServerNumber(a[0].text);
            break;
        case BRANTLET_DISPID_SetSendRate:
            h->ctrl.SetSendRate(static_cast<std::int16_t>(a[0].number));
            break;
        case BRANTLET_DISPID_GetConnectComName:
            h->resultText = h->ctrl.GetConnectComName();
            r.type = BRANTLET_VT_BSTR;
            r.u.str = h->resultText.c_str();
            break;
        case BRANTLET_DISPID_GetTaskCount:
            number(BRANTLET_VT_I4, h->ctrl.GetTaskCount());
            break;
        case BRANTLET_DISPID_SendSignifySms:
            number(BRANTLET_VT_I4, h->ctrl.SendSignifySms(a[0].text, a[1].text, a[2].number));
            break;
        case BRANTLET_DISPID_AboutBox:
            h->ctrl.AboutBox();
            break;
        case BRANTLET_DISPID_SendLongSms:
            number(BRANTLET_VT_I4, h->ctrl.SendLongSms(a[0].text, a[1].text, a[2].number, a[3].number));
            break;
        case BRANTLET_DISPID_SetLongSmsTimeout:
            h->ctrl.SetLongSmsTimeout(a[0].number);
            break;
        case BRANTLET_DISPID_SetResetAfterTimeouts:
            h->ctrl.SetResetAfterTimeouts(a[0].number);
            break;
        case BRANTLET_DISPID_GetSimStatus:
            number(BRANTLET_VT_I4, h->ctrl.GetSimStatus());
            break;
        default:
            return BRANTLET_E_MEMBER_NOT_FOUND;
        }
        if (result)
            *result = r;
        return BRANTLET_OK;
    });
}

BRANTLET_EXPORT brantlet_status brantlet_on_ConnectStatus(brantlet* h, brantlet_ConnectStatus_fn fn, void* user)
{
    if (!h)
        return BRANTLET_E_INVALID_ARG;
    h->onConnectStatus = fn;
    h->connectStatusUser = user;
    return BRANTLET_OK;
}

BRANTLET_EXPORT brantlet_status brantlet_on_SendSmsResult(brantlet* h, brantlet_SendSmsResult_fn fn, void* user)
{
    if (!h)
        return BRANTLET_E_INVALID_ARG;
    h->onSendSmsResult = fn;
    h->sendSmsResultUser = user;
    return BRANTLET_OK;
}

BRANTLET_EXPORT brantlet_status brantlet_on_Recvsms(brantlet* h, brantlet_Recvsms_fn fn, void* user)
{
    if (!h)
        return BRANTLET_E_INVALID_ARG;
    h->onRecvsms = fn;
    h->recvsmsUser = user;
    return BRANTLET_OK;
}

BRANTLET_EXPORT brantlet_status brantlet_on_SendReport(brantlet* h, brantlet_SendReport_fn fn, void* user)
{
    if (!h)
        return BRANTLET_E_INVALID_ARG;
    h->onSendReport = fn;
    h->sendReportUser = user;
    return BRANTLET_OK;
}

BRANTLET_EXPORT brantlet_status brantlet_on_event(brantlet* h, brantlet_event_fn fn, void* user)
{
    if (!h)
        return BRANTLET_E_INVALID_ARG;
    h->onEvent = fn;
    h->eventUser = user;
    return BRANTLET_OK;
}

BRANTLET_EXPORT brantlet_status brantlet_set_about_handler(brantlet* h, brantlet_about_fn fn, void* user)
{
    if (!h)
        return BRANTLET_E_INVALID_ARG;
    h->onAbout = fn;
    h->aboutUser = user;
    if (fn) {
        h->ctrl.SetAboutHandler([h](const std::string& title, const std::string& text) {
            h->onAbout(h->aboutUser, title.c_str(), text.c_str());
        });
    } else {
        h->ctrl.SetAboutHandler(nullptr);
    }
    return BRANTLET_OK;
}

BRANTLET_EXPORT int brantlet_get_fd(brantlet* h)
{
    return h ? h->ctrl.Fd() : -1;
}

BRANTLET_EXPORT int32_t brantlet_next_timeout_ms(brantlet* h)
{
    return h ? h->ctrl.NextTimeoutMs() : -1;
}

BRANTLET_EXPORT brantlet_status brantlet_dispatch(brantlet* h)
{
    return Dispatching(h, [h] {
        h->ctrl.Dispatch();
        return BRANTLET_OK;
    });
}

BRANTLET_EXPORT brantlet_status brantlet_run_for(brantlet* h, int32_t ms)
{
    if (h && ms < 0)
        return BRANTLET_E_INVALID_ARG;
    return Dispatching(h, [h, ms] {
        const std::int64_t end = TimerfdTimerHost::NowMs() + ms;
        // Ends early when an event handler destroyed the handle.
        while (!h->destroyPending) {
            const std::int64_t left = end - TimerfdTimerHost::NowMs();
            if (left <= 0)
                break;
            std::int32_t wait = h->ctrl.NextTimeoutMs();
            if (wait < 0 || wait > left)
                wait = static_cast<std::int32_t>(left);
            pollfd p{h->ctrl.Fd(), POLLIN, 0};
            if (::poll(&p, 1, wait) < 0 && errno != EINTR)
                return BRANTLET_E_SYSTEM;
            h->ctrl.Dispatch();
        }
        return BRANTLET_OK;
    });
}

} // extern "C"
