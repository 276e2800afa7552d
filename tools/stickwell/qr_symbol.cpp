#include "qr_symbol.h"

#include <QImage>

#include <qrencode.h>

#include <memory>

bool QrSymbol::Encode(const std::string& text)
{
    // Level M: a scuffed sticker still reads; 16 digits fit version 1 at that level.
    std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeString(text.c_str(), 0, QR_ECLEVEL_M, QR_MODE_8, 1), &QRcode_free);
    if (!code) {
        m_width = 0;
        m_modules.clear();
        return false;
    }
    m_width = code->width;
    m_modules.assign(static_cast<std::size_t>(m_width * m_width), false);
    for (std::size_t i = 0; i < m_modules.size(); ++i)
        m_modules[i] = (code->data[i] & 1) != 0;
    return true;
}

QImage QrSymbol::ToImage(int quietModules) const
{
    const int side = m_width + 2 * quietModules;
    QImage image(side, side, QImage::Format_Mono);
    // Black as colour 0 and white as 1: that order lets a PDF keep it as a 1-bit mask.
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    image.fill(1);
    for (int y = 0; y < m_width; ++y)
        for (int x = 0; x < m_width; ++x)
            if (IsDark(x, y))
                image.setPixel(x + quietModules, y + quietModules, 0);
    return image;
}
