#pragma once

#include <string>

// "Varnholt-stickers.ini" of the program directory: what the installation prints on every
// sticker. Written by `varnholt-db sms-number` or by hand:
//
//   [Stickers]
//   SmsNumber=1065712345678
//
// The console hands the number to the sticker program.

inline constexpr const char* kStickerSettingsName = "Varnholt-stickers.ini";

// The service number consumers text their code to; empty when none is set or the file
// holds no valid one.
std::string ReadSmsNumber(const std::string& programDirectory);

// True for a phone number as it is dialled: 3 to 20 digits, optionally after one '+'.
bool IsSmsNumber(const std::string& text);

// Writes the file with the number; false with a reason (an invalid number included).
bool WriteSmsNumber(const std::string& programDirectory, const std::string& number, std::string& error);
