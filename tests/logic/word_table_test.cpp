// Word lists written as tables (a .tsv name), and what every list gets before it is cut: line ends by encoding,
// the encoding found wherever the first non-ASCII bytes are, NUL bytes, and kana with combining marks.
#include "logic/kana_composer.h"
#include "logic/kana_marks.h"
#include "logic/word_list.h"

#include "platform/text_reader.h"

#include "support/recording_hooks.h"
#include "support/temp_files.h"
#include "support/word_lines.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace fururupo;
using namespace fururupo::testing;

namespace {

using Bad = std::pair<std::int32_t, LineProblem>;

// One stored entry as the game reads it back.
struct Entry
{
    std::u16string word, reading, explanation;
    bool operator==(const Entry&) const = default;
};

void PrintTo(const Entry& entry, std::ostream* out)
{
    *out << "{" << utf8(entry.word) << " | " << utf8(entry.reading) << " | " << utf8(entry.explanation) << "}";
}

struct Loaded
{
    std::int32_t count = -1;
    std::vector<Entry> entries;
    RecordingHooks hooks;
};

// Loads bytes written under name and reads back the entries the load reports.
std::unique_ptr<Loaded> load(const TempFolder& folder, std::string_view bytes, const std::string& name = "list.tsv")
{
    auto loaded = std::make_unique<Loaded>();
    const auto list = std::make_unique<WordList>();
    loaded->count = loadWordList(*list, folder.write(name, bytes), loaded->hooks);
    for (std::int32_t i = 0; i < loaded->count; ++i)
        loaded->entries.push_back({list->word(i), list->reading(i), list->explanation(i)});
    return loaded;
}

std::string utf16Bytes(std::u16string_view text, bool bigEndian)
{
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t c : text) {
        const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

// Text as code page 932, through the system's converter (the load's own decoder is the thing under test).
std::string cp932Bytes(std::u16string_view text)
{
    const iconv_t cd = iconv_open("CP932", "UTF-16LE");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string in;
    for (const char16_t c : text)
        in += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    std::string out(in.size() * 2 + 8, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    std::size_t inLeft = in.size(), outLeft = out.size();
    EXPECT_NE(iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft), static_cast<std::size_t>(-1));
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

} // namespace

// Without the table's own rules a .tsv would be cut by columns: TABs and all would land in the word.
TEST(WordTable, ReadsOneTwoOrThreeFieldsIntoWordReadingAndExplanation)
{
    TempFolder folder;
    const auto loaded = load(folder, utf8(u"ねこ\n"
                                          u"いぬ\tよく ほえる\n"
                                          u"新聞\tしんぶん\t毎朝 とどく\n"
                                          u"  うま  \t  はしる  \n"
                                          u"カメラ\t\t写す\n"
                                          u"とり\t\t\n"
                                          u"さかな\t \t \n"));
    EXPECT_EQ(loaded->count, 7);
    EXPECT_EQ(loaded->entries, (std::vector<Entry>{{u"ねこ", u"", u""},
                                                   {u"いぬ", u"", u"よく ほえる"},
                                                   {u"新聞", u"しんぶん", u"毎朝 とどく"},
                                                   {u"うま", u"", u"はしる"},
                                                   {u"カメラ", u"", u"写す"},
                                                   {u"とり", u"", u""},
                                                   {u"さかな", u"", u""}}));
    EXPECT_TRUE(loaded->hooks.badLines.empty());
    EXPECT_TRUE(loaded->hooks.failures.empty());
    EXPECT_TRUE(loaded->hooks.unreadableLines.empty());
    EXPECT_EQ(loaded->hooks.yields, 7);
}

// A reading left over from an earlier load would make the player type the wrong kana for a one- or two-field entry.
TEST(WordTable, ClearsTheReadingOfAnEntryWithoutOne)
{
    TempFolder folder;
    const auto list = std::make_unique<WordList>();
    RecordingHooks hooks;
    ASSERT_EQ(loadWordList(*list, folder.write("a.tsv", utf8(u"漢字\tかんじ\t字\n山\tやま\t高い\n")), hooks), 2);
    ASSERT_EQ(loadWordList(*list, folder.write("b.tsv", utf8(u"ねこ\nいぬ\tほえる\n")), hooks), 2);
    EXPECT_EQ(list->reading(0), u"");
    EXPECT_EQ(list->reading(1), u"");
    EXPECT_EQ(list->explanation(1), u"ほえる");
}

// Spreadsheets put a header row first and people comment their lists; neither may become a word to type.
TEST(WordTable, SkipsBlankLinesCommentsAndAHeaderOnlyAsTheFirstRow)
{
    TempFolder folder;
    struct Case
    {
        const char* what;
        std::u16string text;
        std::vector<std::u16string> words;
    };
    const Case cases[] = {
        {"a header in Japanese", u"単語\t読み\t解説\nねこ\n", {u"ねこ"}},
        {"ことば", u"ことば\t説明\nねこ\n", {u"ねこ"}},
        {"言葉, one field", u"言葉\nねこ\n", {u"ねこ"}},
        {"Word in any case", u"WoRdS\texplanation\nねこ\n", {u"ねこ"}},
        {"a header of four fields", u"word\treading\texplanation\tnote\nねこ\n", {u"ねこ"}},
        {"a quoted header", u"\"単語\"\t\"解説\"\nねこ\n", {u"ねこ"}},
        {"after comments and blank lines", u"# my list\n\n   \n\t\t\n単語\nねこ\n", {u"ねこ"}},
        {"only the first row", u"ねこ\nword\n単語\tたんご\t語\n", {u"ねこ", u"word", u"単語"}},
        {"not a header word", u"語\tご\t語\nねこ\n", {u"語", u"ねこ"}},
        {"a comment between entries", u"ねこ\n#いぬ\tほえる\nうま\n", {u"ねこ", u"うま"}},
        {"# only counts first", u" #いぬ\n", {u"#いぬ"}},
        {"blank lines only", u"\n \n\t\n", {}},
    };
    for (const auto& c : cases) {
        const auto loaded = load(folder, utf8(c.text));
        std::vector<std::u16string> words;
        for (const Entry& entry : loaded->entries)
            words.push_back(entry.word);
        EXPECT_EQ(words, c.words) << c.what;
        EXPECT_TRUE(loaded->hooks.badLines.empty()) << c.what;
    }
}

// A list saved from a spreadsheet quotes fields that hold a quote; the quotes are not part of the word.
TEST(WordTable, UnquotesFieldsQuotedAsASpreadsheetWritesThem)
{
    TempFolder folder;
    const auto loaded = load(folder, utf8(u"\"ねこ\"\t\"「にゃあ」と なく\"\n"
                                          u"\"いぬ\"\t\"\"\"ワン\"\"と なく\"\n"
                                          u"  \" うま \"  \t\"\"\n"
                                          u"\"\"\"\"\t\"a \"\" \"\n"
                                          u"と\"り\"\ta\"\n"));
    EXPECT_EQ(loaded->entries, (std::vector<Entry>{{u"ねこ", u"", u"「にゃあ」と なく"},
                                                   {u"いぬ", u"", u"\"ワン\"と なく"},
                                                   {u"うま", u"", u""},
                                                   {u"\"", u"", u"a \""},
                                                   {u"と\"り\"", u"", u"a\""}}));
    EXPECT_TRUE(loaded->hooks.badLines.empty());
}

// A quote a spreadsheet never closed would otherwise become part of the word, which no one then types.
TEST(WordTable, NamesAFieldWhoseQuoteDoesNotCloseAtItsEnd)
{
    TempFolder folder;
    struct Case
    {
        const char* what;
        std::u16string text;
        std::size_t entries;
    };
    const Case cases[] = {
        {"the word", u"\"ねこ\tなく", 0},
        {"the explanation", u"ねこ\t\"なく", 0},
        {"the reading", u"猫\t\"ねこ\tなく", 0},
        {"a quote alone", u"\"", 0},
        {"a doubled quote as the last thing inside", u"\"ねこ\"\"", 0},
        {"text after the closing quote", u"\"ね\"こ", 0},
        {"blanks after the closing quote are trimmed", u"\"ねこ\"   \t\"なく\" ", 1},
        {"a quote inside a field that does not begin with one", u"ね\"こ", 1},
    };
    for (const auto& c : cases) {
        const auto loaded = load(folder, utf8(c.text + u"\n"));
        EXPECT_EQ(loaded->entries.size(), c.entries) << c.what;
        const std::vector<Bad> bad = c.entries ? std::vector<Bad>() : std::vector<Bad>{{1, LineProblem::UnclosedQuote}};
        EXPECT_EQ(loaded->hooks.badLines, bad) << c.what;
    }
}

// A word no key gives in the game's own modes cannot be answered without its reading: it must never be drawn.
TEST(WordTable, LeavesOutAWordThatCannotBeTypedAsShownWhenItHasNoReading)
{
    TempFolder folder;
    struct Case
    {
        const char* what;
        std::u16string text;
        std::vector<Bad> bad;
    };
    const Case cases[] = {
        {"the explanation column forgotten", u"東京\tとうきょう", {{1, LineProblem::NoReading}}},
        {"one column of kanji", u"東京", {{1, LineProblem::NoReading}}},
        {"an empty reading", u"東京\t\t首都", {{1, LineProblem::NoReading}}},
        {"a full-width vowel", u"ＯＬ", {{1, LineProblem::NoReading}}},
        {"with its reading", u"東京\tとうきょう\t首都", {}},
        {"kana, ー and punctuation", u"ラーメン、たべた。", {}},
        {"Latin letters and digits", u"Tシャツ2まい", {}},
        {"full-width consonants and digits", u"ＣＤ１まい", {}},
        {"a longer problem first", u"東京\t" + std::u16string(128, u'説'), {{1, LineProblem::ExplanationTooLong}}},
    };
    for (const auto& c : cases) {
        const auto loaded = load(folder, utf8(c.text + u"\n"));
        EXPECT_EQ(loaded->hooks.badLines, c.bad) << c.what;
        EXPECT_EQ(loaded->entries.size(), c.bad.empty() ? 1u : 0u) << c.what;
    }
}

// Each limit holds at its edge, a line past one is left out without taking a slot, and the player learns of the first
// such line by its line in the file, counting the lines that hold no entry.
TEST(WordTable, LeavesOutBadLinesAndReportsTheFirstByItsLineInTheFile)
{
    TempFolder folder;
    const std::u16string w31(31, u'あ'), r31(31, u'ア'), e127(127, u'説');
    struct Case
    {
        const char* what;
        std::u16string text;
        std::size_t entries;
        std::vector<Bad> bad;
    };
    const Case cases[] = {
        {"every field at its limit", w31 + u"\t" + r31 + u"\t" + e127, 1, {}},
        {"a word one too long", w31 + u"あ", 0, {{1, LineProblem::WordTooLong}}},
        {"a reading one too long", u"字\t" + r31 + u"ア\t説", 0, {{1, LineProblem::ReadingTooLong}}},
        {"an explanation one too long, two fields", u"字\t" + e127 + u"説", 0, {{1, LineProblem::ExplanationTooLong}}},
        {"an explanation one too long, three fields",
         u"字\tじ\t" + e127 + u"説",
         0,
         {{1, LineProblem::ExplanationTooLong}}},
        {"blanks around a field do not count", u"  " + w31 + u"  \t  " + e127 + u"  ", 1, {}},
        {"four fields", u"字\tじ\t説\tもう一つ", 0, {{1, LineProblem::TooManyFields}}},
        {"four fields, the last quoted empty", u"字\tじ\t説\t\"\"", 1, {}},
        {"an empty field between", u"字\tじ\t\t説", 0, {{1, LineProblem::TooManyFields}}},
        {"no word before an explanation", u"\t説", 0, {{1, LineProblem::NoWord}}},
        {"no word before a reading", u"  \tじ\t説", 0, {{1, LineProblem::NoWord}}},
        {"a reading in kanji", u"字\t字\t説", 0, {{1, LineProblem::ReadingNotKana}}},
        {"a reading in Latin letters", u"字\tji\t説", 0, {{1, LineProblem::ReadingNotKana}}},
        {"a reading with a blank inside", u"字\tし ん\t説", 0, {{1, LineProblem::ReadingNotKana}}},
        {"a reading with the spacing mark ゛", u"字\tか゛\t説", 0, {{1, LineProblem::ReadingNotKana}}},
        {"a reading with the middle dot ・", u"字\tア・イ\t説", 0, {{1, LineProblem::ReadingNotKana}}},
        {"a reading with half-width katakana", u"字\tｱ\t説", 0, {{1, LineProblem::ReadingNotKana}}},
        {"every kana a reading may hold", u"字\tぁゖゝゞァヺーヽヾ\t説", 1, {}},
        {"the kana blocks' edges outside",
         u"字\t\u3040\t説\n字\t\u3097\t説\n字\t\u30A0\t説\n字\t\u30FB\t説",
         0,
         {{1, LineProblem::ReadingNotKana}}},
        {"the first of several bad lines, counting blank, comment and header lines",
         u"単語\t解説\n# comment\n\nねこ\t\tなく\n" + w31 + u"あ\n\tx\nいぬ\n",
         2,
         {{5, LineProblem::WordTooLong}}},
    };
    for (const auto& c : cases) {
        for (const char* end : {"\n", "\r\n"}) {
            std::string bytes = utf8(c.text);
            for (std::size_t at = 0; (at = bytes.find('\n', at)) != std::string::npos; at += 2)
                if (std::string_view(end) == "\r\n")
                    bytes.insert(at++, "\r");
            const auto loaded = load(folder, bytes);
            EXPECT_EQ(loaded->entries.size(), c.entries) << c.what;
            EXPECT_EQ(loaded->hooks.badLines, c.bad) << c.what;
            EXPECT_TRUE(loaded->hooks.failures.empty()) << c.what;
        }
    }
    // Entries after a bad line take the slots in order.
    const auto loaded = load(folder, utf8(u"ねこ\n\t説\nいぬ\n"));
    EXPECT_EQ(loaded->entries, (std::vector<Entry>{{u"ねこ", u"", u""}, {u"いぬ", u"", u""}}));
}

// The rule of what needs a reading is written out as ranges; it must say exactly what the keys give, or a word would be
// refused that plays, or drawn that no one can answer. What the keys give: printable ASCII in Latin mode, and in
// either kana mode every spelling the composer knows and whatever one or two keys leave behind once flushed.
TEST(TypedAsShown, AgreesWithWhatTheKeysGiveInTheGamesOwnModes)
{
    std::set<char16_t> typed;
    for (char16_t key = u' '; key <= u'~'; ++key)
        typed.insert(key);
    for (const Script script : {Script::Hiragana, Script::Katakana}) {
        for (const RomajiSpelling& spelling : romajiSpellings())
            for (const char16_t c :
                 script == Script::Hiragana ? std::u16string(spelling.kana) : toKatakana(spelling.kana))
                typed.insert(c);
        for (char16_t first = u' '; first <= u'~'; ++first) {
            // A second key matters only after a first that left letters pending.
            for (char16_t second = 0; second <= u'~'; second = second == 0 ? u' ' : second + 1) {
                KanaComposer composer;
                composer.setScript(script);
                std::u16string out = composer.feed(first);
                if (second != 0 && composer.pending().empty())
                    break;
                if (second != 0)
                    out += composer.feed(second);
                out += composer.flush();
                typed.insert(out.begin(), out.end());
            }
        }
    }
    std::u16string wrong;
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const char16_t unit = static_cast<char16_t>(c);
        if (typedAsShown(std::u16string(1, unit)) != typed.count(unit))
            wrong += unit;
    }
    EXPECT_EQ(utf8(wrong), "");
    EXPECT_TRUE(typedAsShown(u""));
    EXPECT_FALSE(typedAsShown(u"ねこ\U0001F431"));
}

// The two reasons added for tables, as the game screen words them.
TEST(WordTable, DescribesALineWithoutItsReadingOrWithAnOpenQuote)
{
    EXPECT_EQ(utf8(describeBadLine(3, LineProblem::NoReading, u"/l/a.tsv")),
              utf8(u"単語ファイルの3行目を飛ばしました（読みがありません）：/l/a.tsv"));
    EXPECT_EQ(utf8(describeBadLine(12, LineProblem::UnclosedQuote, u"b.tsv")),
              utf8(u"単語ファイルの12行目を飛ばしました（引用符（\"）が閉じていません）：b.tsv"));
}

// A spreadsheet pads its rows with blanks and empty columns, and decomposed kana take two characters each: a line is
// judged by its fields once trimmed, emptied and joined, and a field too long is named as the field it is.
TEST(WordTable, JudgesALongLineByItsFieldsNotByItsBytes)
{
    TempFolder folder;
    const std::string blanks(3 * SequentialTextReader::pieceBytes, ' ');
    const std::string tabs(3 * SequentialTextReader::pieceBytes, '\t');
    std::u16string decomposed; // 31 kana, 62 characters before they are joined
    for (int i = 0; i < 31; ++i)
        decomposed += u"か\u3099";
    std::u16string longDecomposed; // 127 kana
    for (int i = 0; i < 127; ++i)
        longDecomposed += u"は\u309A";
    struct Case
    {
        const char* what;
        std::string bytes;
        std::vector<Entry> entries;
        std::vector<Bad> bad;
    };
    const Case cases[] = {
        {"blanks after the word", "w" + blanks + "\te\n", {{u"w", u"", u"e"}}, {}},
        {"empty columns after the explanation", "w\te" + tabs + "\n", {{u"w", u"", u"e"}}, {}},
        {"blanks inside the quotes", "\"" + blanks + "w\"\t" + blanks + "\n", {{u"w", u"", u""}}, {}},
        {"every field at its limit in decomposed kana",
         utf8(decomposed + u"\t" + decomposed + u"\t" + longDecomposed) + "\n",
         {{std::u16string(31, u'が'), std::u16string(31, u'が'), std::u16string(127, u'ぱ')}},
         {}},
        {"a long word", std::string(5000, 'w') + "\te\n", {}, {{1, LineProblem::WordTooLong}}},
        {"a long reading",
         utf8(u"字\t" + std::u16string(2000, u'じ') + u"\t説") + "\n",
         {},
         {{1, LineProblem::ReadingTooLong}}},
        {"a long explanation", "w\t" + std::string(5000, 'e') + "\n", {}, {{1, LineProblem::ExplanationTooLong}}},
        {"blanks inside an explanation count",
         "w\te" + std::string(127, ' ') + "e\n",
         {},
         {{1, LineProblem::ExplanationTooLong}}},
        {"a field after many empty ones", "w\tr" + tabs + "x\n", {}, {{1, LineProblem::TooManyFields}}},
        {"a long comment", "#" + blanks + "x\n", {}, {}},
    };
    for (const auto& c : cases) {
        const auto loaded = load(folder, c.bytes + "ok\n");
        EXPECT_EQ(loaded->hooks.badLines, c.bad) << c.what;
        std::vector<Entry> expected = c.entries;
        expected.push_back({u"ok", u"", u""});
        EXPECT_EQ(loaded->entries, expected) << c.what;
    }
}

// 1001 entries fit however many lines hold no entry; the 1002nd entry fails the load as in any list.
TEST(WordTable, Holds1001EntriesAndFailsOnThe1002nd)
{
    TempFolder folder;
    std::string bytes = "word\texplanation\n";
    for (int i = 0; i < 1001; ++i)
        bytes += "w" + std::to_string(i) + "\te" + std::to_string(i) + "\n# comment\n\n";
    auto loaded = load(folder, bytes + "\tbad\n");
    EXPECT_EQ(loaded->count, 1001);
    EXPECT_TRUE(loaded->hooks.failures.empty());
    EXPECT_EQ(loaded->hooks.badLines, (std::vector<Bad>{{3005, LineProblem::NoWord}}));
    EXPECT_EQ(loaded->entries.back(), (Entry{u"w1000", u"", u"e1000"}));

    loaded = load(folder, bytes + "one more\n");
    EXPECT_EQ(loaded->count, 0);
    EXPECT_EQ(loaded->hooks.failures,
              (std::vector<std::pair<std::int32_t, LoadFailure>>{{1001, LoadFailure::TooManyLines}}));
}

// The reasons a file cannot be loaded at all hold for a table as for any list.
TEST(WordTable, FailsForTheSameReasonsAsAnyList)
{
    TempFolder folder;
    WordList list;
    RecordingHooks hooks;
    EXPECT_EQ(loadWordList(list, folder.path() / "missing.tsv", hooks), 0);
    std::filesystem::create_directory(folder.path() / "folder.tsv");
    EXPECT_EQ(loadWordList(list, folder.path() / "folder.tsv", hooks), 0);
    const auto large = folder.write("large.TSV", "x");
    std::filesystem::resize_file(large, SequentialTextReader::maxFileBytes + 1);
    EXPECT_EQ(loadWordList(list, large, hooks), 0);
    EXPECT_EQ(hooks.failures, (std::vector<std::pair<std::int32_t, LoadFailure>>{
                                  {0, LoadFailure::Missing}, {0, LoadFailure::Missing}, {0, LoadFailure::TooLarge}}));
}

// A table saved by any editor reads the same: UTF-8 with or without its mark, UTF-16 either way round, code page
// 932, each with LF or CR LF line ends.
TEST(WordTable, ReadsTheSameEntriesInEveryEncodingWithEitherLineEnd)
{
    TempFolder folder;
    const std::u16string rows[] = {u"単語\t読み\t解説", u"# コメント", u"新聞\tしんぶん\t毎朝 とどく",
                                   u"ねこ\t\"なく\""};
    const std::vector<Entry> expected{{u"新聞", u"しんぶん", u"毎朝 とどく"}, {u"ねこ", u"", u"なく"}};
    for (const std::u16string end : {u"\n", u"\r\n"}) {
        std::u16string text;
        for (const auto& row : rows)
            text += row + end;
        const std::pair<const char*, std::string> files[] = {
            {"UTF-8", utf8(text)},
            {"UTF-8 with its mark", "\xEF\xBB\xBF" + utf8(text)},
            {"UTF-16LE", utf16Bytes(text, false)},
            {"UTF-16BE", utf16Bytes(text, true)},
            {"code page 932", cp932Bytes(text)},
        };
        for (const auto& [what, bytes] : files) {
            const auto loaded = load(folder, bytes);
            EXPECT_EQ(loaded->entries, expected) << what << (end.size() == 1 ? ", LF" : ", CR LF");
            EXPECT_TRUE(loaded->hooks.badLines.empty()) << what;
            EXPECT_TRUE(loaded->hooks.unreadableLines.empty()) << what;
            EXPECT_EQ(loaded->hooks.yields, 4) << what;
        }
    }
}

// A list that starts with a long stretch of ASCII (comments, Latin words) is still read as the UTF-8 it is.
TEST(WordTable, FindsUtf8PastAFirstBlockOfAscii)
{
    TempFolder folder;
    std::string ascii;
    while (ascii.size() <= SequentialTextReader::blockBytes)
        ascii += "# a comment in plain ASCII, long enough to fill the first block of the file\n";
    const auto table = load(folder, ascii + "english\n" + utf8(u"しんぶん\t毎朝 とどく\n"));
    EXPECT_EQ(table->entries, (std::vector<Entry>{{u"english", u"", u""}, {u"しんぶん", u"", u"毎朝 とどく"}}));
    EXPECT_TRUE(table->hooks.unreadableLines.empty());

    // The same in fixed columns: the line feeds of a UTF-8 list end its lines too.
    std::string fixed;
    for (int i = 0; fixed.size() <= SequentialTextReader::blockBytes; ++i)
        fixed += entry("w" + std::to_string(i), std::string(120, 'a')) + "\n";
    const auto columns = load(folder, fixed + utf8(u"しんぶん") + "\n", "MSG.txt");
    ASSERT_FALSE(columns->entries.empty());
    EXPECT_EQ(columns->entries.back().word, u"しんぶん");
    EXPECT_EQ(columns->entries.front(), (Entry{u"w0", u"", std::u16string(120, u'a')}));
    EXPECT_TRUE(columns->hooks.unreadableLines.empty());
}

// A UTF-16 list saved without its mark is read as bytes full of NULs; the player must hear of it at line 1, where
// the damage starts, not at some later line.
TEST(WordTable, ReportsAUtf16ListWithoutItsMarkAtLine1)
{
    TempFolder folder;
    // Line 1 is kana alone, so in little endian its only NUL is the high half of its CR; these kana give no byte above
    // 0x7F, so no replacement character shows the damage either.
    const std::u16string text = u"あいうえお\r\nねこ\tなく\r\n";
    for (const bool bigEndian : {false, true}) {
        const std::string bytes = utf16Bytes(text, bigEndian).substr(2);
        for (const char* name : {"list.tsv", "MSG.txt"}) {
            const auto loaded = load(folder, bytes, name);
            EXPECT_EQ(loaded->hooks.unreadableLines, (std::vector<std::int32_t>{1})) << name << " " << bigEndian;
            EXPECT_TRUE(loaded->hooks.failures.empty()) << name;
        }
    }
    // A NUL in a later line of a UTF-8 list names that line.
    const auto loaded = load(folder, std::string("ok\nfine\nn\0l\n", 12));
    EXPECT_EQ(loaded->hooks.unreadableLines, (std::vector<std::int32_t>{3}));
}

// Decomposed kana, as some programs save them, must play as the kana they show; a mark after anything else, and the
// spacing marks, stay as they are.
TEST(KanaMarks, JoinsKanaAndCombiningMarksAsNfcDoes)
{
    struct Case
    {
        std::u16string text;
        std::u16string composed;
    };
    const Case cases[] = {
        {u"か\u3099", u"が"},
        {u"は\u309Aは\u3099ほ\u309A", u"ぱばぽ"},
        {u"う\u3099ウ\u3099", u"ゔヴ"},
        {u"ワ\u3099ヰ\u3099ヱ\u3099ヲ\u3099", u"ヷヸヹヺ"},
        {u"ゝ\u3099ヽ\u3099", u"ゞヾ"},
        {u"つ\u3099テ\u3099と\u3099", u"づデど"},
        {u"か\u309A", u"か\u309A"},       // no semi-voiced か
        {u"あ\u3099", u"あ\u3099"},       // no voiced あ
        {u"が\u3099", u"が\u3099"},       // already voiced
        {u"か\u3099\u3099", u"が\u3099"}, // one mark per kana
        {u"\u3099か", u"\u3099か"},       // a mark with nothing before it
        {u"k\u3099", u"k\u3099"},         // after a Latin letter
        {u"か゛は゜", u"か゛は゜"},       // spacing marks stay
        {u"ｶ\u3099", u"ｶ\u3099"},         // half-width katakana are not composed by NFC either
        {u"しんふ\u3099ん", u"しんぶん"},
        {u"", u""},
    };
    for (const auto& c : cases) {
        std::u16string text = c.text;
        composeKanaMarks(text);
        EXPECT_EQ(text, c.composed) << utf8(c.text);
    }
}

// The marks are joined before a line is cut, so a decomposed word counts its characters as the player sees them.
TEST(KanaMarks, AreJoinedBeforeALineIsCutInEitherFormat)
{
    TempFolder folder;
    std::u16string decomposed;
    for (int i = 0; i < 31; ++i)
        decomposed += u"か\u3099";
    auto loaded = load(folder, utf8(decomposed + u"\tか\u3099か\u3099\tは\u309Aン\n"));
    EXPECT_EQ(loaded->entries, (std::vector<Entry>{{std::u16string(31, u'が'), u"がが", u"ぱン"}}));
    EXPECT_TRUE(loaded->hooks.badLines.empty());

    loaded = load(folder, utf8(decomposed + u" ふ\u3099ん\r\n"), "MSG.txt");
    EXPECT_EQ(loaded->entries, (std::vector<Entry>{{std::u16string(31, u'が'), u"", u"ぶん"}}));
}

// The table shipped with the game is the same list as MSG.txt, so either plays the same words.
TEST(DefaultWordList, TheTableHoldsTheSameEntriesAsTheFixedColumns)
{
    TempFolder folder;
    const auto list = std::make_unique<WordList>();
    const auto table = std::make_unique<WordList>();
    RecordingHooks hooks, tableHooks;
    const std::int32_t count = loadWordList(*list, FURURUPO_SOURCE_DIR "/data/MSG.txt", hooks);
    EXPECT_EQ(count, 554);
    EXPECT_EQ(loadWordList(*table, FURURUPO_SOURCE_DIR "/data/words.tsv", tableHooks), count);
    EXPECT_TRUE(tableHooks.failures.empty());
    EXPECT_TRUE(tableHooks.badLines.empty());
    EXPECT_TRUE(tableHooks.unreadableLines.empty());
    for (std::int32_t i = 0; i < count; ++i) {
        EXPECT_EQ(utf8(table->word(i)), utf8(list->word(i))) << "entry " << i + 1;
        EXPECT_EQ(utf8(table->explanation(i)), utf8(list->explanation(i))) << "entry " << i + 1;
    }
}
