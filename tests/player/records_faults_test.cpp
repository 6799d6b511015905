// The history file in trouble, for real: permissions, damage, a full disk, a lock held by another program, special
// files where the file should be, two games at once and a game killed while saving. Each ends in a kind the screens
// can word, and none in a hang or a lost game.
#include "player/file_aside.h"
#include "player/player_test_support.h"
#include "player/records_store.h"
#include "player/records_test_support.h"
#include "support/temp_files.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <regex>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace fururupo {
namespace {

namespace fs = std::filesystem;
using testing::RawFile;
using testing::sampleGame;
using testing::TempFolder;
using Status = RecordsStore::Status;
using Kind = RecordsProblem::Kind;
using Action = RecordsProblem::Action;

const QByteArray list("list");
const QByteArray otherList("other");

QString qPath(const fs::path& path)
{
    return QString::fromStdString(path.native());
}

std::string nameOf(Kind kind)
{
    static const char* const names[] = {"None",       "MovedAside", "CannotMoveAside", "NewerVersion", "ReadOnly",
                                        "DiskFull",   "Busy",       "SpecialFile",     "NoFolder",     "Uncreatable",
                                        "Unopenable", "Damaged",    "Impossible",      "Failed",       "NoDriver"};
    return names[static_cast<int>(kind)];
}

// A problem as one line, for comparing what a child process saw.
std::string describe(const RecordsProblem& problem)
{
    return nameOf(problem.kind) + " " + problem.path.toStdString() + " " + problem.detail.toStdString();
}

void overwrite(const fs::path& file, std::uintmax_t from, std::uintmax_t length, unsigned seed)
{
    std::mt19937 random(seed);
    std::string garbage(length, '\0');
    for (char& byte : garbage)
        byte = static_cast<char>(random());
    std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
    out.seekp(static_cast<std::streamoff>(from));
    out.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
}

void saveGames(const fs::path& file, int count)
{
    RecordsStore store(qPath(file));
    for (int i = 0; i < count; ++i)
        ASSERT_TRUE(store.save(sampleGame(list, SpeedLevel::Normal, 100 + i)));
}

std::int64_t gamesIn(const fs::path& file)
{
    return RecordsStore(qPath(file)).history(list, SpeedLevel::Normal, TypingStyle::Romaji).games;
}

// The one name in the folder that starts with records.sqlite3.broken- and is no companion, or empty.
std::string asideIn(const fs::path& folder)
{
    std::string found;
    for (const std::string& name : testing::namesIn(folder))
        if (name.rfind("records.sqlite3.broken-", 0) == 0 && name.find("-wal") == std::string::npos &&
            name.find("-shm") == std::string::npos)
            found = name;
    return found;
}

// Runs the event loop until the condition holds; the deadline is a safety net far above the time it takes.
bool processEventsUntil(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(30000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

TEST(RecordsStoreFaults, AFolderThatCannotBeWrittenKeepsNothingAndSaysSo)
{
    TempFolder temp;
    testing::openToEveryone(temp);
    const fs::path locked = temp.path() / "locked";
    fs::create_directory(locked);
    fs::permissions(locked, fs::perms(0555));
    const fs::path file = locked / "records.sqlite3";
    const std::string seen = testing::withoutPrivileges([&] {
        RecordsStore store(qPath(file));
        const bool saved = store.save(sampleGame(list, SpeedLevel::Normal, 100));
        return std::string(saved ? "saved" : "refused") +
               (store.status() == Status::Unavailable ? " unavailable " : " ") + describe(store.problem());
    });
    EXPECT_EQ(seen, "refused unavailable Uncreatable " + file.native() + " unable to open database file");
    EXPECT_FALSE(fs::exists(file));

    // A folder that cannot even be made, since a file stands where it would go (this binds for root too).
    const fs::path blocked = temp.write("blocker", "x") / "fururupo" / "records.sqlite3";
    RecordsStore store(qPath(blocked));
    EXPECT_FALSE(store.save(sampleGame(list, SpeedLevel::Normal, 100)));
    EXPECT_EQ(store.status(), Status::Unavailable);
    EXPECT_EQ(store.problem().kind, Kind::NoFolder);
    EXPECT_EQ(store.problem().path, qPath(temp.path() / "blocker" / "fururupo"));
}

TEST(RecordsStoreFaults, AReadOnlyFileStillShowsItsHistoryButSavesNothing)
{
    TempFolder temp;
    testing::openToEveryone(temp);
    const fs::path folder = temp.path() / "shared";
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::all);
    const fs::path file = folder / "records.sqlite3";
    saveGames(file, 2);
    fs::permissions(file, fs::perms(0444));
    const std::string seen = testing::withoutPrivileges([&] {
        RecordsStore store(qPath(file));
        const History history = store.history(list, SpeedLevel::Normal, TypingStyle::Romaji);
        const bool saved = store.save(sampleGame(list, SpeedLevel::Normal, 100));
        const bool forgot = store.forgetAll();
        return std::to_string(history.games) + (saved ? " saved " : " refused ") + (forgot ? "forgot " : "kept ") +
               (store.status() == Status::ReadOnly ? "read-only " : "") + describe(store.problem());
    });
    EXPECT_EQ(seen, "2 refused kept read-only ReadOnly " + file.native() + " ");
}

// Anything but a plain file where the history or its companions should be is refused before it is opened: a pipe
// there would hang the game for ever in the open, a device would feed it endless bytes.
TEST(RecordsStoreFaults, ASpecialFileAtThePathOrACompanionsIsRefusedBeforeItIsOpened)
{
    const std::vector<std::pair<std::string, std::function<void(const fs::path&)>>> specials = {
        {"", [](const fs::path& at) { ASSERT_EQ(::mkfifo(at.c_str(), 0600), 0); }},
        {"", [](const fs::path& at) { fs::create_symlink("/dev/zero", at); }},
        {"", [](const fs::path& at) { fs::create_directory(at); }},
        {"-wal", [](const fs::path& at) { ASSERT_EQ(::mkfifo(at.c_str(), 0600), 0); }},
        {"-shm", [](const fs::path& at) { fs::create_symlink("/dev/zero", at); }},
        {"-journal", [](const fs::path& at) { ASSERT_EQ(::mkfifo(at.c_str(), 0600), 0); }},
    };
    int round = 0;
    for (const auto& [suffix, make] : specials) {
        SCOPED_TRACE("round " + std::to_string(round++) + suffix);
        TempFolder temp;
        const fs::path file = temp.path() / "records.sqlite3";
        if (!suffix.empty())
            saveGames(file, 1);
        const fs::path special = temp.path() / ("records.sqlite3" + suffix);
        make(special);
        const auto names = testing::namesIn(temp.path());

        RecordsStore store(qPath(file));
        EXPECT_FALSE(store.save(sampleGame(list, SpeedLevel::Normal, 100)));
        EXPECT_EQ(store.status(), Status::Unavailable);
        EXPECT_EQ(store.problem().kind, Kind::SpecialFile);
        EXPECT_EQ(store.problem().path, qPath(special));
        EXPECT_EQ(store.history(list, SpeedLevel::Normal, TypingStyle::Romaji).games, 0);
        EXPECT_EQ(testing::namesIn(temp.path()), names);
    }
}

// Each file is kept for the player to look at, renamed; a new file takes its place and its first save works.
TEST(RecordsStoreFaults, ADamagedFileIsMovedAsideAndANewOneStarted)
{
    const std::vector<std::pair<const char*, std::function<void(const fs::path&)>>> damages = {
        {"random bytes",
         [](const fs::path& file) {
             std::ofstream(file, std::ios::binary) << std::string(8192, 'x');
             overwrite(file, 0, 8192, 1);
         }},
        {"cut to half",
         [](const fs::path& file) {
             saveGames(file, 30);
             fs::resize_file(file, fs::file_size(file) / 2);
         }},
        {"overwritten in the middle",
         [](const fs::path& file) {
             saveGames(file, 30);
             const auto size = fs::file_size(file);
             overwrite(file, size / 4, size / 2, 2);
         }},
    };
    for (const auto& [what, damage] : damages) {
        SCOPED_TRACE(what);
        TempFolder temp;
        const fs::path file = temp.path() / "records.sqlite3";
        damage(file);
        const std::string damaged = testing::bytesOf(file);

        RecordsStore store(qPath(file));
        // Opening sees a file that is no database at once; the rest is found by a read or by the check of the whole
        // file, whose finding the next call acts on.
        store.best(otherList, SpeedLevel::Normal, TypingStyle::Romaji);
        store.waitForCheck();
        EXPECT_EQ(store.history(list, SpeedLevel::Normal, TypingStyle::Romaji).games, 0);
        EXPECT_EQ(store.status(), Status::Ready);
        const std::string aside = asideIn(temp.path());
        EXPECT_TRUE(std::regex_match(aside, std::regex(R"(records\.sqlite3\.broken-\d{8}-\d{6})"))) << aside;
        EXPECT_EQ(testing::bytesOf(temp.path() / aside), damaged);
        EXPECT_EQ(store.problem().kind, Kind::MovedAside);
        EXPECT_EQ(store.problem().aside, qPath(temp.path() / aside));
        EXPECT_EQ(store.problem().path, qPath(file));
        EXPECT_TRUE(store.save(sampleGame(list, SpeedLevel::Normal, 100)));
        EXPECT_EQ(gamesIn(file), 1);
    }
}

// The whole file is read only in the background, after the first save: damage where no save looks (here a table of
// another program's) is found there, and the next call moves the file aside.
TEST(RecordsStoreFaults, TheBackgroundCheckFindsDamageNoSaveMeetsAndTheNextCallMovesTheFileAside)
{
    TempFolder temp;
    const fs::path file = temp.path() / "records.sqlite3";
    saveGames(file, 3);
    qlonglong page = 0;
    {
        RawFile raw(qPath(file));
        ASSERT_TRUE(raw.exec("CREATE TABLE other_program (x)"));
        for (int i = 0; i < 20; ++i)
            ASSERT_TRUE(raw.exec("INSERT INTO other_program VALUES (?)", {QString(50, u'x')}));
        page = raw.count("SELECT rootpage FROM sqlite_schema WHERE name = 'other_program'");
        ASSERT_TRUE(raw.exec("PRAGMA wal_checkpoint(TRUNCATE)"));
    }
    overwrite(file, static_cast<std::uintmax_t>(page - 1) * 4096 + 100, 3000, 4);

    RecordsStore store(qPath(file));
    EXPECT_TRUE(store.save(sampleGame(list, SpeedLevel::Normal, 90)));
    EXPECT_EQ(store.problem(), RecordsProblem{});
    ASSERT_TRUE(store.waitForCheck());
    EXPECT_EQ(store.history(list, SpeedLevel::Normal, TypingStyle::Romaji).games, 0);
    EXPECT_EQ(store.problem().kind, Kind::MovedAside);
    EXPECT_EQ(store.problem().action, Action::Reading);
    EXPECT_NE(asideIn(temp.path()), "");
    EXPECT_TRUE(store.save(sampleGame(list, SpeedLevel::Normal, 80)));
    EXPECT_EQ(gamesIn(file), 1);
    // Once a run: the new file is not checked again.
    EXPECT_FALSE(RecordsStore(QString()).waitForCheck());
}

TEST(RecordsStoreFaults, AMovedFileTakesANumberedNameWhenItsNameIsTakenAndItsLogGoesWithIt)
{
    TempFolder temp;
    const fs::path file = temp.path() / "records.sqlite3";
    temp.write("records.sqlite3", "not a database at all, only some words long enough to fill a header");
    temp.write("records.sqlite3-wal", "a log of nothing");
    // Earlier damaged files, one for each second the move could happen in.
    const QDateTime now = QDateTime::currentDateTime();
    for (int second = -1; second <= 5; ++second)
        temp.write("records.sqlite3.broken-" + now.addSecs(second).toString("yyyyMMdd-HHmmss").toStdString(), "old");

    RecordsStore store(qPath(file));
    ASSERT_TRUE(store.save(sampleGame(list, SpeedLevel::Normal, 100)));
    std::string numbered;
    for (const std::string& name : testing::namesIn(temp.path()))
        if (std::regex_match(name, std::regex(R"(records\.sqlite3\.broken-\d{8}-\d{6}-2)")))
            numbered = name;
    ASSERT_NE(numbered, "");
    EXPECT_EQ(testing::bytesOf(temp.path() / numbered).substr(0, 7), "not a d");
    EXPECT_EQ(testing::bytesOf(temp.path() / (numbered + "-wal")), "a log of nothing");
    EXPECT_EQ(store.problem().aside, qPath(temp.path() / numbered));
}

// The check on opening cannot see what happens to the file later; a statement that meets the damage must move it
// aside too, and the game being saved goes into the new file.
TEST(RecordsStoreFaults, DamageMetWhileSavingMovesTheFileAsideAndKeepsTheGame)
{
    TempFolder temp;
    const fs::path file = temp.path() / "records.sqlite3";
    saveGames(file, 3);
    RecordsStore store(qPath(file));
    ASSERT_TRUE(store.forgetList(otherList)); // opens the file
    store.waitForCheck();
    ASSERT_EQ(store.problem(), RecordsProblem{});
    {
        // Another game's save makes the store read the file again rather than trust what it holds in memory.
        RawFile raw(qPath(file));
        ASSERT_TRUE(raw.exec("CREATE TABLE other_game (x)"));
        overwrite(
            file,
            static_cast<std::uintmax_t>(raw.count("SELECT rootpage FROM sqlite_schema WHERE name = 'games'") - 1) *
                4096,
            4096, 3);
    }

    EXPECT_TRUE(store.save(sampleGame(list, SpeedLevel::Normal, 100)));
    EXPECT_NE(asideIn(temp.path()), "");
    EXPECT_EQ(store.problem().kind, Kind::MovedAside);
    EXPECT_EQ(store.problem().action, Action::Saving);
    EXPECT_EQ(store.problem().aside, qPath(temp.path() / asideIn(temp.path())));
    EXPECT_EQ(store.history(list, SpeedLevel::Normal, TypingStyle::Romaji).games, 1);
}

TEST(RecordsStoreFaults, AFullDiskFailsTheSaveKeepsEveryEarlierGameAndPassesOnceThereIsRoom)
{
    TempFolder temp;
    const QString file = qPath(temp.path() / "records.sqlite3");
    RecordsStore store(file);
    ASSERT_TRUE(store.save(sampleGame(list, SpeedLevel::Normal, 100)));
    store.setPageLimit(static_cast<int>(RawFile(file).count("PRAGMA page_count")));
    int saved = 1;
    bool refused = false;
    for (int i = 0; i < 50 && !refused; ++i) {
        if (store.save(sampleGame(list, SpeedLevel::Normal, 101 + i)))
            ++saved;
        else
            refused = true;
    }
    ASSERT_TRUE(refused);
    EXPECT_EQ(store.problem(), (RecordsProblem{Kind::DiskFull, Action::Saving, file, QString(),
                                               QStringLiteral("database or disk is full")}));
    EXPECT_EQ(store.pendingGames(), 0u);
    EXPECT_EQ(RawFile(file).value("PRAGMA integrity_check").toString(), "ok");
    EXPECT_EQ(store.history(list, SpeedLevel::Normal, TypingStyle::Romaji).games, saved);

    store.setPageLimit(0);
    EXPECT_TRUE(store.save(sampleGame(list, SpeedLevel::Normal, 99)));
    EXPECT_EQ(store.problem(), RecordsProblem{});
    EXPECT_EQ(store.history(list, SpeedLevel::Normal, TypingStyle::Romaji).games, saved + 1);
}

// Another program holding the file never freezes the game: the save gives up after a short wait, keeps the game in
// memory and says Busy at once; the game is saved by the next call, by the store's timer, or by flush() at the end of
// the run, whichever comes first after the file is free, and reading goes on meanwhile.
TEST(RecordsStoreFaults, AGameTheFileIsHeldForIsKeptAndSavedOnceTheFileIsFree)
{
    TempFolder temp;
    const fs::path file = temp.path() / "records.sqlite3";
    RecordsStore store(qPath(file));
    store.setRetryInterval(10);
    ASSERT_TRUE(store.save(sampleGame(list, SpeedLevel::Normal, 100)));
    {
        testing::LockHolder other(file);
        ASSERT_TRUE(other.locked);
        EXPECT_FALSE(store.save(sampleGame(list, SpeedLevel::Normal, 101)));
        EXPECT_EQ(store.problem(), (RecordsProblem{Kind::Busy, Action::Saving, qPath(file), QString(),
                                                   QStringLiteral("database is locked")}));
        EXPECT_FALSE(store.save(sampleGame(list, SpeedLevel::Normal, 102)));
        EXPECT_EQ(store.pendingGames(), 2u);
        EXPECT_EQ(store.history(list, SpeedLevel::Normal, TypingStyle::Romaji).games, 1); // reading goes on meanwhile
        EXPECT_EQ(store.problem().kind, Kind::Busy);                                      // and the games still wait
    }
    // The next call.
    EXPECT_EQ(store.history(list, SpeedLevel::Normal, TypingStyle::Romaji).games, 3);
    EXPECT_EQ(store.pendingGames(), 0u);
    EXPECT_EQ(store.problem(), RecordsProblem{});

    // The store's timer.
    {
        testing::LockHolder other(file);
        ASSERT_TRUE(other.locked);
        EXPECT_FALSE(store.save(sampleGame(list, SpeedLevel::Normal, 103)));
    }
    EXPECT_TRUE(processEventsUntil([&] { return store.pendingGames() == 0; }));
    EXPECT_EQ(store.problem(), RecordsProblem{});

    // flush() at the end of the run: bounded while the file is held, done once it is free.
    std::optional<testing::LockHolder> other(file);
    ASSERT_TRUE(other->locked);
    store.setRetryInterval(3600'000);
    EXPECT_FALSE(store.save(sampleGame(list, SpeedLevel::Normal, 104)));
    EXPECT_FALSE(store.flush(0));
    other.reset();
    EXPECT_TRUE(store.flush(30000));
    EXPECT_EQ(RawFile(qPath(file)).count("SELECT COUNT(*) FROM games"), 5);
}

// Forgetting while the file is held does nothing and says so; a list forgotten takes its waiting games with it.
TEST(RecordsStoreFaults, ForgettingAHeldFileIsRefusedAndForgettingAListDropsItsWaitingGames)
{
    TempFolder temp;
    const fs::path file = temp.path() / "records.sqlite3";
    RecordsStore store(qPath(file));
    store.setRetryInterval(3600'000);
    ASSERT_TRUE(store.save(sampleGame(list, SpeedLevel::Normal, 100)));
    {
        testing::LockHolder other(file);
        ASSERT_TRUE(other.locked);
        EXPECT_FALSE(store.forgetAll());
        EXPECT_EQ(store.problem().kind, Kind::Busy);
        EXPECT_EQ(store.problem().action, Action::Forgetting);
        EXPECT_FALSE(store.save(sampleGame(list, SpeedLevel::Normal, 101)));
        EXPECT_FALSE(store.save(sampleGame(otherList, SpeedLevel::Normal, 102)));
    }
    EXPECT_TRUE(store.forgetList(list));
    EXPECT_EQ(store.pendingGames(), 0u);
    EXPECT_EQ(RawFile(qPath(file)).count("SELECT COUNT(*) FROM games"), 1);
    EXPECT_EQ(store.best(otherList, SpeedLevel::Normal, TypingStyle::Romaji), 102);
}

TEST(RecordsStoreConcurrency, TwoGamesSavingIntoOneFileAtOnceKeepEveryGame)
{
    TempFolder temp;
    const fs::path file = temp.path() / "records.sqlite3";
    {
        RecordsStore first(qPath(file));
        RecordsStore second(qPath(file));
        for (int i = 0; i < 10; ++i) {
            ASSERT_TRUE(first.save(sampleGame(list, SpeedLevel::Normal, 100 + i)));
            ASSERT_TRUE(second.save(sampleGame(list, SpeedLevel::Normal, 200 + i)));
        }
        EXPECT_EQ(first.history(list, SpeedLevel::Normal, TypingStyle::Romaji).games, 20);
    }
    testing::ChildProcess other({"--records-child", file.native(), "50", "child"});
    {
        RecordsStore store(qPath(file));
        // A save the other game holds the file too long for waits, and is saved before the next.
        for (int i = 0; i < 50; ++i)
            EXPECT_TRUE(store.save(sampleGame(list, SpeedLevel::Normal, 300 + i)) || store.flush(30000));
    }
    int status = 0;
    EXPECT_EQ(other.finish(status).size(), 50u);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(RawFile(qPath(file)).count("SELECT COUNT(*) FROM games"), 120);
    EXPECT_EQ(gamesIn(file), 120);
}

// SIGKILL at random moments of a game saving in a loop, each after it has reported at least one save (however slow
// the machine): the file stays whole and every save that was reported is in it.
TEST(RecordsStoreCrash, AKilledGameLosesNoSavedGameAndLeavesTheFileWhole)
{
    TempFolder temp;
    const fs::path file = temp.path() / "records.sqlite3";
    std::mt19937 random(20260101);
    std::vector<std::string> reported;
    for (int round = 0; round < 6; ++round) {
        testing::ChildProcess child({"--records-child", file.native(), "-1", "round" + std::to_string(round)});
        const auto further = random() % 8;
        for (unsigned saves = 0; saves <= further; ++saves) {
            const auto name = child.readLine();
            ASSERT_TRUE(name.has_value()) << "round " << round;
            reported.push_back(*name);
        }
        child.kill();
        int status = 0;
        const std::vector<std::string> names = child.finish(status);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "round " << round;
        reported.insert(reported.end(), names.begin(), names.end());
    }
    ASSERT_GE(reported.size(), 6u);
    RawFile raw(qPath(file));
    EXPECT_EQ(raw.value("PRAGMA integrity_check").toString(), "ok");
    for (const std::string& name : reported) {
        EXPECT_EQ(
            raw.count(
                QStringLiteral("SELECT COUNT(*) FROM games WHERE list_name = '%1'").arg(QString::fromStdString(name))),
            1)
            << name;
    }
    EXPECT_GE(raw.count("SELECT COUNT(*) FROM games"), static_cast<qlonglong>(reported.size()));
    // Every finished game is on the chart, whatever moment the kill came at.
    EXPECT_EQ(raw.count("SELECT SUM(games) FROM chart_buckets"), raw.count("SELECT COUNT(*) FROM games"));
}

TEST(FileAside, MovesTheFileAndItsCompanionsToAFreeNameAndNeverReplacesOne)
{
    TempFolder temp;
    const QDateTime at(QDate(2026, 3, 4), QTime(5, 6, 7));
    const fs::path file = temp.write("records.sqlite3", "damaged");
    temp.write("records.sqlite3-wal", "log");
    temp.write("records.sqlite3-journal", "journal");
    // The first name is taken by an earlier file, the second by an earlier file's log alone.
    temp.write("records.sqlite3.broken-20260304-050607", "earlier");
    temp.write("records.sqlite3.broken-20260304-050607-2-wal", "earlier log");

    const MovedAside moved = moveAside(qPath(file), at);
    ASSERT_TRUE(moved.moved()) << moved.error.toStdString();
    EXPECT_EQ(moved.aside, qPath(temp.path() / "records.sqlite3.broken-20260304-050607-3"));
    EXPECT_EQ(testing::namesIn(temp.path()),
              (std::vector<std::string>{
                  "records.sqlite3.broken-20260304-050607", "records.sqlite3.broken-20260304-050607-2-wal",
                  "records.sqlite3.broken-20260304-050607-3", "records.sqlite3.broken-20260304-050607-3-journal",
                  "records.sqlite3.broken-20260304-050607-3-wal"}));
    EXPECT_EQ(testing::bytesOf(temp.path() / "records.sqlite3.broken-20260304-050607"), "earlier");
    EXPECT_EQ(testing::bytesOf(temp.path() / "records.sqlite3.broken-20260304-050607-3-wal"), "log");

    const MovedAside missing = moveAside(qPath(temp.path() / "gone"), at);
    EXPECT_FALSE(missing.moved());
    EXPECT_FALSE(missing.error.isEmpty());
}

} // namespace
} // namespace fururupo
