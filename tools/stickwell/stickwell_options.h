#pragma once

#include "label_grid.h"
#include "sticker_range.h"

#include <string>
#include <vector>

// The command line of the sticker program.
class StickwellOptions final {
public:
    enum class Outcome { Run = 0, Help = 1, Wrong = 2 };

    // args without the program name. Wrong leaves a one-line reason in error.
    Outcome Parse(const std::vector<std::string>& args, std::string& error);

    static std::string Usage();

    const StickerRange& Range() const { return m_range; }
    const LabelGrid& Grid() const { return m_grid; }
    // Empty: the program chooses a file in the temporary folder.
    const std::string& Output() const { return m_output; }
    bool Open() const { return m_open; }
    bool Print() const { return m_print; }
    const std::string& Printer() const { return m_printer; }
    const std::string& SmsNumber() const { return m_smsNumber; }
    bool Outline() const { return m_outline; }

private:
    StickerRange m_range;
    LabelGrid m_grid;
    std::string m_output;
    bool m_open = true;
    bool m_print = false;
    std::string m_printer;
    std::string m_smsNumber;
    bool m_outline = false;
};
