#include "screens/application.h"
#include "screens/text_and_placement.h"

#include <gtest/gtest.h>

// The windows run on Qt's offscreen platform unless the caller chose another, so the tests need no display.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    fururupo::Application app(argc, argv);
    fururupo::setUpRuntime(app);
    return RUN_ALL_TESTS();
}
