#include "app/appresources.h"

#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Test discovery runs this binary right after the build, without the test's environment.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    useProgramFont();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
