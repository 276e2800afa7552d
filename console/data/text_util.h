#pragma once

#include "field_value.h"

#include <string>
#include <string_view>

// Small text helpers shared inside the data layer.
std::string ToLowerAscii(std::string_view text);
bool EqualsNoCaseAscii(std::string_view a, std::string_view b);
// Blanks as the field reader trims them: space, tab, CR, LF, VT, FF.
bool IsBlank(char c);
std::string TrimBlanks(std::string_view text);
std::string_view TrimBlanksView(std::string_view text);
// A field as the recordset's field reader gives it: NULL (and the text "NULL") as "",
// blanks trimmed.
std::string FieldShownText(const FieldValue& value);

// Reads "YYYY-MM-DD HH:MM:SS" (also with 'T', fractions of a second, or a date alone).
bool ParseDateTimeText(std::string_view text, FieldValue::DateTime& out);
