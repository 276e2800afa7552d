#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// A row of text cells in one string, as a reader without Qt writes it and the colour list
// keeps it: each cell its length in bytes, seven bits to a byte from the lowest (the top
// bit set on every byte but the last), then its bytes. A million rows of short cells cost
// a byte of length per cell and no string each.

inline void AppendPackedCell(std::string& packed, std::string_view cell)
{
    std::size_t length = cell.size();
    while (length >= 0x80) {
        packed += static_cast<char>((length & 0x7F) | 0x80);
        length >>= 7;
    }
    packed += static_cast<char>(length);
    packed += cell;
}

// Takes the cell at the front of packed and moves packed past it; false when packed is
// empty or its first cell is cut short (nothing is taken then).
inline bool TakePackedCell(std::string_view& packed, std::string_view& cell)
{
    std::size_t length = 0;
    std::size_t at = 0;
    for (int shift = 0;; shift += 7) {
        if (at == packed.size() || shift > 56)
            return false;
        const auto byte = static_cast<unsigned char>(packed[at++]);
        length |= static_cast<std::size_t>(byte & 0x7F) << shift;
        if (byte < 0x80)
            break;
    }
    if (length > packed.size() - at)
        return false;
    cell = packed.substr(at, length);
    packed.remove_prefix(at + length);
    return true;
}
