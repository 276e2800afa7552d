#pragma once

#include <cstdint>
#include <string>

namespace gsmsim {

class ModemSim;

struct ControlReply {
    enum class Action { kNone, kHangup, kQuit };
    std::string text; // "ok ..." or "error ..."
    Action action = Action::kNone;
};

// The line-based command language of the control socket or FIFO (see README.md).
class SimControl final {
public:
    explicit SimControl(ModemSim& sim) : m_sim(sim) {}

    ControlReply Handle(const std::string& line, std::int64_t nowMs);

    static const char* HelpText();

private:
    ModemSim& m_sim;
};

} // namespace gsmsim
