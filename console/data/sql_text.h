#pragma once

#include <string>

// The one quoting helper: every text value placed between single quotes in a statement
// goes through it, so a value like O'Brien is stored as typed and cannot end the literal.
std::string SqlQuote(const std::string& value);

// One space in place of an empty text, so no empty free text is ever stored.
std::string BlankIfEmpty(const std::string& text);

// The number as "%d".
std::string IntText(int value);
