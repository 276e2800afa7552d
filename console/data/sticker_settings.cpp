#include "sticker_settings.h"

#include "private_file.h"
#include "text_util.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>

namespace {

std::string PathIn(const std::string& directory)
{
    return directory + "/" + kStickerSettingsName;
}

} // namespace

bool IsSmsNumber(const std::string& text)
{
    const std::size_t start = !text.empty() && text.front() == '+' ? 1 : 0;
    const std::size_t digits = text.size() - start;
    return digits >= 3 && digits <= 20 &&
           std::all_of(text.begin() + static_cast<std::ptrdiff_t>(start), text.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

std::string ReadSmsNumber(const std::string& programDirectory)
{
    std::ifstream file(PathIn(programDirectory), std::ios::binary);
    std::string line;
    while (std::getline(file, line)) {
        const auto equals = line.find('=');
        if (equals == std::string::npos || !EqualsNoCaseAscii(TrimBlanks(line.substr(0, equals)), "SmsNumber"))
            continue;
        const std::string number = TrimBlanks(line.substr(equals + 1));
        return IsSmsNumber(number) ? number : std::string();
    }
    return std::string();
}

bool WriteSmsNumber(const std::string& programDirectory, const std::string& number, std::string& error)
{
    if (!IsSmsNumber(number)) {
        error = "not a phone number: \"" + number + "\" (3 to 20 digits, optionally after '+')";
        return false;
    }
    const std::string path = PathIn(programDirectory);
    if (!WritePrivateFile(path, "[Stickers]\nSmsNumber=" + number + "\n", error))
        return false;
    // Nothing secret in it: whoever runs the console reads it.
    ::chmod(path.c_str(), 0644);
    return true;
}
