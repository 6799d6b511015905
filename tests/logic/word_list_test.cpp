#include "logic/word_list.h"

#include "platform/checked.h"
#include "platform/text_reader.h"
#include "support/recording_hooks.h"
#include "support/temp_files.h"
#include "support/word_lines.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>

using namespace fururupo;
using namespace fururupo::testing;

TEST(WordListSplit, CutsFixedColumnsThatShareCharacter32)
{
    std::u16string word, explanation;
    const auto split = [&](std::u16string_view line) {
        splitEntry(line, word, explanation);
        return std::pair{word, explanation};
    };
    using P = std::pair<std::u16string, std::u16string>;
    const std::u16string pad31 = u"さくら" + std::u16string(28, u' ');
    EXPECT_EQ(split(pad31 + u" 春の花です。"), (P{u"さくら", u"春の花です。"}));
    // A non-blank character 32 ends the word (blanks before it stay inside) and begins the explanation.
    EXPECT_EQ(split(pad31 + u"X説明"), (P{pad31 + u"X", u"X説明"}));
    // Short lines: the trimmed line is the word; exactly 32 characters give character 32 alone as explanation.
    EXPECT_EQ(split(u"  ねこ  "), (P{u"ねこ", u""}));
    EXPECT_EQ(split(pad31 + u" "), (P{u"さくら", u""}));
    EXPECT_EQ(split(pad31 + u"Z"), (P{pad31 + u"Z", u"Z"}));
    EXPECT_EQ(split(u""), (P{u"", u""}));
    EXPECT_EQ(split(std::u16string(40, u' ')), (P{u"", u""}));
    // Only U+0020 is trimmed: tabs and the ideographic blank stay.
    EXPECT_EQ(split(u"\tいぬ\u3000"), (P{u"\tいぬ\u3000", u""}));
    // A character outside the basic plane is one column, not two, and is never cut in half.
    const std::u16string flower = u"\U0001F338";
    EXPECT_EQ(split(u"a" + std::u16string(30, u' ') + flower + u"b"),
              (P{u"a" + std::u16string(30, u' ') + flower, flower + u"b"}));
    // The explanation ends at character 159.
    const std::u16string longText(200, u'あ');
    EXPECT_EQ(split(pad31 + u" " + longText), (P{u"さくら", std::u16string(127, u'あ')}));
}

// Positions count converted characters: a double-byte character is one, not two.
TEST(WordListLoad, CountsDoubleByteCharactersAsOne)
{
    TempFolder folder;
    std::string word;
    for (int i = 0; i < 10; ++i)
        word += "\x82\xa0";                                                     // あ
    const std::string line = word + std::string(21, ' ') + " \x90\xe0\x96\xbe"; // 説明
    WordList list;
    RecordingHooks hooks;
    EXPECT_EQ(loadWordList(list, folder.write("MSG.txt", line), hooks), 1);
    EXPECT_EQ(list.words[0], std::u16string(10, u'あ'));
    EXPECT_EQ(list.explanations[0], u"説明");
}

TEST(WordListLoad, GivesOneEntryPerLineAndYieldsBeforeEach)
{
    TempFolder folder;
    struct Case
    {
        std::string bytes;
        std::int32_t count;
    };
    const Case cases[] = {
        {"", 0},
        {entry("a", "x") + "\r\n" + entry("b", "y") + "\r\n", 2},
        {entry("a", "x") + "\r\n\r\n", 2}, // a second line end adds an empty entry
        {entry("a", "x") + "\r\n" + entry("b", "y"), 2},
        {"a\nb\nc\n", 1}, // line feeds alone do not end lines
    };
    for (const auto& c : cases) {
        WordList list;
        RecordingHooks hooks;
        EXPECT_EQ(loadWordList(list, folder.write("MSG.txt", c.bytes), hooks), c.count) << c.bytes;
        EXPECT_EQ(hooks.yields, c.count);
        EXPECT_TRUE(hooks.failures.empty());
    }
    WordList list;
    RecordingHooks hooks;
    loadWordList(list, folder.write("MSG.txt", "a\nb\nc\n"), hooks);
    EXPECT_EQ(list.words[0], u"a\nb\nc\n");
}

// 1001 lines fit; the 1002nd is a failure that still leaves the first 1001 in their slots.
TEST(WordListLoad, Holds1001LinesAndFailsOnThe1002nd)
{
    TempFolder folder;
    WordList list;
    RecordingHooks hooks;
    EXPECT_EQ(loadWordList(list, folder.write("MSG.txt", numberedEntries(1001)), hooks), 1001);
    EXPECT_EQ(list.words[1000], u"w1000");
    EXPECT_TRUE(hooks.failures.empty());

    WordList again;
    EXPECT_EQ(loadWordList(again, folder.write("MSG.txt", numberedEntries(1002)), hooks), 0);
    ASSERT_EQ(hooks.failures.size(), 1u);
    EXPECT_EQ(hooks.failures[0], (std::pair{1001, LoadFailure::TooManyLines}));
    EXPECT_EQ(again.words[1000], u"w1000");
    EXPECT_EQ(again.explanations[1000], u"e1000");
    EXPECT_THROW(again.word(1001), RuntimeError);
    EXPECT_THROW(again.explanation(-1), RuntimeError);
}

// A shorter load replaces only the slots it reaches.
TEST(WordListLoad, ReloadLeavesLaterSlotsAsTheyWere)
{
    TempFolder folder;
    WordList list;
    RecordingHooks hooks;
    ASSERT_EQ(loadWordList(list, folder.write("MSG.txt", numberedEntries(8)), hooks), 8);
    ASSERT_EQ(loadWordList(list, folder.write("MSG.txt", entry("new", "n") + "\r\n"), hooks), 1);
    EXPECT_EQ(list.words[0], u"new");
    EXPECT_EQ(list.words[1], u"w1");
    EXPECT_EQ(list.words[7], u"w7");
    EXPECT_EQ(list.explanations[7], u"e7");
}

// Whatever stands at the path, a failure reports why and what was stored, returns 0, and never hangs.
TEST(WordListLoad, ReportsFailuresWithTheirCause)
{
    TempFolder folder;
    WordList list;
    list.words[0] = u"kept";
    RecordingHooks hooks;
    EXPECT_EQ(loadWordList(list, folder.path() / "MSG.txt", hooks), 0);
    std::filesystem::create_directories(folder.path() / "dir" / "MSG.txt");
    EXPECT_EQ(loadWordList(list, folder.path() / "dir" / "MSG.txt", hooks), 0);
    const auto fifo = folder.path() / "fifo.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(loadWordList(list, fifo, hooks), 0);
    using F = std::pair<std::int32_t, LoadFailure>;
    EXPECT_EQ(hooks.failures,
              (std::vector<F>{{0, LoadFailure::Missing}, {0, LoadFailure::Missing}, {0, LoadFailure::Missing}}));
    EXPECT_EQ(list.words[0], u"kept");
    EXPECT_EQ(hooks.yields, 0);

    if (::geteuid() != 0) {
        const auto locked = folder.write("locked.txt", numberedEntries(2));
        std::filesystem::permissions(locked, std::filesystem::perms::none);
        EXPECT_EQ(loadWordList(list, locked, hooks), 0);
        EXPECT_EQ(hooks.failures.back(), (F{0, LoadFailure::CannotRead}));
    }
}

// The load yields before every line, so a load started from a pending event runs inside it; both must finish.
TEST(WordListLoad, ANestedLoadDuringAYieldDoesNotDisturbTheOuterOne)
{
    TempFolder folder;
    const auto outerPath = folder.write("outer.txt", numberedEntries(3));
    const auto innerPath = folder.write("inner.txt", entry("inner", "i") + "\r\n");
    WordList list;
    RecordingHooks hooks;
    std::int32_t innerCount = -1;
    hooks.onYield = [&](std::int32_t yields) {
        if (yields == 2) {
            RecordingHooks innerHooks;
            innerCount = loadWordList(list, innerPath, innerHooks);
        }
    };
    EXPECT_EQ(loadWordList(list, outerPath, hooks), 3);
    EXPECT_EQ(innerCount, 1);
    EXPECT_EQ(list.words[0], u"inner");
    EXPECT_EQ(list.words[2], u"w2");
}

TEST(WordListLoad, DescribesEachFailureInJapaneseWithThePath)
{
    EXPECT_EQ(describeLoadFailure(LoadFailure::Missing, 0, u"/x/MSG.txt"), u"単語ファイルが見つかりません：/x/MSG.txt");
    EXPECT_EQ(describeLoadFailure(LoadFailure::TooManyLines, 1001, u"/x/MSG.txt"),
              u"単語ファイルの行が多すぎます（1001行まで）：/x/MSG.txt");
    EXPECT_EQ(describeLoadFailure(LoadFailure::ReadError, 4, u"m"), u"単語ファイルの5行目が読めません：m");
    EXPECT_EQ(describeLoadFailure(LoadFailure::TooLarge, 0, u"/%1/MSG.txt"),
              u"単語ファイルが大きすぎます（16 MiBまで）：/%1/MSG.txt");
    EXPECT_EQ(describeUnreadableText(3, u"/x/MSG.txt"),
              u"単語ファイルの3行目に読めない文字があります（UTF-8 か Shift_JIS で保存してください）：/x/MSG.txt");
}

// A list saved by a Linux editor (UTF-8, no mark) or as UTF-16 plays the same words as the Shift-JIS original.
TEST(WordListLoad, ReadsTheSameEntriesInEveryEncoding)
{
    TempFolder folder;
    const std::u16string word = u"しんぶん";
    const std::u16string explanation = u"まいあさ とどく";
    const std::u16string line = word + std::u16string(27, u' ') + u" " + explanation;
    const std::string utf8Bytes = utf8(line + u"\r\n" + line);
    std::string littleEndian = "\xFF\xFE", bigEndian = "\xFE\xFF";
    for (const char16_t c : line + u"\r\n" + line) {
        littleEndian += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
        bigEndian += {static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
    }
    std::string cp932 = "\x82\xb5\x82\xf1\x82\xd4\x82\xf1" + std::string(28, ' ') +
                        "\x82\xdc\x82\xa2\x82\xa0\x82\xb3 \x82\xc6\x82\xc7\x82\xad";
    cp932 += "\r\n" + cp932;
    for (const std::string& bytes : {cp932, "\xEF\xBB\xBF" + utf8Bytes, utf8Bytes, littleEndian, bigEndian}) {
        WordList list;
        RecordingHooks hooks;
        ASSERT_EQ(loadWordList(list, folder.write("MSG.txt", bytes), hooks), 2);
        EXPECT_EQ(list.words[1], word);
        EXPECT_EQ(list.explanations[1], explanation);
        EXPECT_TRUE(hooks.failures.empty());
        EXPECT_TRUE(hooks.unreadableLines.empty());
    }
}

// Characters that could not be decoded are played but pointed out, once, at the first line that stores one; one
// beyond character 159 is never stored and goes unmentioned.
TEST(WordListLoad, PointsOutTheFirstLineThatStoresAnUnreadableCharacter)
{
    TempFolder folder;
    struct Case
    {
        const char* what;
        std::string bytes;
        std::vector<std::int32_t> lines;
    };
    const std::string good = entry("ok", "fine") + "\r\n";
    const Case cases[] = {
        {"clean", good + good, {}},
        {"a bad byte in the word of line 2", good + entry("\x80", "x") + "\r\n" + entry("\xff", "y"), {2}},
        {"a bad byte in an explanation", good + good + entry("w", "e\xfd"), {3}},
        {"a bad byte past character 159", good + entry("w", std::string(127, 'e') + "\x80"), {}},
        {"damaged UTF-8 in a UTF-8 file", "\xEF\xBB\xBF" + good + "\xe3\x81\r\n", {2}},
    };
    for (const auto& c : cases) {
        WordList list;
        RecordingHooks hooks;
        EXPECT_GT(loadWordList(list, folder.write("MSG.txt", c.bytes), hooks), 0) << c.what;
        EXPECT_TRUE(hooks.failures.empty()) << c.what;
        EXPECT_EQ(hooks.unreadableLines, c.lines) << c.what;
    }
}

// The bundled list copied beside the executables must load whole, with playable words.
TEST(DefaultWordList, LoadsAtLeast300HiraganaWordsWithExplanations)
{
    WordList list;
    RecordingHooks hooks;
    const std::int32_t count = loadWordList(list, FURURUPO_SOURCE_DIR "/data/MSG.txt", hooks);
    EXPECT_TRUE(hooks.failures.empty());
    EXPECT_GE(count, 300);
    for (std::int32_t i = 0; i < count; ++i) {
        const auto& word = list.words[static_cast<std::size_t>(i)];
        EXPECT_GE(word.size(), 2u) << i;
        EXPECT_LE(word.size(), 12u) << i;
        for (const char16_t c : word)
            EXPECT_TRUE((c >= u'ぁ' && c <= u'ゖ') || c == u'ー') << "line " << i + 1;
        EXPECT_FALSE(list.explanations[static_cast<std::size_t>(i)].empty()) << i;
    }
}
