// The player tests' main: Qt SQL loads its SQLite driver only with an application object. Run as
//   fururupo_player_tests --records-child FILE COUNT NAME
// it is instead the second game of the records tests: it saves COUNT games (forever when COUNT is negative) named
// NAME-0, NAME-1 … into FILE, writing each name on a line of its own once its save has returned true.
#include "player/records_test_support.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int saveGames(const char* file, long count, const char* name)
{
    fururupo::RecordsStore store(QString::fromLocal8Bit(file));
    for (long i = 0; count < 0 || i < count; ++i) {
        const std::string game = std::string(name) + "-" + std::to_string(i);
        if (!store.save(fururupo::testing::sampleGame(QByteArray("list"), fururupo::SpeedLevel::Normal,
                                                      static_cast<int>(i % 500) + 1, QString::fromStdString(game))))
            return 1;
        std::printf("%s\n", game.c_str());
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    if (argc == 5 && std::strcmp(argv[1], "--records-child") == 0)
        return saveGames(argv[2], std::strtol(argv[3], nullptr, 10), argv[4]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
