#include "app/main_window.h"

#include <gtest/gtest.h>

namespace {

TEST(MainWindowTest, TitleNamesTheProgramAndTheMissingConnection) {
    kx::TMainWindow window;
    EXPECT_EQ(window.windowTitle().toStdString(), "Kx - Querolt - [No DB Connection]");
}

} // namespace
