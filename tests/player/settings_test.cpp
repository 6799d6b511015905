#include "player/settings.h"

#include "player/player_folders.h"
#include "player/player_test_support.h"
#include "support/temp_files.h"

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
using Kind = SettingsProblem::Kind;

constexpr Setting<bool> flag{"test/flag", true};
constexpr Setting<int> volume{"test/volume", 70, 0, 100};
constexpr Setting<QByteArray> bytes{"test/bytes", 16};

QString qPath(const fs::path& path)
{
    return QString::fromStdString(path.native());
}

// A settings file whose folder does not exist yet.
struct Folder
{
    Folder() { testing::openToEveryone(temp); }
    fs::path folder() const { return temp.path() / "config" / "fururupo"; }
    fs::path file() const { return folder() / "fururupo.conf"; }
    void write(const std::string& content) const
    {
        fs::create_directories(folder());
        temp.write("config/fururupo/fururupo.conf", content);
    }
    std::vector<std::string> brokenCopies() const
    {
        static const std::regex aside(R"(fururupo\.conf\.broken-\d{8}-\d{6}(-\d+)?)");
        std::vector<std::string> names;
        for (const std::string& name : testing::namesIn(folder()))
            if (std::regex_match(name, aside))
                names.push_back(name);
        return names;
    }
    TempFolder temp;
};

TEST(Settings, WhatIsSetIsReadBackNextRunAndNothingElseIsTrusted)
{
    const Folder settings;
    {
        Settings first(qPath(settings.file()));
        EXPECT_EQ(first.value(flag), true);
        EXPECT_EQ(first.value(volume), 70);
        EXPECT_EQ(first.value(bytes), QByteArray());
        EXPECT_FALSE(fs::exists(settings.folder())) << "nothing is written before something is set";
        EXPECT_TRUE(first.setValue(flag, false));
        EXPECT_TRUE(first.setValue(volume, 250)); // kept within its range
        EXPECT_TRUE(first.setValue(bytes, QByteArray("/caf\xe9")));
    }
    Settings second(qPath(settings.file()));
    EXPECT_EQ(second.value(flag), false);
    EXPECT_EQ(second.value(volume), 100);
    EXPECT_EQ(second.value(bytes), QByteArray("/caf\xe9"));
    EXPECT_TRUE(second.remove(volume.key));
    EXPECT_EQ(Settings(qPath(settings.file())).value(volume), 70);

    // Values written by hand that this program would never have written read as their fallbacks.
    const std::vector<std::pair<const char*, const char*>> edits = {
        {"flag", "yes"}, {"flag", "1"}, {"volume", "-1"}, {"volume", "101"}, {"volume", "7x"}, {"volume", "@Invalid()"},
    };
    for (const auto& [key, value] : edits) {
        settings.write(std::string("[test]\n") + key + "=" + value + "\nbytes=plain text\n");
        const Settings edited(qPath(settings.file()));
        EXPECT_EQ(edited.value(flag), true) << key << "=" << value;
        EXPECT_EQ(edited.value(volume), 70) << key << "=" << value;
        EXPECT_EQ(edited.value(bytes), QByteArray()) << "a string is not the bytes that were saved";
        EXPECT_EQ(edited.problem().kind, Kind::None);
    }
    settings.write("[test]\nbytes=@ByteArray(0123456789abcdefX)\n");
    EXPECT_EQ(Settings(qPath(settings.file())).value(bytes), QByteArray()) << "longer than its bound";
}

// A save written in place would leave half a file after a crash; the file must be replaced through a rename.
TEST(Settings, SavingReplacesTheFileWholeAndLeavesNothingBeside)
{
    const Folder settings;
    Settings kept(qPath(settings.file()));
    ASSERT_TRUE(kept.setValue(volume, 10));
    struct stat before
    {
    };
    ASSERT_EQ(::stat(settings.file().c_str(), &before), 0);
    ASSERT_TRUE(kept.setValue(volume, 20));
    struct stat after
    {
    };
    ASSERT_EQ(::stat(settings.file().c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);
    EXPECT_EQ(testing::namesIn(settings.folder()), std::vector<std::string>{"fururupo.conf"});
}

// Dotfile managers link the file from a repository of their own; writing must go through the link, not replace it.
TEST(Settings, AFileThatIsALinkIsWrittenThroughTheLink)
{
    const Folder settings;
    const fs::path real = settings.temp.write("dotfiles.conf", "[test]\nvolume=30\n");
    fs::create_directories(settings.folder());
    fs::create_symlink(real, settings.file());
    Settings kept(qPath(settings.file()));
    EXPECT_EQ(kept.value(volume), 30);
    ASSERT_TRUE(kept.setValue(volume, 40));
    EXPECT_TRUE(fs::is_symlink(settings.file()));
    EXPECT_EQ(Settings(qPath(real)).value(volume), 40);
}

TEST(Settings, ABrokenFileIsMovedAsideKeptAndReplaced)
{
    std::mt19937 random(20240611);
    std::string noise;
    for (int i = 0; i < 2048; ++i)
        noise += static_cast<char>(random());
    std::string noiseWithoutNul = noise;
    std::erase(noiseWithoutNul, '\0');
    const std::vector<std::string> brokenFiles = {noise,
                                                  noiseWithoutNul,
                                                  "[list\npath=",
                                                  std::string("[list]\npath=/a\0b\n", 17),
                                                  "[list]\npath=@ByteArray(/caf\xe9.txt)\n",
                                                  "[test]\nvolume=" + std::string(2 * 1024 * 1024, '1') + "\n"};

    for (const std::string& broken : brokenFiles) {
        const Folder settings;
        settings.write(broken);

        Settings kept(qPath(settings.file()));

        const std::vector<std::string> copies = settings.brokenCopies();
        ASSERT_EQ(copies.size(), 1u) << broken.substr(0, 20);
        const fs::path copy = settings.folder() / copies[0];
        EXPECT_EQ(testing::bytesOf(copy), broken);
        EXPECT_FALSE(fs::exists(settings.file()));
        EXPECT_EQ(kept.problem().kind, Kind::MovedAside);
        EXPECT_EQ(kept.problem().aside, qPath(copy));
        EXPECT_EQ(kept.value(volume), 70);

        // The fresh file takes the next value; the broken one is still there beside it, and the notice stays.
        EXPECT_TRUE(kept.setValue(volume, 5));
        EXPECT_EQ(kept.problem().kind, Kind::MovedAside);
        EXPECT_EQ(Settings(qPath(settings.file())).value(volume), 5);
        EXPECT_EQ(testing::bytesOf(copy), broken);
    }
}

// Writing over a broken file that could not be moved aside would destroy it; values then last this run only.
TEST(Settings, ABrokenFileThatCannotBeMovedIsLeftAsItIs)
{
    const Folder settings;
    settings.write("[list\npath=");
    fs::permissions(settings.folder(),
                    fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read | fs::perms::others_exec);

    const std::string seen = testing::withoutPrivileges([&] {
        Settings kept(qPath(settings.file()));
        std::string result = kept.problem().kind == Kind::CannotMoveAside ? "cannot move " : "? ";
        result += kept.setValue(volume, 5) ? "kept " : "not kept ";
        result += kept.problem().kind == Kind::NotKept ? "said " : "? ";
        result += std::to_string(kept.value(volume));
        return result;
    });
    fs::permissions(settings.folder(), fs::perms::owner_all);

    EXPECT_EQ(seen, "cannot move not kept said 5");
    EXPECT_EQ(testing::bytesOf(settings.file()), "[list\npath=");
    EXPECT_EQ(testing::namesIn(settings.folder()), std::vector<std::string>{"fururupo.conf"});
}

TEST(Settings, ASecondBrokenFileDoesNotReplaceTheFirst)
{
    const Folder settings;
    settings.write("[first");
    Settings{qPath(settings.file())};
    settings.write("[second");
    Settings{qPath(settings.file())};

    std::vector<std::string> contents;
    for (const std::string& name : settings.brokenCopies())
        contents.push_back(testing::bytesOf(settings.folder() / name));
    std::sort(contents.begin(), contents.end());
    EXPECT_EQ(contents, (std::vector<std::string>{"[first", "[second"}));
}

// A file that cannot be read, or a FIFO in its place, is said so and left alone: reading a FIFO would hang the start.
TEST(Settings, AFileThatCannotBeReadIsSaidSoAndLeftAlone)
{
    const Folder settings;
    settings.write("[test]\nvolume=30\n");
    fs::permissions(settings.file(), fs::perms::none);
    const std::string seen = testing::withoutPrivileges([&] {
        Settings kept(qPath(settings.file()));
        std::string result = kept.problem().kind == Kind::Unreadable ? "unreadable " : "? ";
        result += std::to_string(kept.value(volume));
        result += kept.setValue(volume, 1) ? " written" : " left";
        return result;
    });
    EXPECT_EQ(seen, "unreadable 70 left");
    fs::permissions(settings.file(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(testing::bytesOf(settings.file()), "[test]\nvolume=30\n");
    EXPECT_TRUE(settings.brokenCopies().empty());

    fs::remove(settings.file());
    ASSERT_EQ(::mkfifo(settings.file().c_str(), 0644), 0);
    Settings fifo(qPath(settings.file()));
    EXPECT_EQ(fifo.problem().kind, Kind::Unreadable);
    EXPECT_FALSE(fifo.setValue(volume, 1));
    EXPECT_TRUE(fs::is_fifo(settings.file()));
}

TEST(PlayerFolders, FollowTheXdgVariablesOrFallBackToTheHome)
{
    const ScopedVariable home("HOME", "/home/player");
    {
        const ScopedVariable config("XDG_CONFIG_HOME", "/somewhere/config");
        const ScopedVariable data("XDG_DATA_HOME", "/data/");
        EXPECT_EQ(settingsFile(), QStringLiteral("/somewhere/config/fururupo/fururupo.conf"));
        EXPECT_EQ(recordsFile(), QStringLiteral("/data/fururupo/records.sqlite3"));
        EXPECT_EQ(playerListsFolder(), fs::path("/data/fururupo/lists"));
    }
    for (const std::optional<std::string>& unusable :
         {std::optional<std::string>(), std::optional<std::string>(""), std::optional<std::string>("relative/data")}) {
        const ScopedVariable config("XDG_CONFIG_HOME", unusable);
        const ScopedVariable data("XDG_DATA_HOME", unusable);
        EXPECT_EQ(settingsFile(), QStringLiteral("/home/player/.config/fururupo/fururupo.conf"));
        EXPECT_EQ(recordsFile(), QStringLiteral("/home/player/.local/share/fururupo/records.sqlite3"));
    }
    const ScopedVariable config("XDG_CONFIG_HOME", std::nullopt);
    const ScopedVariable data("XDG_DATA_HOME", std::nullopt);
    const ScopedVariable noHome("HOME", "relative/home");
    EXPECT_EQ(settingsFile(), QString());
    EXPECT_EQ(recordsFile(), QString());
    EXPECT_EQ(playerListsFolder(), fs::path());

    const ScopedVariable dirs("XDG_DATA_DIRS", "/opt/share:relative::/usr/share");
    EXPECT_EQ(dataDirs(), (std::vector<fs::path>{"/opt/share", "/usr/share"}));
}

} // namespace
} // namespace fururupo
