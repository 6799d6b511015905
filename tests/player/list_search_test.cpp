#include "player/list_search.h"

#include "platform/program_folder.h"
#include "player/player_test_support.h"
#include "support/temp_files.h"
#include "support/word_lines.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace fururupo {
namespace {

namespace fs = std::filesystem;
using testing::ScopedVariable;
using testing::TempFolder;
using Origin = ListFile::Origin;

std::vector<fs::path> pathsOf(const std::vector<ListFile>& lists)
{
    std::vector<fs::path> paths;
    for (const ListFile& list : lists)
        paths.push_back(list.path);
    return paths;
}

fs::path makeFolder(const fs::path& folder)
{
    fs::create_directories(folder);
    return folder;
}

void touch(const fs::path& file)
{
    std::ofstream(file, std::ios::binary) << "あ\r\n";
}

TEST(ListFolders, FromEnvironmentTakesXdgFoldersInOrderWithTheirDefaults)
{
    const fs::path program = "/opt/game";
    const ScopedVariable home("HOME", "/home/player");
    struct Case
    {
        std::optional<std::string> dataHome;
        std::optional<std::string> dataDirs;
        std::vector<fs::path> expected;
    };
    const std::vector<Case> cases = {
        {"/data/home",
         "/sys/a:/sys/b/",
         {"/data/home/fururupo/lists", "/sys/a/fururupo/lists", "/sys/b/fururupo/lists"}},
        {std::nullopt,
         std::nullopt,
         {"/home/player/.local/share/fururupo/lists", "/usr/local/share/fururupo/lists", "/usr/share/fururupo/lists"}},
        {"",
         "",
         {"/home/player/.local/share/fururupo/lists", "/usr/local/share/fururupo/lists", "/usr/share/fururupo/lists"}},
        // Relative entries are ignored, as the XDG rules say; so are empty ones between colons.
        {"relative/home", "rel:/only::also/rel", {"/home/player/.local/share/fururupo/lists", "/only/fururupo/lists"}},
        {"/\xff\xfe", "/caf\xe9", {"/\xff\xfe/fururupo/lists", "/caf\xe9/fururupo/lists"}},
    };
    for (const Case& c : cases) {
        const ScopedVariable dataHome("XDG_DATA_HOME", c.dataHome);
        const ScopedVariable dataDirs("XDG_DATA_DIRS", c.dataDirs);
        const ListFolders folders = ListFolders::fromEnvironment(program);
        EXPECT_EQ(folders.programFolder, program);
        EXPECT_EQ(folders.searchFolders, c.expected) << c.dataHome.value_or("(unset)");
    }

    // Without an absolute HOME there is no guessing at the player's folder.
    const ScopedVariable noHome("HOME", std::nullopt);
    const ScopedVariable noDataHome("XDG_DATA_HOME", std::nullopt);
    const ScopedVariable dataDirs("XDG_DATA_DIRS", "/sys");
    EXPECT_EQ(ListFolders::fromEnvironment(program).searchFolders, std::vector<fs::path>{"/sys/fururupo/lists"});
}

TEST(FindLists, BundledListsComeFirstThenEachSearchFolderInOrderEachSortedByName)
{
    const TempFolder temp;
    const fs::path program = makeFolder(temp.path() / "program");
    const fs::path home = makeFolder(temp.path() / "home");
    const fs::path system = makeFolder(temp.path() / "system");
    makeFolder(program / "lists");
    touch(program / "MSG.txt");
    touch(program / "lists" / "b.txt");
    touch(program / "lists" / "a.TSV");
    touch(home / "z.txt");
    touch(home / "m.Txt");
    touch(system / "c.tsv");

    const std::vector<ListFile> lists = findLists({program, {home, system}});

    ASSERT_EQ(pathsOf(lists),
              (std::vector<fs::path>{program / "MSG.txt", program / "lists" / "a.TSV", program / "lists" / "b.txt",
                                     home / "m.Txt", home / "z.txt", system / "c.tsv"}));
    const std::vector<Origin> origins = {Origin::Bundled, Origin::Bundled, Origin::Bundled,
                                         Origin::Found,   Origin::Found,   Origin::Found};
    for (std::size_t i = 0; i < lists.size(); ++i)
        EXPECT_EQ(lists[i].origin, origins[i]) << i;
    EXPECT_EQ(lists[0].name, u"MSG");
    EXPECT_EQ(lists[3].name, u"m");
}

TEST(FindLists, TakesOnlyRegularFilesNamedAsLists)
{
    const TempFolder temp;
    const fs::path program = makeFolder(temp.path() / "program");
    const fs::path folder = makeFolder(temp.path() / "lists");
    touch(program / "MSG.txt");
    touch(folder / "real.txt");
    touch(folder / "notes.md");
    touch(folder / "txt");
    touch(folder / "archive.txt.gz");
    touch(folder / ".hidden.txt");
    makeFolder(folder / "folder.txt");
    ASSERT_EQ(::mkfifo((folder / "pipe.tsv").c_str(), 0644), 0);
    fs::create_symlink(folder / "real.txt", folder / "link.txt");
    fs::create_symlink(folder / "nowhere.txt", folder / "dangling.txt");
    fs::create_symlink(folder / "folder.txt", folder / "link-to-folder.tsv");

    // real.txt is reached through link.txt first (sorted by name), so the same file by its own name is left out.
    EXPECT_EQ(pathsOf(findLists({program, {folder}})),
              (std::vector<fs::path>{program / "MSG.txt", folder / "link.txt"}));
}

// Without these, one file would be offered twice, or the player's own copy of a list could be hidden by the system's.
TEST(FindLists, ListsEachFileOnceAndTheEarlierFolderWinsAName)
{
    const TempFolder temp;
    const fs::path program = makeFolder(temp.path() / "program");
    const fs::path home = makeFolder(temp.path() / "home");
    const fs::path system = makeFolder(temp.path() / "system");
    const fs::path other = makeFolder(temp.path() / "other");
    touch(program / "MSG.txt");
    touch(home / "animals.txt");
    touch(system / "animals.txt");
    touch(system / "fruit.txt");
    touch(system / "MSG.txt");
    fs::create_hard_link(system / "fruit.txt", other / "hard.txt");
    fs::create_symlink(system / "fruit.txt", other / "soft.txt");
    fs::create_symlink(home, temp.path() / "home-again");

    const std::vector<ListFile> lists =
        findLists({program, {home, system, home, temp.path() / "home-again", other, program}});

    EXPECT_EQ(pathsOf(lists), (std::vector<fs::path>{program / "MSG.txt", home / "animals.txt", system / "fruit.txt"}));
}

TEST(FindLists, PassesOverWhatIsMissingOrGone)
{
    const TempFolder temp;
    const fs::path program = makeFolder(temp.path() / "program");
    const fs::path folder = makeFolder(temp.path() / "lists");
    const fs::path notAFolder = temp.write("plain", "");
    touch(folder / "stays.txt");
    touch(folder / "goes.txt");
    const ListFolders folders{program, {temp.path() / "missing", notAFolder, notAFolder / "below", folder}};

    // The bundled list is offered even when missing, so the game can say why it cannot load it.
    EXPECT_EQ(pathsOf(findLists(folders)),
              (std::vector<fs::path>{program / "MSG.txt", folder / "goes.txt", folder / "stays.txt"}));
    fs::remove(folder / "goes.txt");
    EXPECT_EQ(pathsOf(findLists(folders)), (std::vector<fs::path>{program / "MSG.txt", folder / "stays.txt"}));
}

TEST(FindLists, FileNamesThatAreNotUtf8KeepTheirBytes)
{
    const TempFolder temp;
    const fs::path folder = makeFolder(temp.path() / "lists");
    touch(folder / "\xff\xfe.txt");
    touch(folder / "caf\xe9.tsv");
    touch(folder / "\xe3\x81\x82.txt");

    const std::vector<ListFile> lists = findLists({temp.path(), {folder}});

    ASSERT_EQ(lists.size(), 4u);
    EXPECT_EQ(lists[1].path.filename().native(), "caf\xe9.tsv");
    EXPECT_EQ(testing::utf8(lists[1].name), "caf\xef\xbf\xbd");
    EXPECT_EQ(lists[2].path.filename().native(), "\xe3\x81\x82.txt");
    EXPECT_EQ(lists[2].name, u"あ");
    EXPECT_EQ(lists[3].path.filename().native(), "\xff\xfe.txt");
    EXPECT_EQ(lists[3].name, u"\uFFFD\uFFFD");
    EXPECT_TRUE(fs::is_regular_file(lists[3].path));
}

TEST(FindLists, StopsAtFiveHundredEntries)
{
    const TempFolder temp;
    const fs::path bundled = makeFolder(temp.path() / "lists");
    const fs::path found = makeFolder(temp.path() / "found");
    char name[16];
    for (int i = 0; i < 300; ++i) {
        std::snprintf(name, sizeof name, "b%03d.txt", i);
        touch(bundled / name);
        std::snprintf(name, sizeof name, "f%03d.txt", i);
        touch(found / name);
    }

    const std::vector<ListFile> lists = findLists({temp.path(), {found}});

    ASSERT_EQ(lists.size(), maxListFiles);
    EXPECT_EQ(maxListFiles, 500u);
    EXPECT_EQ(lists[300].path, bundled / "b299.txt");
    EXPECT_EQ(lists[301].path, found / "f000.txt");
    EXPECT_EQ(lists[499].path, found / "f198.txt");
}

// A list is offered by the name its author gave it, read as its load would read it, and never by a line that merely
// looks like one: a name line anywhere but first, in a list without comments, or naming nothing.
TEST(ListNames, ATableMayNameItselfInItsFirstLine)
{
    const TempFolder temp;
    const auto utf16 = [](std::u16string_view text) {
        std::string bytes = "\xff\xfe";
        for (const char16_t c : text)
            bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
        return bytes;
    };
    std::u16string decomposed = u"# 名前: ";
    for (int i = 0; i < 40; ++i)
        decomposed += u"か\u3099";
    struct Case
    {
        const char* what;
        std::string file;
        std::string bytes;
        std::u16string name;
    };
    const Case cases[] = {
        {"UTF-8", "list.tsv", testing::utf8(u"# 名前: 都道府県\n単語\t解説\n"), u"都道府県"},
        {"no blanks, a full-width colon, CR LF", "list.tsv", testing::utf8(u"#名前：都道府県\r\nねこ\r\n"),
         u"都道府県"},
        {"name in any case, blanks everywhere", "list.tsv", "#  NaMe :  Animals of the farm  \n",
         u"Animals of the farm"},
        {"UTF-8 with its mark", "list.tsv", "\xef\xbb\xbf" + testing::utf8(u"# 名前: ねこ\n"), u"ねこ"},
        {"UTF-16 with its mark", "list.tsv", utf16(u"# 名前: いぬ\r\n"), u"いぬ"},
        {"code page 932", "list.tsv", "# \x96\xbc\x91\x4f: \x82\xcb\x82\xb1\r\n", u"ねこ"},
        {"joined and cut to 31 characters", "list.tsv", testing::utf8(decomposed), std::u16string(31, u'が')},
        {"a second line", "list.tsv", testing::utf8(u"# my list\n# 名前: ねこ\n"), u"list"},
        {"a name that is empty", "list.tsv", testing::utf8(u"# 名前:   \n"), u"list"},
        {"no colon", "list.tsv", testing::utf8(u"# 名前 ねこ\n"), u"list"},
        {"bytes that cannot be read", "list.tsv", "# name: \xff\n", u"list"},
        {"a list with fixed columns", "list.txt", testing::utf8(u"# 名前: ねこ\n"), u"list"},
        {"an empty file", "list.TSV", "", u"list"},
        {"a name of dots", "..tsv", "", u"..tsv"},
    };
    for (const Case& c : cases) {
        const fs::path path = temp.write(c.file, c.bytes);
        EXPECT_EQ(testing::utf8(listNameOf(path)), testing::utf8(c.name)) << c.what;
        fs::remove(path);
    }
    EXPECT_EQ(listNameOf(temp.path() / "missing.tsv"), u"missing");
}

// Two lists of one name would be offered as one; the hint says where each lies, in the fewest words that tell.
TEST(ListNames, ListsOfOneNameAreToldApartByTheirFolderOrTheirFileName)
{
    const TempFolder temp;
    const fs::path home = makeFolder(temp.path() / "home");
    const fs::path program = makeFolder(temp.path() / "program");
    const fs::path mine = makeFolder(home / "lists");
    const fs::path system = makeFolder(temp.path() / "system");
    touch(program / "MSG.txt");
    temp.write("home/lists/animals.tsv", "# name: farm\n");
    temp.write("home/lists/farm.txt", "");
    temp.write("system/farm.tsv", "");
    temp.write("system/fruit.tsv", "");

    ListFolders folders{program, {mine, system}};
    folders.homeFolder = home;
    std::vector<ListFile> lists = findLists(folders);

    ASSERT_EQ(lists.size(), 5u);
    std::vector<std::pair<std::string, std::string>> shown;
    for (const ListFile& list : lists)
        shown.push_back({testing::utf8(list.name), testing::utf8(list.folderHint)});
    EXPECT_EQ(shown, (std::vector<std::pair<std::string, std::string>>{{"MSG", ""},
                                                                       {"farm", "animals.tsv"},
                                                                       {"farm", "farm.txt"},
                                                                       {"farm", testing::utf8(displayPath(system))},
                                                                       {"fruit", ""}}));

    // Once one of them goes, the other needs no hint; a list picked from the home folder itself is ~.
    lists.erase(lists.begin() + 2);
    lists.push_back(listFileAt(temp.write("home/fruit.tsv", ""), Origin::Picked));
    tellApart(lists, home);
    EXPECT_EQ(lists[1].folderHint, u"~/lists");
    EXPECT_EQ(lists[2].folderHint, displayPath(system));
    EXPECT_EQ(lists[3].folderHint, displayPath(system));
    EXPECT_EQ(lists[4].folderHint, u"~");
    tellApart(lists, {});
    EXPECT_EQ(lists[4].folderHint, displayPath(home));
}

} // namespace
} // namespace fururupo
