// GoogleTest's runner inside a QApplication, so tests can build and drive real widgets.
// Without a platform chosen by the caller the tests run on the offscreen one: they need no
// display, also while CTest lists them at build time.

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
