// The player tests' main: Qt SQL loads its SQLite driver only with an application object. Run as
//   fururupo_player_tests --records-child FILE COUNT NAME
// it is instead the second game of the records tests: it saves COUNT games (forever when COUNT is negative) named
// NAME-0, NAME-1 … into FILE, writing each name on a line of its own once its save is on disk. Run as
//   fururupo_player_tests --hold-lock FILE
// it is another program holding the file: it takes an exclusive lock, says "locked" on a line, and lets go when its
// standard input ends.
#include "player/records_test_support.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

int saveGames(const char* file, long count, const char* name)
{
    fururupo::RecordsStore store(QString::fromLocal8Bit(file));
    for (long i = 0; count < 0 || i < count; ++i) {
        const std::string game = std::string(name) + "-" + std::to_string(i);
        // A file held by the other game a moment too long keeps the game waiting; it is saved before the next.
        if (!store.save(fururupo::testing::sampleGame(QByteArray("list"), fururupo::SpeedLevel::Normal,
                                                      static_cast<int>(i % 500) + 1, QString::fromStdString(game))) &&
            !store.flush(30000))
            return 1;
        std::printf("%s\n", game.c_str());
        std::fflush(stdout);
    }
    return 0;
}

int holdLock(const char* file)
{
    fururupo::testing::RawFile raw(QString::fromLocal8Bit(file));
    if (!raw.exec(QStringLiteral("BEGIN EXCLUSIVE")))
        return 1;
    std::printf("locked\n");
    std::fflush(stdout);
    char buffer[64];
    while (::read(0, buffer, sizeof buffer) > 0) {
    }
    raw.exec(QStringLiteral("ROLLBACK"));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    if (argc == 5 && std::strcmp(argv[1], "--records-child") == 0)
        return saveGames(argv[2], std::strtol(argv[3], nullptr, 10), argv[4]);
    if (argc == 3 && std::strcmp(argv[1], "--hold-lock") == 0)
        return holdLock(argv[2]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
