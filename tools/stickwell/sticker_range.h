#pragma once

#include <string>

// The ProductIDs a sheet covers, as the console hands them over: the first ProductID
// followed directly by the last (16 digits), or the first alone (8 digits) for a batch
// of one code.
class StickerRange final {
public:
    // False with a one-line reason when the argument is no such range.
    bool Parse(const std::string& argument, std::string& error);

    const std::string& First() const { return m_first; }
    const std::string& Last() const { return m_last; }
    long FirstNumber() const { return m_firstNumber; }
    long LastNumber() const { return m_lastNumber; }

private:
    std::string m_first;
    std::string m_last;
    long m_firstNumber = 0;
    long m_lastNumber = 0;
};
