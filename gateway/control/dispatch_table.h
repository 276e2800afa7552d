#pragma once

#include "brantlet/brantlet.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The automation types of the control's interfaces.
enum class AutoType { kVoid, kLong, kShort, kBool, kBstr };

struct MemberInfo {
    std::int32_t dispid;
    const char* name;
    AutoType returns;
    std::vector<AutoType> params;
    std::vector<const char*> paramNames;
};

// One argument after conversion to its parameter's type.
struct InvokeArg {
    std::int32_t number = 0; // long, short and BOOL
    std::string text;        // BSTR
};

// The members of _DBrantlet and _DBrantletEvents as brantlet_invoke and the late-bound
// event callback see them, and the argument checks of a late-bound call.
class DispatchTable final {
public:
    static const std::vector<MemberInfo>& Methods();
    static const std::vector<MemberInfo>& Events();
    static const MemberInfo* FindMethod(std::int32_t dispid);

    // Checks count and types and converts the arguments as an automation caller would:
    // numbers among short, long and BOOL (overflow is an error), strings only from strings.
    static brantlet_status ConvertArguments(const MemberInfo& method, const brantlet_value* args, std::size_t nargs,
                                            std::vector<InvokeArg>* out);
};
