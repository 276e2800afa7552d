#include "number_file.h"

#include <cstdio>
#include <memory>

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view piece)
{
    while (!piece.empty() && IsSpace(piece.front()))
        piece.remove_prefix(1);
    while (!piece.empty() && IsSpace(piece.back()))
        piece.remove_suffix(1);
    return piece;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

bool ReadNumberFile(const std::string& path, std::string& text)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return false;
    text.assign(kNumberFileLimit, '\0');
    const std::size_t got = std::fread(text.data(), 1, kNumberFileLimit, file.get());
    text.resize(got);
    const std::size_t zero = text.find('\0');
    if (zero != std::string::npos)
        text.resize(zero);
    return true;
}

std::vector<std::string> SplitNumbers(std::string_view text)
{
    std::vector<std::string> numbers;
    for (;;) {
        const std::size_t end = text.find("\r\n");
        const std::string_view piece = Trim(text.substr(0, end));
        if (piece.size() >= kShortestNumber)
            numbers.emplace_back(piece);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 2);
    }
    return numbers;
}
