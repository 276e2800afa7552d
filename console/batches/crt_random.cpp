#include "crt_random.h"

int CrtRandom::Next()
{
    // Unsigned arithmetic wraps modulo 2^32, as the runtime's does.
    m_state = m_state * 214013u + 2531011u;
    return static_cast<int>((m_state >> 16) & 0x7FFFu);
}
