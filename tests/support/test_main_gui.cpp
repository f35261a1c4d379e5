#include "platform/kx_application.h"

#include <gtest/gtest.h>

// Entry point of the widget tests. CTest runs them with QT_QPA_PLATFORM=offscreen; when that
// is not set (a developer running the binary by hand) the offscreen platform is chosen too,
// so no window ever appears on the desktop. The application object is the program's own, so
// events reach the widgets through the same exception guard as in the program.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    kx::TKxApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
