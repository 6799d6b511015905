// The sound tests' main: the player's thread and signals need an application object. The tests start sound servers
// of their own; SDL is held to PulseAudio, so that with no server of ours it finds none rather than another device.
#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("SDL_AUDIODRIVER", "pulseaudio");
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
