#include "phone_mask.h"

std::string MaskPhone(std::string_view number)
{
    const std::size_t n = number.size();
    if (n == 0)
        return {};
    std::size_t head = 3, tail = 4;
    if (n < 8) { // short numbers keep less, so something is always hidden
        head = n / 4;
        tail = n / 4;
    }
    std::string out(number.substr(0, head));
    out.append(n - head - tail, '*');
    out.append(number.substr(n - tail));
    return out;
}
