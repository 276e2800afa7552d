#include "nav_button.h"

#include <QApplication>
#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

void Enter(CNavButton& button)
{
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&button, &enter);
}

void Leave(CNavButton& button)
{
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
}

TEST(NavButton, MouseAndClicksMoveThroughTheStates)
{
    const struct {
        const char* name;
        CNavButton::State start;
        void (*act)(CNavButton&);
        CNavButton::State expected;
    } cases[] = {
        {"entering a normal button makes it hot", CNavButton::Normal, Enter, CNavButton::Hot},
        {"leaving a hot button makes it normal", CNavButton::Hot, Leave, CNavButton::Normal},
        {"a selected button does not turn hot", CNavButton::Selected, Enter, CNavButton::Selected},
        {"leaving a selected button keeps it selected", CNavButton::Selected, Leave, CNavButton::Selected},
        {"a click selects", CNavButton::Hot,
         [](CNavButton& b) { QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(10, 9)); }, CNavButton::Selected},
        {"a click on a selected button keeps it selected", CNavButton::Selected,
         [](CNavButton& b) { QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(10, 9)); }, CNavButton::Selected},
    };
    for (const auto& c : cases) {
        CNavButton button(QStringLiteral("首  页"));
        button.resize(75, 18);
        button.SetState(c.start);
        c.act(button);
        EXPECT_EQ(button.GetState(), c.expected) << c.name;
    }
}

TEST(NavButton, ClickIsReportedAndDisabledButtonStaysPut)
{
    CNavButton button(QStringLiteral("货品批次"));
    button.resize(75, 18);
    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(10, 9));
    EXPECT_EQ(clicks.count(), 1);

    button.SetState(CNavButton::Normal);
    button.setEnabled(false);
    Enter(button);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(10, 9));
    EXPECT_EQ(button.GetState(), CNavButton::Normal);
    EXPECT_EQ(clicks.count(), 1);
}

} // namespace
