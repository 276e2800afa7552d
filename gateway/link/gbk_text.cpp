#include "gbk_text.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace {

// One converter per direction and thread: opening a converter costs far more than a
// conversion of a message, and a descriptor must not be shared between threads.
class Converter final {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (m_cd != reinterpret_cast<iconv_t>(-1)) {
            iconv_close(m_cd);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts all of input. A sequence the source encoding does not allow (or the
    // target cannot express) becomes the replacement and the input moves on by one
    // unit, so bad data never stops or fails a conversion.
    std::string Run(std::string_view input, std::size_t unit, std::string_view replacement) const
    {
        std::string output;
        if (m_cd == reinterpret_cast<iconv_t>(-1)) {
            return output;
        }
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        output.resize(input.size() * 2 + 16);
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        std::size_t used = 0;
        while (inLeft > 0) {
            char* out = output.data() + used;
            std::size_t outLeft = output.size() - used;
            const std::size_t rc = iconv(m_cd, &in, &inLeft, &out, &outLeft);
            used = output.size() - outLeft;
            if (rc != static_cast<std::size_t>(-1)) {
                break;
            }
            if (errno == E2BIG) {
                output.resize(output.size() * 2);
                continue;
            }
            // EILSEQ or EINVAL (a sequence cut off at the end): replace one unit.
            output.replace(used, replacement.size(), replacement);
            used += replacement.size();
            const std::size_t skip = std::min(unit, inLeft);
            in += skip;
            inLeft -= skip;
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
            if (output.size() - used < 16) {
                output.resize(output.size() * 2);
            }
        }
        output.resize(used);
        return output;
    }

private:
    iconv_t m_cd;
};

constexpr std::string_view kQuestion = "?";
constexpr std::string_view kQuestionUtf16 = std::string_view("?\0", 2);

std::string Utf16Bytes(std::u16string_view units)
{
    std::string bytes;
    bytes.reserve(units.size() * 2);
    for (const char16_t unit : units) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

} // namespace

std::string Utf8ToGbk(std::string_view utf8)
{
    thread_local const Converter converter("GB18030", "UTF-8");
    return converter.Run(utf8, 1, kQuestion);
}

std::string GbkToUtf8(std::string_view gbk)
{
    thread_local const Converter converter("UTF-8", "GB18030");
    return converter.Run(gbk, 1, kQuestion);
}

std::u16string GbkToUtf16(std::string_view gbk)
{
    thread_local const Converter converter("UTF-16LE", "GB18030");
    const std::string bytes = converter.Run(gbk, 1, kQuestionUtf16);
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                         static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    }
    return units;
}

std::string Utf16ToGbk(std::u16string_view utf16, std::size_t maxBytes)
{
    thread_local const Converter converter("GB18030", "UTF-16LE");
    std::string gbk = converter.Run(Utf16Bytes(utf16), 2, kQuestion);
    gbk.resize(CutGbk(gbk, maxBytes).size());
    return gbk;
}

std::string_view CutGbk(std::string_view gbk, std::size_t maxBytes)
{
    std::size_t pos = 0;
    while (pos < gbk.size()) {
        const auto lead = static_cast<unsigned char>(gbk[pos]);
        std::size_t length = 1;
        if (lead >= 0x81 && lead <= 0xFE && pos + 1 < gbk.size()) {
            const auto second = static_cast<unsigned char>(gbk[pos + 1]);
            length = (second >= 0x30 && second <= 0x39) ? 4 : 2;
        }
        length = std::min(length, gbk.size() - pos);
        if (pos + length > maxBytes) {
            break;
        }
        pos += length;
    }
    return gbk.substr(0, pos);
}
