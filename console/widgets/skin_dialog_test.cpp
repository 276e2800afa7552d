#include "skin_dialog.h"

#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(SkinDialog, BandDragsExceptAtItsCloseZoneWhichCancels)
{
    const struct {
        int fromRight;
        bool cancels;
    } cases[] = {{27, false}, {26, true}, {14, true}, {2, true}, {1, false}, {200, false}};
    for (const auto& c : cases) {
        CSkinDialog dialog;
        dialog.resize(303, 186);
        dialog.show();
        dialog.setResult(-1);
        QTest::mouseClick(&dialog, Qt::LeftButton, {}, QPoint(303 - c.fromRight, 10));
        EXPECT_EQ(dialog.result() == QDialog::Rejected, c.cancels) << c.fromRight;
        EXPECT_EQ(dialog.isVisible(), !c.cancels) << c.fromRight;
    }
}

TEST(SkinDialog, FourNestedBordersBelowTheBandAndTheTitleDrawnIntoIt)
{
    CSkinDialog dialog;
    dialog.resize(303, 186);
    const QImage untitled = dialog.grab().toImage().convertToFormat(QImage::Format_RGB32);
    dialog.setWindowTitle(QStringLiteral("请输入防伪系统操作口令"));
    const QImage titled = dialog.grab().toImage().convertToFormat(QImage::Format_RGB32);

    const QColor borders[] = {QColor(0, 24, 156), QColor(0, 48, 198), QColor(0, 52, 222), QColor(90, 130, 222)};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(QColor(titled.pixel(i, 100)), borders[i]) << i;
        EXPECT_EQ(QColor(titled.pixel(302 - i, 100)), borders[i]) << i;
        EXPECT_EQ(QColor(titled.pixel(150, 185 - i)), borders[i]) << i;
    }
    EXPECT_EQ(QColor(titled.pixel(150, 100)), QColor(Qt::white));

    int changed = 0;
    for (int y = 8; y < 24; ++y)
        for (int x = 16; x < 180; ++x)
            if (titled.pixel(x, y) != untitled.pixel(x, y))
                ++changed;
    EXPECT_GT(changed, 50) << "the title is drawn into the band";
}

} // namespace
