#include "skin_button.h"

#include "kit_look.h"

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// A 80 x 30 button on a surface of a known colour; the face is 26 rows high (rows 2..27).
struct ButtonOnSurface {
    QWidget surface;
    CSkinButton* button;

    ButtonOnSurface()
    {
        QPalette colours = surface.palette();
        colours.setColor(QPalette::Window, QColor(239, 243, 255));
        surface.setPalette(colours);
        surface.resize(100, 50);
        button = new CSkinButton(QStringLiteral("确定"), &surface);
        button->setGeometry(10, 10, 80, 30);
    }

    void Hover()
    {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(15, 15));
        QApplication::sendEvent(button, &enter);
    }

    QImage Picture() const { return button->grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

QColor At(const QImage& image, int x, int y)
{
    return QColor(image.pixel(x, y));
}

TEST(SkinButton, FaceRunsFromTheTopBandToTheLastBand)
{
    ButtonOnSurface fixture;
    const QImage picture = fixture.Picture();
    // Row 2 is band 2*63/26 = 4: a = b = 254, c = 255. The last row is band 63:
    // a = 234, b = 240, c = 243. Without hover or emphasis the face is (a, a, c).
    EXPECT_EQ(At(picture, 40, 2), QColor(254, 254, 255));
    EXPECT_EQ(At(picture, 40, 27), QColor(234, 234, 243));
    // The outline is kit blue, and the gap between outline and face is the surface.
    EXPECT_EQ(At(picture, 40, 0), KitBlue());
    EXPECT_EQ(At(picture, 40, 29), KitBlue());
    EXPECT_EQ(At(picture, 40, 1), QColor(239, 243, 255));
}

TEST(SkinButton, DefaultButtonFaceUsesTheBlueTint)
{
    ButtonOnSurface fixture;
    fixture.button->setDefault(true);
    const QImage picture = fixture.Picture();
    // Band 63 emphasised: (a, a, b) = (234, 234, 240).
    EXPECT_EQ(At(picture, 40, 27), QColor(234, 234, 240));
}

TEST(SkinButton, HoverDrawsTheOrangeFrameInsideTheFace)
{
    ButtonOnSurface fixture;
    fixture.Hover();
    ASSERT_TRUE(fixture.button->IsMouseOver());
    const QImage picture = fixture.Picture();
    const struct {
        int x, y;
        QColor colour;
    } cases[] = {
        {2, 15, QColor(250, 196, 88)}, // left edge, 3 wide
        {4, 15, QColor(250, 196, 88)},
        {77, 15, QColor(251, 202, 106)}, // right edge, 3 wide
        {75, 15, QColor(251, 202, 106)},
        {40, 2, QColor(252, 210, 121)}, // top, 2 high
        {40, 3, QColor(252, 210, 121)},
        {40, 27, QColor(229, 151, 0)}, // bottom, 2 high
        {40, 26, QColor(229, 151, 0)},
        // Inside the frame the hover face (b, b, c): row 5 is band 12: b = 252, c = 253.
        {40, 5, QColor(252, 252, 253)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(At(picture, c.x, c.y), c.colour) << c.x << "," << c.y;
}

TEST(SkinButton, DisabledButtonNeverShowsTheHoverFrameAndGreysItsCaption)
{
    ButtonOnSurface fixture;
    fixture.button->setEnabled(false);
    fixture.Hover();
    const QImage picture = fixture.Picture();
    // Row 15 is band 36: a = 243, c = 248; the plain face colour, not orange.
    EXPECT_EQ(At(picture, 2, 15), QColor(243, 243, 248));
    EXPECT_EQ(At(picture, 40, 27), QColor(234, 234, 243));
    int dark = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (qGray(picture.pixel(x, y)) < 100)
                ++dark;
    EXPECT_EQ(dark, 0) << "the caption of a disabled button is drawn in grey";
}

TEST(SkinButton, FocusedButtonDrawsTheBlueFrame)
{
    ButtonOnSurface fixture;
    fixture.surface.show();
    fixture.surface.activateWindow();
    QApplication::setActiveWindow(&fixture.surface);
    fixture.button->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(fixture.button->hasFocus());
    const QImage picture = fixture.Picture();
    EXPECT_EQ(At(picture, 2, 15), QColor(153, 198, 252));
    EXPECT_EQ(At(picture, 77, 15), QColor(162, 189, 252));
    EXPECT_EQ(At(picture, 40, 2), QColor(162, 201, 255));
    EXPECT_EQ(At(picture, 40, 27), QColor(162, 201, 255));
}

} // namespace
