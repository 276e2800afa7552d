#include "dispatch_table.h"

#include <limits>

namespace {

using T = AutoType;

const std::vector<MemberInfo> kMethods = {
    {BRANTLET_DISPID_DisconnectModem, "DisconnectModem", T::kLong, {}, {}},
    {BRANTLET_DISPID_SendSms,
     "SendSms",
     T::kLong,
     {T::kBstr, T::kBstr, T::kLong},
     {"strPhoneNumber", "strSmsContent", "nSmsIndex"}},
    {BRANTLET_DISPID_SetSendFlag, "SetSendFlag", T::kLong, {T::kBool}, {"bSendFlag"}},
    {BRANTLET_DISPID_SetRecvFlag, "SetRecvFlag", T::kLong, {T::kBool}, {"bRecvFlag"}},
    {BRANTLET_DISPID_GetSendFlag, "GetSendFlag", T::kBool, {}, {}},
    {BRANTLET_DISPID_GetRecvFlag, "GetRecvFlag", T::kBool, {}, {}},
    {BRANTLET_DISPID_IsConnected, "IsConnected", T::kBool, {}, {}},
    {BRANTLET_DISPID_IsFreeStatus, "IsFreeStatus", T::kBool, {}, {}},
    {BRANTLET_DISPID_ConnectModem,
     "ConnectModem",
     T::kLong,
     {T::kBstr, T::kLong, T::kLong},
     {"strComName", "nComRate", "nSoftID"}},
    {BRANTLET_DISPID_IsConnecting, "IsConnecting", T::kLong, {}, {}},
    {BRANTLET_DISPID_SetModemType, "SetModemType", T::kLong, {T::kShort}, {"nType"}},
    {BRANTLET_DISPID_SetSmsServerNumber, "SetSmsServerNumber", T::kVoid, {T::kBstr}, {"strNumber"}},
    {BRANTLET_DISPID_SetSendRate, "SetSendRate", T::kVoid, {T::kShort}, {"nSendFreeTime"}},
    {BRANTLET_DISPID_GetConnectComName, "GetConnectComName", T::kBstr, {}, {}},
    {BRANTLET_DISPID_GetTaskCount, "GetTaskCount", T::kLong, {}, {}},
    {BRANTLET_DISPID_SendSignifySms,
     "SendSignifySms",
     T::kLong,
     {T::kBstr, T::kBstr, T::kLong},
     {"strPhoneNumber", "strSmsContent", "nSmsIndex"}},
    {BRANTLET_DISPID_AboutBox, "AboutBox", T::kVoid, {}, {}},
    {BRANTLET_DISPID_SendLongSms,
     "SendLongSms",
     T::kLong,
     {T::kBstr, T::kBstr, T::kLong, T::kBool},
     {"strPhoneNumber", "strSmsContent", "nSmsIndex", "bStatusReport"}},
    {BRANTLET_DISPID_SetLongSmsTimeout, "SetLongSmsTimeout", T::kVoid, {T::kLong}, {"nSeconds"}},
    {BRANTLET_DISPID_SetResetAfterTimeouts, "SetResetAfterTimeouts", T::kVoid, {T::kLong}, {"nCount"}},
    {BRANTLET_DISPID_GetSimStatus, "GetSimStatus", T::kLong, {}, {}},
};

const std::vector<MemberInfo> kEvents = {
    {BRANTLET_EVENT_ConnectStatus, "ConnectStatus", T::kVoid, {T::kLong}, {"nStatus"}},
    {BRANTLET_EVENT_SendSmsResult,
     "SendSmsResult",
     T::kVoid,
     {T::kShort, T::kLong, T::kBstr, T::kBstr},
     {"nResult", "nIndex", "strPhoneNumber", "strSmsContent"}},
    {BRANTLET_EVENT_Recvsms,
     "Recvsms",
     T::kVoid,
     {T::kBstr, T::kBstr, T::kShort, T::kShort, T::kShort, T::kShort, T::kShort, T::kShort},
     {"strPhoneNumber", "strSmsContent", "nYear", "nMonth", "nDay", "nHour", "nMinute", "nSecond"}},
    {BRANTLET_EVENT_SendReport,
     "SendReport",
     T::kVoid,
     {T::kBstr, T::kBstr, T::kBstr},
     {"strSendNumber", "strSendTime", "strRecvTime"}},
};

} // namespace

const std::vector<MemberInfo>& DispatchTable::Methods()
{
    return kMethods;
}
const std::vector<MemberInfo>& DispatchTable::Events()
{
    return kEvents;
}

const MemberInfo* DispatchTable::FindMethod(std::int32_t dispid)
{
    for (const MemberInfo& m : kMethods) {
        if (m.dispid == dispid)
            return &m;
    }
    return nullptr;
}

brantlet_status DispatchTable::ConvertArguments(const MemberInfo& method, const brantlet_value* args, std::size_t nargs,
                                                std::vector<InvokeArg>* out)
{
    out->clear();
    if (nargs != method.params.size())
        return BRANTLET_E_BAD_PARAM_COUNT;
    if (nargs > 0 && args == nullptr)
        return BRANTLET_E_INVALID_ARG;
    for (std::size_t i = 0; i < nargs; ++i) {
        const brantlet_value& v = args[i];
        InvokeArg arg;
        if (method.params[i] == T::kBstr) {
            if (v.type != BRANTLET_VT_BSTR)
                return BRANTLET_E_TYPE_MISMATCH;
            arg.text = v.u.str ? v.u.str : "";
            out->push_back(std::move(arg));
            continue;
        }
        std::int64_t number = 0;
        switch (v.type) {
        case BRANTLET_VT_I2:
            number = v.u.i2;
            break;
        case BRANTLET_VT_I4:
            number = v.u.i4;
            break;
        case BRANTLET_VT_BOOL:
            number = v.u.boolean;
            break;
        default:
            return BRANTLET_E_TYPE_MISMATCH;
        }
        if (method.params[i] == T::kShort &&
            (number < std::numeric_limits<std::int16_t>::min() || number > std::numeric_limits<std::int16_t>::max())) {
            return BRANTLET_E_OVERFLOW;
        }
        arg.number = static_cast<std::int32_t>(number);
        out->push_back(std::move(arg));
    }
    return BRANTLET_OK;
}
