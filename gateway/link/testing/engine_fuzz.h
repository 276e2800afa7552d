#pragma once

#include <cstddef>
#include <cstdint>

// Drives a connected engine on virtual time with a script read from arbitrary bytes: modem
// output (well-formed replies, notifications, fragments and raw bytes), host calls and
// the passing of ticks. Aborts when an invariant breaks; anything else the engine does
// wrong shows up under the sanitizers. Shared by the unit tests and the libFuzzer target.
void FuzzEngineOnce(const std::uint8_t* data, std::size_t size);
