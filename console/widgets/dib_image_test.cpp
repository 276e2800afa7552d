#include "dib_image.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

void Put16(std::vector<unsigned char>& b, std::uint16_t v)
{
    b.push_back(v & 0xff);
    b.push_back(v >> 8);
}

void Put32(std::vector<unsigned char>& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back((v >> (8 * i)) & 0xff);
}

// A BMP file: 14-byte file header, 40-byte information header, colour table, pixel rows.
std::vector<unsigned char> Bmp(int width, int height, int bitCount, const std::vector<std::uint32_t>& table,
                               const std::vector<unsigned char>& pixels)
{
    const std::uint32_t offset = 14 + 40 + static_cast<std::uint32_t>(table.size()) * 4;
    std::vector<unsigned char> b{'B', 'M'};
    Put32(b, offset + static_cast<std::uint32_t>(pixels.size()));
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, 40);
    Put32(b, static_cast<std::uint32_t>(width));
    Put32(b, static_cast<std::uint32_t>(height));
    Put16(b, 1);
    Put16(b, static_cast<std::uint16_t>(bitCount));
    Put32(b, 0);
    Put32(b, static_cast<std::uint32_t>(pixels.size()));
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, static_cast<std::uint32_t>(table.size()));
    Put32(b, 0);
    for (std::uint32_t entry : table)
        Put32(b, entry);
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

QString Write(const QTemporaryDir& dir, const char* name, const std::vector<unsigned char>& bytes)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    return path;
}

TEST(DibImage, ReadsTrueColourAndPalettePicturesBottomUpAndTopDown)
{
    QTemporaryDir dir;
    // 24 bits, 2 x 2, bottom-up: the first stored row is the bottom one. Rows pad to 4 bytes.
    const auto trueColour = Bmp(2, 2, 24, {},
                                {0, 0, 255, 0, 255, 0, 0, 0, /* bottom: red, green */
                                 255, 0, 0, 255, 255, 255, 0, 0 /* top: blue, white */});
    // 8 bits with a two-entry table, 2 x 2, top-down (negative height).
    auto palette = Bmp(2, -2, 8, {0x00ff8000, 0x00000000}, {0, 1, 0, 0, 1, 1, 0, 0});
    const struct {
        const char* name;
        std::vector<unsigned char> bytes;
        QColor topLeft, topRight, bottomLeft;
    } cases[] = {
        {"true.bmp", trueColour, Qt::blue, Qt::white, Qt::red},
        {"palette.bmp", palette, QColor(255, 128, 0), Qt::black, Qt::black},
    };
    for (const auto& c : cases) {
        CDibImage picture;
        ASSERT_TRUE(picture.Load(Write(dir, c.name, c.bytes))) << c.name;
        ASSERT_EQ(picture.Size(), QSize(2, 2));
        const QImage& image = picture.Image();
        EXPECT_EQ(QColor(image.pixel(0, 0)), c.topLeft) << c.name;
        EXPECT_EQ(QColor(image.pixel(1, 0)), c.topRight) << c.name;
        EXPECT_EQ(QColor(image.pixel(0, 1)), c.bottomLeft) << c.name;
    }
}

TEST(DibImage, RefusesMissingShortAndForeignFilesAndThenPaintsNothing)
{
    QTemporaryDir dir;
    auto whole = Bmp(2, 2, 24, {}, std::vector<unsigned char>(16, 0x40));
    auto cut = whole;
    cut.resize(cut.size() - 4); // shorter than the file header states
    auto foreign = whole;
    foreign[0] = 'P';
    const struct {
        const char* name;
        QString path;
    } cases[] = {
        {"missing", dir.filePath(QStringLiteral("none.bmp"))},
        {"shorter than stated", Write(dir, "cut.bmp", cut)},
        {"header only", Write(dir, "head.bmp", std::vector<unsigned char>(whole.begin(), whole.begin() + 20))},
        {"not a bitmap", Write(dir, "foreign.bmp", foreign)},
    };
    for (const auto& c : cases) {
        CDibImage picture;
        EXPECT_FALSE(picture.Load(c.path)) << c.name;
        EXPECT_FALSE(picture.IsLoaded()) << c.name;
        QImage canvas(4, 4, QImage::Format_RGB32);
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        picture.Paint(painter);
        painter.end();
        EXPECT_EQ(QColor(canvas.pixel(0, 0)), QColor(Qt::white)) << c.name;
    }
}

TEST(DibImage, ReadsTheShippedBackgrounds)
{
#ifdef KELVANE_ART_DIR
    for (const char* name : {"m2.bmp", "m3.bmp"}) {
        CDibImage picture;
        EXPECT_TRUE(picture.Load(QStringLiteral(KELVANE_ART_DIR "/") + QString::fromLatin1(name))) << name;
        EXPECT_GT(picture.Size().width(), 500) << name;
    }
#else
    GTEST_SKIP() << "no art directory given";
#endif
}

} // namespace
