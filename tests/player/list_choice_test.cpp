#include "player/list_choice.h"

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
    ListChoice start() const { return ListChoice(folders(), qPath(settings)); }

    TempFolder temp;
    fs::path program = temp.path() / "program";
    fs::path search = temp.path() / "search";
    fs::path settings = temp.path() / "config" / "fururupo" / "fururupo.conf";
};

void writeRemembered(const fs::path& settings, const QVariant& value)
{
    QSettings file(qPath(settings), QSettings::IniFormat);
    file.setValue(QStringLiteral("list/path"), value);
    file.sync();
    ASSERT_EQ(file.status(), QSettings::NoError);
}

std::vector<std::string> brokenCopiesIn(const fs::path& folder)
{
    static const std::regex aside(R"(fururupo\.conf\.broken-\d{8}-\d{6}(-\d+)?)");
    std::vector<std::string> names;
    for (const std::string& name : testing::namesIn(folder))
        if (std::regex_match(name, aside))
            names.push_back(name);
    return names;
}

TEST(ListChoice, StartsWithTheBundledListAndTheListsFound)
{
    const Player player;
    const ListChoice choice = player.start();

    EXPECT_TRUE(choice.chosenIsBundledDefault());
    EXPECT_EQ(choice.chosen().path, player.program / "MSG.txt");
    EXPECT_EQ(choice.chosen().name, u"MSG");
    EXPECT_EQ(choice.lists().size(), 3u);
    EXPECT_EQ(utf8(choice.notice()), "");
    EXPECT_FALSE(fs::exists(player.settings.parent_path())) << "nothing is written before the player chooses";

    // Choosing the default on a fresh start has nothing to forget, so it writes nothing either.
    ListChoice again = player.start();
    again.chooseDefault();
    EXPECT_TRUE(again.chosenIsBundledDefault());
    EXPECT_FALSE(fs::exists(player.settings.parent_path()));
}

TEST(ListChoice, RemembersTheChoiceForTheNextRun)
{
    const Player player;
    const fs::path elsewhere = player.temp.write("picked \xff.txt", "ねこ\r\n");
    {
        ListChoice choice = player.start();
        EXPECT_TRUE(choice.choose(player.search / "fruit.tsv"));
        EXPECT_FALSE(choice.chosenIsBundledDefault());
        EXPECT_EQ(choice.chosen().origin, Origin::Found);
    }
    {
        ListChoice choice = player.start();
        EXPECT_EQ(choice.chosen().path, player.search / "fruit.tsv");
        EXPECT_EQ(choice.chosen().origin, Origin::Found);
        EXPECT_EQ(utf8(choice.notice()), "");
        // A file from outside the folders joins the lists, and its name's bytes survive the settings file.
        EXPECT_TRUE(choice.choose(elsewhere));
        EXPECT_EQ(choice.lists().size(), 4u);
        EXPECT_EQ(choice.lists().back().path, elsewhere);
        EXPECT_EQ(choice.lists().back().origin, Origin::Picked);
    }
    {
        ListChoice choice = player.start();
        EXPECT_EQ(choice.chosen().path.native(), elsewhere.native());
        EXPECT_EQ(choice.chosen().origin, Origin::Picked);
        EXPECT_EQ(choice.chosen().name, u"picked \uFFFD.txt");
        EXPECT_EQ(choice.lists().back().path, elsewhere);
        choice.chooseDefault();
        EXPECT_TRUE(choice.chosenIsBundledDefault());
    }
    {
        const ListChoice choice = player.start();
        EXPECT_TRUE(choice.chosenIsBundledDefault());
        EXPECT_FALSE(QSettings(qPath(player.settings), QSettings::IniFormat).contains(QStringLiteral("list/path")));
    }
}

TEST(ListChoice, AFileAlreadyListedIsChosenAsItsEntryWhateverItsSpelling)
{
    const Player player;
    fs::create_symlink(player.search, player.temp.path() / "alias");
    ListChoice choice = player.start();

    EXPECT_TRUE(choice.choose(player.temp.path() / "alias" / "animals.txt"));
    EXPECT_EQ(choice.chosen().path, player.search / "animals.txt");
    EXPECT_EQ(choice.chosen().origin, Origin::Found);
    EXPECT_EQ(choice.lists().size(), 3u);

    // Picking the bundled list by its path is choosing the default, which is remembered by forgetting.
    EXPECT_TRUE(choice.choose(player.program / "MSG.txt"));
    EXPECT_TRUE(choice.chosenIsBundledDefault());
    EXPECT_FALSE(QSettings(qPath(player.settings), QSettings::IniFormat).contains(QStringLiteral("list/path")));
}

// A save written in place would leave half a file after a crash; QSettings must replace the file through a rename.
TEST(ListChoice, SavingReplacesTheSettingsFileWholeAndLeavesNothingBeside)
{
    const Player player;
    ListChoice choice = player.start();
    ASSERT_TRUE(choice.choose(player.search / "animals.txt"));
    struct stat before
    {
    };
    ASSERT_EQ(::stat(player.settings.c_str(), &before), 0);

    ASSERT_TRUE(choice.choose(player.search / "fruit.tsv"));

    struct stat after
    {
    };
    ASSERT_EQ(::stat(player.settings.c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);
    EXPECT_EQ(testing::namesIn(player.settings.parent_path()), std::vector<std::string>{"fururupo.conf"});
    EXPECT_EQ(utf8(choice.notice()), "");
}

TEST(ListChoice, ARememberedListThatIsGoneGivesWayToTheBundledOneWithANotice)
{
    const Player player;
    player.start().choose(player.search / "animals.txt");
    const std::string saved = testing::bytesOf(player.settings);
    fs::remove(player.search / "animals.txt");

    const ListChoice choice = player.start();

    EXPECT_TRUE(choice.chosenIsBundledDefault());
    EXPECT_EQ(utf8(choice.notice()), utf8(u"前に選んだ単語リストが見つからないので、MSG.txt で遊びます：") +
                                         (player.search / "animals.txt").native());
    // The choice stays remembered, in case the file comes back (a removable drive, say).
    EXPECT_EQ(testing::bytesOf(player.settings), saved);
}

TEST(ListChoice, ARememberedListThatCannotBeReadGivesWayToTheBundledOneWithANotice)
{
    const Player player;
    const fs::path locked = player.search / "animals.txt";
    const fs::path folder = player.search / "fruit.tsv";
    player.start().choose(locked);
    fs::permissions(locked, fs::perms::none);

    const std::string seen = testing::withoutPrivileges([&] {
        const ListChoice choice = player.start();
        return std::string(choice.chosenIsBundledDefault() ? "bundled " : "other ") + utf8(choice.notice());
    });
    EXPECT_EQ(seen, "bundled " + utf8(u"前に選んだ単語リストが使えないので、MSG.txt で遊びます：") + locked.native());

    player.start().choose(folder);
    fs::remove(folder);
    fs::create_directory(folder);
    const ListChoice choice = player.start();
    EXPECT_TRUE(choice.chosenIsBundledDefault());
    EXPECT_EQ(utf8(choice.notice()),
              utf8(u"前に選んだ単語リストが使えないので、MSG.txt で遊びます：") + folder.native());
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
        const ListChoice choice = player.start();
        EXPECT_TRUE(choice.chosenIsBundledDefault()) << value.toString().left(80).toStdString();
        EXPECT_EQ(utf8(choice.notice()), "") << value.toString().left(80).toStdString();
    }
}

TEST(ListChoice, ABrokenSettingsFileIsMovedAsideKeptAndReplaced)
{
    std::mt19937 random(20240611);
    std::string noise;
    for (int i = 0; i < 2048; ++i)
        noise += static_cast<char>(random());
    std::string noiseWithoutNul = noise;
    std::erase(noiseWithoutNul, '\0');
    const std::vector<std::string> brokenFiles = {noise, noiseWithoutNul,
                                                  "[list\npath=", std::string("[list]\npath=/a\0b\n", 17),
                                                  "[list]\npath=@ByteArray(/caf\xe9.txt)\n"};

    for (const std::string& broken : brokenFiles) {
        const Player player;
        fs::create_directories(player.settings.parent_path());
        player.temp.write("config/fururupo/fururupo.conf", broken);

        ListChoice choice = player.start();

        EXPECT_TRUE(choice.chosenIsBundledDefault());
        const std::vector<std::string> copies = brokenCopiesIn(player.settings.parent_path());
        ASSERT_EQ(copies.size(), 1u) << broken.substr(0, 20);
        const fs::path copy = player.settings.parent_path() / copies[0];
        EXPECT_EQ(testing::bytesOf(copy), broken);
        EXPECT_FALSE(fs::exists(player.settings));
        EXPECT_EQ(utf8(choice.notice()),
                  utf8(u"設定ファイルが壊れていたので別の名前で残し、新しく始めます：") + copy.native());

        // The fresh file takes the next choice; the broken one is still there beside it.
        EXPECT_TRUE(choice.choose(player.search / "animals.txt"));
        EXPECT_EQ(utf8(choice.notice()), "");
        EXPECT_EQ(player.start().chosen().path, player.search / "animals.txt");
        EXPECT_EQ(testing::bytesOf(copy), broken);
    }
}

// Writing over a broken file that could not be moved aside would destroy it; the choice then lasts this run only.
TEST(ListChoice, ABrokenSettingsFileThatCannotBeMovedIsLeftAsItIs)
{
    const Player player;
    const fs::path folder = player.settings.parent_path();
    fs::create_directories(folder);
    player.temp.write("config/fururupo/fururupo.conf", "[list\npath=");
    fs::permissions(folder,
                    fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read | fs::perms::others_exec);

    const std::string seen = testing::withoutPrivileges([&] {
        ListChoice choice = player.start();
        std::string result = utf8(choice.notice()) + "\n";
        result += choice.choose(player.search / "fruit.tsv") ? "chosen " : "refused ";
        result += choice.chosen().path.filename().native() + " " + utf8(choice.notice());
        return result;
    });
    fs::permissions(folder, fs::perms::owner_all);

    EXPECT_EQ(seen, utf8(u"設定ファイルが壊れていて別の名前に移せないので、選んだ単語リストを覚えておけません：") +
                        player.settings.native() + "\nchosen fruit.tsv " +
                        utf8(u"選んだ単語リストを次回のために覚えておけませんでした：") + player.settings.native());
    EXPECT_EQ(testing::bytesOf(player.settings), "[list\npath=");
    EXPECT_EQ(testing::namesIn(folder), std::vector<std::string>{"fururupo.conf"});
}

TEST(ListChoice, ASecondBrokenSettingsFileDoesNotReplaceTheFirst)
{
    const Player player;
    fs::create_directories(player.settings.parent_path());
    player.temp.write("config/fururupo/fururupo.conf", "[first");
    player.start();
    player.temp.write("config/fururupo/fururupo.conf", "[second");
    player.start();

    const std::vector<std::string> copies = brokenCopiesIn(player.settings.parent_path());
    ASSERT_EQ(copies.size(), 2u);
    std::vector<std::string> contents;
    for (const std::string& name : copies)
        contents.push_back(testing::bytesOf(player.settings.parent_path() / name));
    std::sort(contents.begin(), contents.end());
    EXPECT_EQ(contents, (std::vector<std::string>{"[first", "[second"}));
}

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
        ListChoice choice(player.folders(), qPath(settings));

        EXPECT_TRUE(choice.choose(player.search / "fruit.tsv"));

        EXPECT_EQ(choice.chosen().path, player.search / "fruit.tsv");
        EXPECT_EQ(utf8(choice.notice()),
                  utf8(u"選んだ単語リストを次回のために覚えておけませんでした：") + settings.native());
        EXPECT_EQ(testing::bytesOf(blocker), "mine\n");
        EXPECT_TRUE(testing::namesIn(player.temp.path() / "taken.conf").empty());
    }
}

TEST(ListChoice, ASettingsFileThatCannotBeReadIsSaidSoAndLeftAlone)
{
    const Player player;
    // Written by hand: Qt keeps what it read of a settings file for the process, and a child would inherit that.
    fs::create_directories(player.settings.parent_path());
    const std::string saved = "[list]\npath=@ByteArray(" + (player.search / "animals.txt").native() + ")\n";
    player.temp.write("config/fururupo/fururupo.conf", saved);
    fs::permissions(player.settings, fs::perms::none);

    const std::string seen = testing::withoutPrivileges([&] {
        const ListChoice choice = player.start();
        return std::string(choice.chosenIsBundledDefault() ? "bundled " : "other ") + utf8(choice.notice());
    });

    EXPECT_EQ(seen, "bundled " + utf8(u"設定ファイルを読めないので、前に選んだ単語リストがわかりません：") +
                        player.settings.native());
    fs::permissions(player.settings, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(testing::bytesOf(player.settings), saved);
    EXPECT_TRUE(brokenCopiesIn(player.settings.parent_path()).empty());
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

    ListChoice choice(player.folders(), QString());
    EXPECT_TRUE(choice.choose(player.search / "fruit.tsv"));
    EXPECT_EQ(utf8(choice.notice()), "");
    EXPECT_EQ(ListChoice(player.folders(), QString()).chosenIsBundledDefault(), true);
    choice.chooseDefault();

    EXPECT_EQ(utf8(choice.notice()), "");
    EXPECT_EQ(testing::namesIn(player.temp.path()), (std::vector<std::string>{"home", "program", "search"}));
    EXPECT_EQ(testing::namesIn(home), std::vector<std::string>{"config"});
    EXPECT_TRUE(testing::namesIn(home / "config").empty());
    EXPECT_EQ(testing::namesIn(fs::current_path()), workingFolder);
}

TEST(ListChoice, AListThatCannotBeChosenLeavesTheChoiceAndSaysWhy)
{
    const Player player;
    ListChoice choice = player.start();
    ASSERT_TRUE(choice.choose(player.search / "animals.txt"));
    const std::string saved = testing::bytesOf(player.settings);

    EXPECT_FALSE(choice.choose(player.search));
    EXPECT_EQ(choice.chosen().path, player.search / "animals.txt");
    EXPECT_EQ(utf8(choice.notice()), utf8(u"フォルダーは単語リストにできません：") + player.search.native());
    EXPECT_EQ(choice.lists().size(), 3u);
    EXPECT_EQ(testing::bytesOf(player.settings), saved);

    choice.clearNotice();
    EXPECT_EQ(utf8(choice.notice()), "");
}

TEST(ListChoice, RefreshFindsNewListsAndLetsAVanishedChoiceGo)
{
    const Player player;
    const fs::path picked = player.temp.write("picked.txt", "ねこ\r\n");
    ListChoice choice = player.start();
    ASSERT_TRUE(choice.choose(picked));
    player.temp.write("search/birds.txt", "とり\r\n");

    choice.refresh();
    EXPECT_EQ(choice.lists().size(), 5u);
    EXPECT_EQ(choice.lists()[1].path, player.search / "animals.txt");
    EXPECT_EQ(choice.lists()[2].path, player.search / "birds.txt");
    EXPECT_EQ(choice.lists().back().path, picked);
    EXPECT_EQ(choice.chosen().path, picked);

    fs::remove(picked);
    choice.refresh();
    EXPECT_TRUE(choice.chosenIsBundledDefault());
    EXPECT_EQ(choice.lists().size(), 4u);
    EXPECT_EQ(utf8(choice.notice()),
              utf8(u"選んだ単語リストが見つからないので、MSG.txt で遊びます：") + picked.native());
}

TEST(ListChoiceWhyNotAList, NamesTheFileAndWhatIsWrongWithIt)
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

    EXPECT_EQ(utf8(ListChoice::whyNotAList(good)), "");
    EXPECT_EQ(utf8(ListChoice::whyNotAList(limit)), "");
    EXPECT_EQ(utf8(ListChoice::whyNotAList(temp.path())),
              utf8(u"フォルダーは単語リストにできません：") + temp.path().native());
    EXPECT_EQ(utf8(ListChoice::whyNotAList(temp.path() / "missing.txt")),
              utf8(u"ファイルが見つかりません：") + (temp.path() / "missing.txt").native());
    EXPECT_EQ(utf8(ListChoice::whyNotAList(good / "below.txt")),
              utf8(u"ファイルが見つかりません：") + (good / "below.txt").native());
    EXPECT_EQ(utf8(ListChoice::whyNotAList(pipe)),
              utf8(u"ふつうのファイルではないので単語リストにできません：") + pipe.native());
    EXPECT_EQ(utf8(ListChoice::whyNotAList(over)),
              utf8(u"16 MiB を超えるファイルは単語リストにできません：") + over.native());
    EXPECT_EQ(utf8(ListChoice::whyNotAList(huge)), utf8(u"16 MiB を超えるファイルは単語リストにできません：") +
                                                       temp.path().native() + "/huge \xef\xbf\xbd.txt");

    fs::permissions(good, fs::perms::none);
    EXPECT_EQ(testing::withoutPrivileges([&] { return utf8(ListChoice::whyNotAList(good)); }),
              utf8(u"ファイルを開けないので単語リストにできません：") + good.native());
}

TEST(DefaultSettingsFile, LiesInThePlayersConfigurationFolder)
{
    const ScopedVariable configHome("XDG_CONFIG_HOME", "/somewhere/config");
    EXPECT_EQ(defaultSettingsFile().toStdString(), "/somewhere/config/fururupo/fururupo.conf");
}

} // namespace
} // namespace fururupo
