#include "screens/application.h"
#include "screens/text_and_placement.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

// The windows run on Qt's offscreen platform unless the caller chose another, so the tests need no display. The
// player's config and data folders are the run's own, so a test never reads or writes the real ones.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    // No sound reaches the desktop's server from a test: each game opens its sound on a server that is not there,
    // unless a test starts one of its own and points the sound at it.
    qputenv("PULSE_SERVER", QFile::encodeName(home.filePath(QStringLiteral("no-sound-server"))));
    ::testing::InitGoogleTest(&argc, argv);
    fururupo::Application app(argc, argv);
    fururupo::setUpRuntime(app);
    return RUN_ALL_TESTS();
}
