#pragma once

#include "link_time.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// One message as the link carries it: an outgoing message queued by the host, or a
// received one after decoding. Fixed size and zero-filled on creation; number and text
// are zero-terminated GBK bytes.
struct MessageRecord {
    static constexpr std::size_t kNumberSize = 30;
    static constexpr std::size_t kMaxNumberDigits = 20;
    static constexpr std::size_t kTextSize = 200;

    std::int32_t index = 0;
    // 1 command written, 2 message written, 10 sent, -19 timed out, -20 error; 5 decoded.
    std::int32_t result = 0;
    char number[kNumberSize] = {};
    char text[kTextSize] = {};
    LinkTime timeStamp = {};

    // Stores at most kMaxNumberDigits bytes.
    void SetNumber(std::string_view value);
    // Stores at most kTextSize - 1 bytes, cut on a GBK character boundary.
    void SetText(std::string_view gbk);
    std::string Number() const;
    std::string Text() const;
};
