#include <QCoreApplication>
#include <gtest/gtest.h>

// Entry point of the headless test executables: an event loop object exists, so deferred
// calls and timers can be tested, but nothing touches a display.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
