#include "dib_image.h"

#include <QFile>
#include <QPainter>

#include <cstdint>
#include <vector>

namespace {

constexpr int kFileHeaderSize = 14;
// The information header with a colour table of up to 256 entries, read as one block.
constexpr int kInfoBlockSize = 1064;
constexpr int kInfoHeaderMinimum = 40;

std::uint32_t U32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t U16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

// Position and width of the set bits of a channel mask.
struct Channel {
    int shift = 0;
    int bits = 0;
};

Channel ChannelOf(std::uint32_t mask)
{
    Channel channel;
    if (mask == 0)
        return channel;
    while (!(mask & 1u)) {
        mask >>= 1;
        ++channel.shift;
    }
    while (mask & 1u) {
        mask >>= 1;
        ++channel.bits;
    }
    return channel;
}

int Expand(std::uint32_t pixel, Channel channel)
{
    if (channel.bits == 0)
        return 0;
    const std::uint32_t value = (pixel >> channel.shift) & ((1u << channel.bits) - 1u);
    return static_cast<int>(value * 255u / ((1u << channel.bits) - 1u));
}

} // namespace

bool CDibImage::Load(const QString& path)
{
    m_image = QImage();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray fileHeader = file.read(kFileHeaderSize);
    // The block may be cut short by a small file; the information header itself must be there.
    const QByteArray infoBlock = file.read(kInfoBlockSize);
    if (fileHeader.size() != kFileHeaderSize || infoBlock.size() < kInfoHeaderMinimum)
        return false;
    const auto* fh = reinterpret_cast<const unsigned char*>(fileHeader.constData());
    const auto* ih = reinterpret_cast<const unsigned char*>(infoBlock.constData());
    if (fh[0] != 'B' || fh[1] != 'M')
        return false;
    const std::uint32_t statedSize = U32(fh + 2);
    const std::uint32_t pixelOffset = U32(fh + 10);
    if (static_cast<std::uint64_t>(file.size()) < statedSize)
        return false;

    const std::uint32_t infoSize = U32(ih);
    const std::int32_t width = static_cast<std::int32_t>(U32(ih + 4));
    const std::int32_t rawHeight = static_cast<std::int32_t>(U32(ih + 8));
    const int bitCount = U16(ih + 14);
    const std::uint32_t compression = U32(ih + 16);
    const std::uint32_t coloursUsed = U32(ih + 32);
    if (infoSize < kInfoHeaderMinimum || width <= 0 || rawHeight == 0 || width > 32768 || rawHeight > 32768 ||
        rawHeight < -32768)
        return false;
    const bool topDown = rawHeight < 0;
    const int height = topDown ? -rawHeight : rawHeight;

    constexpr std::uint32_t kRgb = 0;
    constexpr std::uint32_t kBitFields = 3;
    if (compression != kRgb && !(compression == kBitFields && (bitCount == 16 || bitCount == 32)))
        return false;

    // The colour table: 2 to the power of the bit count entries, at most 256.
    std::vector<QRgb> table;
    if (bitCount <= 8) {
        const int entries = coloursUsed != 0 && coloursUsed <= 256u ? static_cast<int>(coloursUsed) : 1 << bitCount;
        for (int i = 0; i < entries; ++i) {
            const qsizetype at = static_cast<qsizetype>(infoSize) + i * 4;
            if (at + 4 > infoBlock.size())
                break;
            const auto* e = ih + at;
            table.push_back(qRgb(e[2], e[1], e[0]));
        }
        table.resize(static_cast<size_t>(1) << bitCount, qRgb(0, 0, 0));
    }

    Channel red{16, 8}, green{8, 8}, blue{0, 8};
    if (bitCount == 16) {
        red = {10, 5};
        green = {5, 5};
        blue = {0, 5};
    }
    if (compression == kBitFields) {
        if (infoBlock.size() < 52)
            return false;
        // Masks follow a 40-byte header; larger headers carry them inside.
        const auto* masks = ih + 40;
        red = ChannelOf(U32(masks));
        green = ChannelOf(U32(masks + 4));
        blue = ChannelOf(U32(masks + 8));
    }

    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return false;

    // Everything from the pixel offset to the end of the file is the pixel bits.
    if (!file.seek(pixelOffset))
        return false;
    const QByteArray bits = file.readAll();
    const qsizetype stride = ((static_cast<qsizetype>(width) * bitCount + 31) / 32) * 4;
    if (bits.size() < stride * height)
        return false;

    QImage image(width, height, QImage::Format_RGB32);
    const auto* data = reinterpret_cast<const unsigned char*>(bits.constData());
    for (int row = 0; row < height; ++row) {
        const unsigned char* line = data + stride * (topDown ? row : height - 1 - row);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(row));
        for (int x = 0; x < width; ++x) {
            switch (bitCount) {
            case 1:
                out[x] = table[(line[x / 8] >> (7 - x % 8)) & 1];
                break;
            case 4:
                out[x] = table[(line[x / 2] >> (x % 2 ? 0 : 4)) & 0x0f];
                break;
            case 8:
                out[x] = table[line[x]];
                break;
            case 16: {
                const std::uint32_t p = U16(line + x * 2);
                out[x] = qRgb(Expand(p, red), Expand(p, green), Expand(p, blue));
                break;
            }
            case 24:
                out[x] = qRgb(line[x * 3 + 2], line[x * 3 + 1], line[x * 3]);
                break;
            case 32: {
                const std::uint32_t p = U32(line + x * 4);
                out[x] = compression == kBitFields ? qRgb(Expand(p, red), Expand(p, green), Expand(p, blue))
                                                   : qRgb(line[x * 4 + 2], line[x * 4 + 1], line[x * 4]);
                break;
            }
            default:
                break;
            }
        }
    }
    m_image = image;
    return true;
}

void CDibImage::Paint(QPainter& painter) const
{
    if (!m_image.isNull())
        painter.drawImage(0, 0, m_image);
}
