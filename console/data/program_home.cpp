#include "program_home.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::string ProgramHome()
{
    std::error_code ec;
    fs::path folder;
    if (const char* home = std::getenv("KELVANE_HOME"); home != nullptr && *home != '\0') {
        folder = fs::absolute(home, ec);
        if (ec)
            folder = home;
    } else {
        const fs::path program = fs::read_symlink("/proc/self/exe", ec);
        folder = ec ? fs::current_path(ec) : program.parent_path();
    }
    std::string text = folder.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}
