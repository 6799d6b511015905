#include "platform/program_folder.h"
#include "player/list_choice.h"
#include "player/list_identity.h"

#include "player/player_test_support.h"
#include "support/temp_files.h"
#include "support/word_lines.h"

#include <QSettings>
#include <QString>
#include <QVariant>

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <regex>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace fururupo {
namespace {

namespace fs = std::filesystem;
using testing::ScopedVariable;
using testing::TempFolder;
using testing::utf8;
using Origin = ListFile::Origin;

QString qPath(const fs::path& path)
{
    return QString::fromStdString(path.native());
}

// A program folder with its MSG.txt, a search folder with two lists, and a settings file whose folder does not exist
// yet, all under one temporary folder.
struct Player
{
    Player()
    {
        testing::openToEveryone(temp);
        fs::create_directories(program);
        fs::create_directories(search);
        temp.write("program/MSG.txt", "あ\r\n");
        temp.write("search/animals.txt", "いぬ\r\n");
        temp.write("search/fruit.tsv", "りんご\r\n");
    }

    ListFolders folders() const { return {program, {search}}; }

    TempFolder temp;
    fs::path program = temp.path() / "program";
    fs::path search = temp.path() / "search";
    fs::path settings = temp.path() / "config" / "fururupo" / "fururupo.conf";
};

// One run of the game: its settings read from the file, and the choice restored from them.
struct GameRun
{
    explicit GameRun(const Player& player) : GameRun(player.folders(), player.settings) {}
    GameRun(ListFolders folders, const fs::path& settingsFile)
        : settings(qPath(settingsFile)), choice(std::move(folders), settings)
    {
    }
    Settings settings;
    ListChoice choice;
};

using Kind = ListProblem::Kind;

void writeRemembered(const fs::path& settings, const QVariant& value)
{
    QSettings file(qPath(settings), QSettings::IniFormat);
    file.setValue(QStringLiteral("list/path"), value);
    file.sync();
    ASSERT_EQ(file.status(), QSettings::NoError);
}

TEST(ListChoice, StartsWithTheBundledListAndTheListsFound)
{
    const Player player;
    const GameRun run(player);

    EXPECT_TRUE(run.choice.chosenIsBundledDefault());
    EXPECT_EQ(run.choice.chosen().path, player.program / "MSG.txt");
    EXPECT_EQ(run.choice.chosen().name, u"MSG");
    EXPECT_EQ(run.choice.lists().size(), 3u);
    EXPECT_EQ(run.choice.problem().kind, Kind::None);
    EXPECT_FALSE(fs::exists(player.settings.parent_path())) << "nothing is written before the player chooses";

    // Choosing the default on a fresh start has nothing to forget, so it writes nothing either.
    GameRun again(player);
    again.choice.chooseDefault();
    EXPECT_TRUE(again.choice.chosenIsBundledDefault());
    EXPECT_FALSE(fs::exists(player.settings.parent_path()));
}

TEST(ListChoice, RemembersTheChoiceForTheNextRun)
{
    const Player player;
    const fs::path elsewhere = player.temp.write("picked \xff.txt", "ねこ\r\n");
    {
        GameRun run(player);
        EXPECT_TRUE(run.choice.choose(player.search / "fruit.tsv"));
        EXPECT_FALSE(run.choice.chosenIsBundledDefault());
        EXPECT_EQ(run.choice.chosen().origin, Origin::Found);
    }
    {
        GameRun run(player);
        EXPECT_EQ(run.choice.chosen().path, player.search / "fruit.tsv");
        EXPECT_EQ(run.choice.chosen().origin, Origin::Found);
        EXPECT_EQ(run.choice.problem().kind, Kind::None);
        // A file from outside the folders joins the lists, and its name's bytes survive the settings file.
        EXPECT_TRUE(run.choice.choose(elsewhere));
        EXPECT_EQ(run.choice.lists().size(), 4u);
        EXPECT_EQ(run.choice.lists().back().path, elsewhere);
        EXPECT_EQ(run.choice.lists().back().origin, Origin::Picked);
    }
    {
        GameRun run(player);
        EXPECT_EQ(run.choice.chosen().path.native(), elsewhere.native());
        EXPECT_EQ(run.choice.chosen().origin, Origin::Picked);
        EXPECT_EQ(run.choice.chosen().name, u"picked \uFFFD");
        EXPECT_EQ(run.choice.lists().back().path, elsewhere);
        run.choice.chooseDefault();
        EXPECT_TRUE(run.choice.chosenIsBundledDefault());
    }
    {
        const GameRun run(player);
        EXPECT_TRUE(run.choice.chosenIsBundledDefault());
        EXPECT_FALSE(QSettings(qPath(player.settings), QSettings::IniFormat).contains(QStringLiteral("list/path")));
    }
}

TEST(ListChoice, AFileAlreadyListedIsChosenAsItsEntryWhateverItsSpelling)
{
    const Player player;
    fs::create_symlink(player.search, player.temp.path() / "alias");
    GameRun run(player);

    EXPECT_TRUE(run.choice.choose(player.temp.path() / "alias" / "animals.txt"));
    EXPECT_EQ(run.choice.chosen().path, player.search / "animals.txt");
    EXPECT_EQ(run.choice.chosen().origin, Origin::Found);
    EXPECT_EQ(run.choice.lists().size(), 3u);

    // Picking the bundled list by its path is choosing the default, which is remembered by forgetting.
    EXPECT_TRUE(run.choice.choose(player.program / "MSG.txt"));
    EXPECT_TRUE(run.choice.chosenIsBundledDefault());
    EXPECT_FALSE(QSettings(qPath(player.settings), QSettings::IniFormat).contains(QStringLiteral("list/path")));
}

TEST(ListChoice, ARememberedListThatIsGoneGivesWayToTheBundledOne)
{
    const Player player;
    GameRun(player).choice.choose(player.search / "animals.txt");
    const std::string saved = testing::bytesOf(player.settings);
    fs::remove(player.search / "animals.txt");

    const GameRun run(player);

    EXPECT_TRUE(run.choice.chosenIsBundledDefault());
    EXPECT_EQ(run.choice.problem().kind, Kind::RememberedGone);
    EXPECT_EQ(run.choice.problem().path, player.search / "animals.txt");
    // The choice stays remembered, in case the file comes back (a removable drive, say).
    EXPECT_EQ(testing::bytesOf(player.settings), saved);
}

TEST(ListChoice, ARememberedListThatCannotBeReadGivesWayToTheBundledOne)
{
    const Player player;
    const fs::path locked = player.search / "animals.txt";
    const fs::path folder = player.search / "fruit.tsv";
    GameRun(player).choice.choose(locked);
    fs::permissions(locked, fs::perms::none);

    const std::string seen = testing::withoutPrivileges([&] {
        const GameRun run(player);
        const ListProblem& problem = run.choice.problem();
        return std::string(run.choice.chosenIsBundledDefault() ? "bundled " : "other ") +
               (problem.kind == Kind::RememberedUnusable ? "unusable " : "? ") + problem.path.native();
    });
    EXPECT_EQ(seen, "bundled unusable " + locked.native());

    GameRun(player).choice.choose(folder);
    fs::remove(folder);
    fs::create_directory(folder);
    const GameRun run(player);
    EXPECT_TRUE(run.choice.chosenIsBundledDefault());
    EXPECT_EQ(run.choice.problem().kind, Kind::RememberedUnusable);
    EXPECT_EQ(run.choice.problem().path, folder);
}

// The settings file can be edited by anyone; a value this program would never have written must not become the list.
TEST(ListChoice, RememberedValuesItWouldNeverHaveWrittenAreIgnored)
{
    const Player player;
    const std::string real = (player.search / "animals.txt").native();
    const std::string relative = fs::relative(player.search / "animals.txt", fs::current_path()).native();
    ASSERT_TRUE(fs::exists(relative));
    const std::vector<QVariant> values = {
        QVariant(QString::fromStdString(real)),
        QVariant(42),
        QVariant(QByteArray()),
        QVariant(QByteArray::fromStdString(relative)),
        QVariant(QByteArray::fromStdString("/" + std::string(5000, 'a'))),
        QVariant(QByteArray::fromStdString(real + std::string(1, '\0') + "more")),
    };
    for (const QVariant& value : values) {
        writeRemembered(player.settings, value);
        const GameRun run(player);
        EXPECT_TRUE(run.choice.chosenIsBundledDefault()) << value.toString().left(80).toStdString();
        EXPECT_EQ(run.choice.problem().kind, Kind::None) << value.toString().left(80).toStdString();
    }
}

// Problems with the settings file never stop a choice: it holds for this run, and the settings say why it was not kept.
TEST(ListChoice, AChoiceThatCannotBeRememberedStillHoldsForThisRun)
{
    const Player player;
    // A file where the settings folder should be, and a folder where the settings file should be: neither can be
    // written, not even by root.
    const fs::path blocker = player.temp.write("blocker", "mine\n");
    fs::create_directories(player.temp.path() / "taken.conf");
    const std::vector<fs::path> settingsFiles = {blocker / "fururupo" / "fururupo.conf", blocker / "fururupo.conf",
                                                 player.temp.path() / "taken.conf"};

    for (const fs::path& settings : settingsFiles) {
        GameRun run(player.folders(), settings);

        EXPECT_TRUE(run.choice.choose(player.search / "fruit.tsv"));

        EXPECT_EQ(run.choice.chosen().path, player.search / "fruit.tsv");
        EXPECT_EQ(run.choice.problem().kind, Kind::None);
        EXPECT_EQ(run.settings.problem().kind, SettingsProblem::Kind::NotKept) << settings;
        EXPECT_EQ(run.settings.problem().path, qPath(settings));
        EXPECT_EQ(testing::bytesOf(blocker), "mine\n");
        EXPECT_TRUE(testing::namesIn(player.temp.path() / "taken.conf").empty());
    }
}

TEST(ListChoice, AnEmptySettingsPathRemembersNothingAndWritesNothing)
{
    const Player player;
    const fs::path home = player.temp.path() / "home";
    fs::create_directories(home / "config");
    const ScopedVariable homeVariable("HOME", home.native());
    const ScopedVariable configHome("XDG_CONFIG_HOME", (home / "config").native());
    const ScopedVariable dataHome("XDG_DATA_HOME", (home / "data").native());
    const std::vector<std::string> workingFolder = testing::namesIn(fs::current_path());

    GameRun run(player.folders(), fs::path());
    EXPECT_TRUE(run.choice.choose(player.search / "fruit.tsv"));
    EXPECT_EQ(run.settings.problem().kind, SettingsProblem::Kind::None);
    EXPECT_EQ(GameRun(player.folders(), fs::path()).choice.chosenIsBundledDefault(), true);
    run.choice.chooseDefault();

    EXPECT_EQ(run.settings.problem().kind, SettingsProblem::Kind::None);
    EXPECT_EQ(testing::namesIn(player.temp.path()), (std::vector<std::string>{"home", "program", "search"}));
    EXPECT_EQ(testing::namesIn(home), std::vector<std::string>{"config"});
    EXPECT_TRUE(testing::namesIn(home / "config").empty());
    EXPECT_EQ(testing::namesIn(fs::current_path()), workingFolder);
}

TEST(ListChoice, AListThatCannotBeChosenLeavesTheChoiceAndSaysWhy)
{
    const Player player;
    GameRun run(player);
    ASSERT_TRUE(run.choice.choose(player.search / "animals.txt"));
    const std::string saved = testing::bytesOf(player.settings);

    EXPECT_FALSE(run.choice.choose(player.search));
    EXPECT_EQ(run.choice.chosen().path, player.search / "animals.txt");
    EXPECT_EQ(run.choice.problem().kind, Kind::Folder);
    EXPECT_EQ(run.choice.problem().path, player.search);
    EXPECT_EQ(run.choice.lists().size(), 3u);
    EXPECT_EQ(testing::bytesOf(player.settings), saved);

    run.choice.clearProblem();
    EXPECT_EQ(run.choice.problem().kind, Kind::None);
}

TEST(ListChoice, RefreshFindsNewListsAndLetsAVanishedChoiceGo)
{
    const Player player;
    const fs::path picked = player.temp.write("picked.txt", "ねこ\r\n");
    GameRun run(player);
    ASSERT_TRUE(run.choice.choose(picked));
    player.temp.write("search/birds.txt", "とり\r\n");

    run.choice.refresh();
    EXPECT_EQ(run.choice.lists().size(), 5u);
    EXPECT_EQ(run.choice.lists()[1].path, player.search / "animals.txt");
    EXPECT_EQ(run.choice.lists()[2].path, player.search / "birds.txt");
    EXPECT_EQ(run.choice.lists().back().path, picked);
    EXPECT_EQ(run.choice.chosen().path, picked);

    fs::remove(picked);
    run.choice.refresh();
    EXPECT_TRUE(run.choice.chosenIsBundledDefault());
    EXPECT_EQ(run.choice.lists().size(), 4u);
    EXPECT_EQ(run.choice.problem().kind, Kind::ChosenGone);
    EXPECT_EQ(run.choice.problem().path, picked);
}

// A list picked from elsewhere goes by its name and is told apart like a found one. A list whose file has gone is let
// go on a stat alone (the title screen asks each time it shows): the name it shared is plain again, a chosen one gives
// way to the bundled list, and so does one a pipe has replaced, which is never opened. The bundled entry always stays.
TEST(ListChoice, PickedListsAreToldApartAndVanishedOnesAreLetGo)
{
    const Player player;
    fs::create_directories(player.temp.path() / "elsewhere");
    const fs::path picked = player.temp.write("elsewhere/fruit.txt", "ねこ\r\n");
    GameRun run(player);
    EXPECT_FALSE(run.choice.dropVanished());
    ASSERT_TRUE(run.choice.choose(picked));
    EXPECT_EQ(run.choice.chosen().name, u"fruit");
    EXPECT_EQ(run.choice.chosen().folderHint, displayPath(picked.parent_path()));
    ASSERT_EQ(run.choice.lists().size(), 4u);
    EXPECT_EQ(run.choice.lists()[2].folderHint, displayPath(player.search));

    fs::remove(player.search / "fruit.tsv");
    EXPECT_TRUE(run.choice.dropVanished());
    EXPECT_EQ(run.choice.lists().size(), 3u);
    EXPECT_EQ(run.choice.chosen().path, picked);
    EXPECT_EQ(run.choice.chosen().folderHint, u"");
    EXPECT_EQ(run.choice.lists().back().folderHint, u"");
    EXPECT_EQ(run.choice.problem().kind, Kind::None);

    fs::remove(picked);
    EXPECT_TRUE(run.choice.dropVanished());
    EXPECT_TRUE(run.choice.chosenIsBundledDefault());
    EXPECT_EQ(run.choice.problem().kind, Kind::ChosenGone);
    EXPECT_EQ(run.choice.problem().path, picked);
    EXPECT_EQ(run.choice.lists().size(), 2u);

    const fs::path animals = player.search / "animals.txt";
    ASSERT_TRUE(run.choice.choose(animals));
    fs::remove(animals);
    ASSERT_EQ(::mkfifo(animals.c_str(), 0644), 0);
    EXPECT_TRUE(run.choice.dropVanished());
    EXPECT_TRUE(run.choice.chosenIsBundledDefault());
    EXPECT_EQ(run.choice.problem().kind, Kind::ChosenUnusable);
    EXPECT_EQ(run.choice.problem().path, animals);

    fs::remove(player.program / "MSG.txt");
    EXPECT_FALSE(run.choice.dropVanished());
    ASSERT_EQ(run.choice.lists().size(), 1u);
    EXPECT_EQ(run.choice.lists().front().path, player.program / "MSG.txt");
}

TEST(ListChoiceWhyNotAList, TellsWhatIsWrongWithTheFileWithoutBlocking)
{
    const TempFolder temp;
    testing::openToEveryone(temp);
    const fs::path good = temp.write("good.txt", "あ\r\n");
    const fs::path pipe = temp.path() / "pipe.txt";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    const fs::path limit = temp.write("limit.txt", "");
    fs::resize_file(limit, 16 * 1024 * 1024);
    const fs::path over = temp.write("over.txt", "");
    fs::resize_file(over, 16 * 1024 * 1024 + 1);
    // Sparse: 4 GiB of nothing, which must be judged by its size without a byte read.
    const fs::path huge = temp.write("huge \xff.txt", "");
    fs::resize_file(huge, std::uintmax_t{4} << 30);

    EXPECT_EQ(ListChoice::whyNotAList(good), Kind::None);
    EXPECT_EQ(ListChoice::whyNotAList(limit), Kind::None);
    EXPECT_EQ(ListChoice::whyNotAList(temp.path()), Kind::Folder);
    EXPECT_EQ(ListChoice::whyNotAList(temp.path() / "missing.txt"), Kind::NotFound);
    EXPECT_EQ(ListChoice::whyNotAList(good / "below.txt"), Kind::NotFound);
    EXPECT_EQ(ListChoice::whyNotAList(pipe), Kind::NotRegular);
    EXPECT_EQ(ListChoice::whyNotAList(over), Kind::TooLarge);
    EXPECT_EQ(ListChoice::whyNotAList(huge), Kind::TooLarge);

    fs::permissions(good, fs::perms::none);
    EXPECT_EQ(testing::withoutPrivileges([&] {
                  return ListChoice::whyNotAList(good) == Kind::CannotOpen ? std::string("cannot open")
                                                                           : std::string("other");
              }),
              "cannot open");
}

// The history knows a list by its content: an edited list is a new list, and whatever stands at the path, the look
// never blocks and never reads past what a list may hold.
TEST(ListIdentity, IsTheHexSha256OfTheBytesAndEmptyForWhatCannotBeAList)
{
    const TempFolder temp;
    EXPECT_EQ(listIdentityOf(temp.write("abc.txt", "abc")),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(listIdentityOf(temp.write("empty.txt", "")),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    std::string big(200'000, 'a');
    const QByteArray whole = listIdentityOf(temp.write("big.txt", big));
    ListIdentity streamed;
    streamed.add(std::string_view(big).substr(0, 70'000));
    streamed.add(std::string_view(big).substr(70'000));
    EXPECT_EQ(streamed.result(), whole);
    big[150'000] = 'b';
    EXPECT_NE(listIdentityOf(temp.write("big.txt", big)), whole);

    const fs::path pipe = temp.path() / "pipe.txt";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    const fs::path over = temp.write("over.txt", "");
    fs::resize_file(over, 16 * 1024 * 1024 + 1);
    for (const fs::path& none : {temp.path() / "missing.txt", temp.path(), pipe, over})
        EXPECT_EQ(listIdentityOf(none), QByteArray()) << none;
}

} // namespace
} // namespace fururupo
