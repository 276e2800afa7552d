#include "skin_frame.h"

#include "kit_look.h"

#include <QImage>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

QImage Picture(CSkinFrame& frame)
{
    return frame.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(SkinFrame, WithoutCaptionIsAClosedRectangle)
{
    CSkinFrame frame;
    frame.resize(60, 40);
    const QImage picture = Picture(frame);
    for (int x = 0; x < 60; ++x) {
        EXPECT_EQ(QColor(picture.pixel(x, 0)), KitBlue()) << x;
        EXPECT_EQ(QColor(picture.pixel(x, 39)), KitBlue()) << x;
    }
    for (int y = 0; y < 40; ++y) {
        EXPECT_EQ(QColor(picture.pixel(0, y)), KitBlue()) << y;
        EXPECT_EQ(QColor(picture.pixel(59, y)), KitBlue()) << y;
    }
    EXPECT_NE(QColor(picture.pixel(30, 20)), KitBlue());
}

TEST(SkinFrame, CaptionLeavesAGapInTheTopLine)
{
    CSkinFrame frame(QStringLiteral("短信内容"));
    frame.resize(200, 60);
    const QImage picture = Picture(frame);
    const QRect gap = frame.CaptionGap();
    const int top = frame.TopLineY();
    ASSERT_EQ(gap.left(), 8);
    ASSERT_GT(gap.width(), 30);
    EXPECT_EQ(QColor(picture.pixel(gap.left() - 1, top)), KitBlue());
    EXPECT_EQ(QColor(picture.pixel(gap.right() + 1, top)), KitBlue());
    for (int x = gap.left(); x <= gap.right(); ++x)
        EXPECT_NE(QColor(picture.pixel(x, top)), KitBlue()) << x;
    // The other three sides are closed.
    EXPECT_EQ(QColor(picture.pixel(0, 30)), KitBlue());
    EXPECT_EQ(QColor(picture.pixel(199, 30)), KitBlue());
    EXPECT_EQ(QColor(picture.pixel(100, 59)), KitBlue());
}

TEST(SkinFrame, DisabledFrameIsPureBlue)
{
    CSkinFrame frame(QStringLiteral("发送记录"));
    frame.resize(200, 60);
    frame.setEnabled(false);
    const QImage picture = Picture(frame);
    EXPECT_EQ(QColor(picture.pixel(0, 30)), QColor(0, 0, 255));
    EXPECT_EQ(QColor(picture.pixel(100, 59)), QColor(0, 0, 255));
}

TEST(SkinFrame, AFrameLaidOverAControlLetsTheMouseThroughUnlessItHoldsControls)
{
    QWidget page;
    page.resize(200, 100);
    auto* beneath = new QPushButton(&page);
    beneath->setGeometry(20, 20, 100, 40);
    auto* frame = new CSkinFrame(&page);
    frame->setGeometry(19, 19, 102, 42);
    frame->raise();
    EXPECT_EQ(page.childAt(50, 40), beneath);

    auto* holder = new CSkinFrame(QStringLiteral("短信接收者"), &page);
    holder->setGeometry(130, 10, 60, 80);
    auto* inside = new QPushButton(holder);
    inside->setGeometry(10, 20, 40, 20);
    EXPECT_EQ(page.childAt(150, 40), inside);
}

} // namespace
