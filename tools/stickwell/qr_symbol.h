#pragma once

#include <string>
#include <vector>

class QImage;

// A QR code symbol: width x width modules, row by row, true for dark.
class QrSymbol final {
public:
    // False when the text cannot be encoded.
    bool Encode(const std::string& text);

    int Width() const { return m_width; }
    bool IsDark(int x, int y) const { return m_modules[static_cast<std::size_t>(y * m_width + x)]; }

    // One pixel per module with a light quiet zone of quietModules on every side,
    // in a 1-bit format so that a PDF keeps it as a small bitmap.
    QImage ToImage(int quietModules) const;

private:
    int m_width = 0;
    std::vector<bool> m_modules;
};
