#include "stickwell_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

bool ParseInt(const std::string& text, int& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno != 0 || number < -1000000 || number > 1000000)
        return false;
    value = static_cast<int>(number);
    return true;
}

bool ParseDouble(const std::string& text, double& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return *end == '\0' && errno == 0 && std::isfinite(value);
}

} // namespace

std::string StickwellOptions::Usage()
{
    return "usage: stickwell [options] FIRSTLAST\n"
           "  FIRSTLAST           the first ProductID followed by the last (16 digits),\n"
           "                      or one ProductID (8 digits)\n"
           "  --output FILE       write the PDF to FILE (default: a new private folder in the\n"
           "                      temporary folder); the sheet is readable by its owner only\n"
           "  --no-open           do not open the PDF afterwards\n"
           "  --print             send the PDF to the printer with lp instead of opening it\n"
           "  --printer NAME      the printer for --print (default: the system's default)\n"
           "  --columns N         labels across an A4 page (default 3)\n"
           "  --rows N            labels down an A4 page (default 8)\n"
           "  --margin MM         page margin in millimetres (default 5)\n"
           "  --sms-number NUMBER the number consumers text the code to, shown on each sticker\n"
           "  --outline           draw each label's outline, for cutting plain paper\n"
           "The database is the one named by Varnholt-dblink.ini beside the program.\n"
           "Exit status: 0 done, 1 failed, 2 wrong arguments, 3 the sheet was written but no\n"
           "viewer opened it (the last line says where it is).\n";
}

StickwellOptions::Outcome StickwellOptions::Parse(const std::vector<std::string>& args, std::string& error)
{
    int columns = m_grid.Columns();
    int rows = m_grid.Rows();
    double margin = m_grid.Margin();
    std::vector<std::string> positional;

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (arg.size() < 2 || arg.compare(0, 2, "--") != 0 || arg == "--") {
            positional.push_back(arg);
            continue;
        }
        std::string value;
        bool hasValue = false;
        if (const auto equals = arg.find('='); equals != std::string::npos) {
            value = arg.substr(equals + 1);
            arg.erase(equals);
            hasValue = true;
        }
        auto takeValue = [&]() {
            if (hasValue)
                return true;
            if (i + 1 >= args.size()) {
                error = "option " + arg + " needs a value";
                return false;
            }
            value = args[++i];
            return true;
        };
        auto noValue = [&]() {
            if (hasValue)
                error = "option " + arg + " takes no value";
            return !hasValue;
        };

        if (arg == "--help") {
            return Outcome::Help;
        } else if (arg == "--no-open") {
            if (!noValue())
                return Outcome::Wrong;
            m_open = false;
        } else if (arg == "--print") {
            if (!noValue())
                return Outcome::Wrong;
            m_print = true;
        } else if (arg == "--outline") {
            if (!noValue())
                return Outcome::Wrong;
            m_outline = true;
        } else if (arg == "--output" || arg == "--printer" || arg == "--sms-number") {
            if (!takeValue())
                return Outcome::Wrong;
            if (value.empty()) {
                error = "option " + arg + " needs a value";
                return Outcome::Wrong;
            }
            (arg == "--output" ? m_output : arg == "--printer" ? m_printer : m_smsNumber) = value;
        } else if (arg == "--columns" || arg == "--rows") {
            if (!takeValue())
                return Outcome::Wrong;
            if (!ParseInt(value, arg == "--columns" ? columns : rows)) {
                error = "option " + arg + " needs a whole number, not \"" + value + "\"";
                return Outcome::Wrong;
            }
        } else if (arg == "--margin") {
            if (!takeValue())
                return Outcome::Wrong;
            if (!ParseDouble(value, margin)) {
                error = "option --margin needs a number of millimetres, not \"" + value + "\"";
                return Outcome::Wrong;
            }
        } else {
            error = "unknown option " + arg;
            return Outcome::Wrong;
        }
    }

    if (positional.size() != 1) {
        error = positional.empty() ? "missing argument: the first ProductID followed by the last"
                                   : "only one argument is taken: the first ProductID followed by the last";
        return Outcome::Wrong;
    }
    if (!m_range.Parse(positional.front(), error))
        return Outcome::Wrong;
    if (!m_grid.Set(columns, rows, margin, error))
        return Outcome::Wrong;
    if (!m_printer.empty() && !m_print) {
        error = "--printer only goes with --print";
        return Outcome::Wrong;
    }
    return Outcome::Run;
}
