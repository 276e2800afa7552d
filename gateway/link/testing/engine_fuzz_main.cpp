// libFuzzer entry: arbitrary bytes as a script of modem output and host calls.
#include <cstddef>
#include <cstdint>

#include "engine_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzEngineOnce(data, size);
    return 0;
}
