#include "logic/kana_composer.h"

#include "support/word_lines.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace fururupo {
namespace {

using testing::utf8;

// Types every key of an ASCII string, then flushes, and returns all that was committed.
std::u16string typeAndFlush(KanaComposer& composer, std::string_view keys)
{
    std::u16string committed;
    for (const char key : keys)
        committed += composer.feed(static_cast<char16_t>(static_cast<unsigned char>(key)));
    return committed + composer.flush();
}

std::u16string typeAndFlush(std::string_view keys)
{
    KanaComposer composer;
    return typeAndFlush(composer, keys);
}

// What each key of an ASCII string commits, one entry per key, with no flush at the end.
std::vector<std::u16string> commitsPerKey(KanaComposer& composer, std::string_view keys)
{
    std::vector<std::u16string> commits;
    for (const char key : keys)
        commits.push_back(composer.feed(static_cast<char16_t>(key)));
    return commits;
}

TEST(KanaComposer, TypesWordsInEveryCommonSpelling)
{
    // clang-format off
    const std::vector<std::pair<std::string_view, std::u16string_view>> rows = {
        // Hepburn, Kunrei and Nihon-shiki spellings of the same words.
        {"shinbun", u"しんぶん"}, {"sinbun", u"しんぶん"}, {"kanji", u"かんじ"}, {"kanzi", u"かんじ"},
        {"kanojo", u"かのじょ"}, {"kanozyo", u"かのじょ"}, {"kanojyo", u"かのじょ"}, {"tsukue", u"つくえ"},
        {"tukue", u"つくえ"}, {"fuji", u"ふじ"}, {"huzi", u"ふじ"}, {"hudi", u"ふぢ"}, {"tidimu", u"ちぢむ"},
        {"tudukeru", u"つづける"}, {"tsudzukeru", u"つづける"}, {"shashin", u"しゃしん"}, {"syasin", u"しゃしん"},
        {"sixyasin", u"しゃしん"}, {"jisho", u"じしょ"}, {"zisyo", u"じしょ"}, {"jyuusho", u"じゅうしょ"},
        {"kyouryuu", u"きょうりゅう"}, {"hyakuen", u"ひゃくえん"}, {"myaku", u"みゃく"}, {"ryokou", u"りょこう"},
        {"byouin", u"びょういん"}, {"pyonpyon", u"ぴょんぴょん"}, {"gyuunyuu", u"ぎゅうにゅう"},
        // っ from a doubled consonant or its own spelling.
        {"gakkou", u"がっこう"}, {"matcha", u"まっちゃ"}, {"maccha", u"まっちゃ"}, {"mattya", u"まっちゃ"},
        {"tyotto", u"ちょっと"}, {"chotto", u"ちょっと"}, {"cyotto", u"ちょっと"}, {"zasshi", u"ざっし"},
        {"happa", u"はっぱ"}, {"beddo", u"べっど"}, {"kippu", u"きっぷ"}, {"saffu", u"さっふ"}, {"yyaa", u"っやあ"},
        {"kkk", u"っっｋ"}, {"xtu", u"っ"}, {"ltu", u"っ"}, {"xtsu", u"っ"}, {"ltsu", u"っ"},
        // ん: "nn" is complete by itself, so "onna" is おんあ.
        {"konnya", u"こんや"}, {"kon'ya", u"こんや"}, {"konnnya", u"こんにゃ"}, {"hun'iki", u"ふんいき"},
        {"funniki", u"ふんいき"}, {"onna", u"おんあ"}, {"onnna", u"おんな"}, {"on'na", u"おんな"}, {"xn", u"ん"},
        {"kaxnji", u"かんじ"},
        // Foreign sounds and small kana.
        {"sheru", u"しぇる"}, {"chero", u"ちぇろ"}, {"jetto", u"じぇっと"}, {"faito", u"ふぁいと"},
        {"fi-ru", u"ふぃーる"}, {"fesu", u"ふぇす"}, {"fo-ku", u"ふぉーく"}, {"pa-thi-", u"ぱーてぃー"},
        {"dhisuku", u"でぃすく"}, {"twu", u"とぅ"}, {"uxisuki-", u"うぃすきー"}, {"whisuki-", u"うぃすきー"},
        {"wesuto", u"うぇすと"}, {"wo", u"を"}, {"vaiorin", u"ゔぁいおりん"}, {"lyu", u"ゅ"}, {"xwa", u"ゎ"},
        {"xka", u"ゕ"}, {"lke", u"ゖ"},
    };
    // clang-format on
    for (const auto& [keys, expected] : rows)
        EXPECT_EQ(utf8(typeAndFlush(keys)), utf8(expected)) << "keys: " << keys;
}

TEST(KanaComposer, TurnsPunctuationAndOtherAsciiIntoFullWidthText)
{
    // clang-format off
    const std::vector<std::pair<std::string_view, std::u16string_view>> rows = {
        {"ra-men", u"らーめん"}, {"a,i.", u"あ、い。"}, {"[ka]", u"「か」"}, {"a/i", u"あ・い"},
        {"123", u"１２３"}, {"a!?", u"あ！？"}, {"a b", u"あ\u3000ｂ"}, {"~@#", u"～＠＃"},
        {"z[z]", u"『』"}, {"z-z.z,", u"〜…‥"}, {"'", u"＇"}, {"n-", u"んー"},
        {"n.", u"ん。"}, {"n1", u"ん１"}, {"k1", u"ｋ１"}, {"ky,", u"ｋｙ、"},
    };
    // clang-format on
    for (const auto& [keys, expected] : rows)
        EXPECT_EQ(utf8(typeAndFlush(keys)), utf8(expected)) << "keys: " << keys;
}

// Letters that lead to no kana must reach the text as letters, or a typo would silently vanish.
TEST(KanaComposer, CommitsLettersThatCannotBecomeKanaAsFullWidthLatin)
{
    EXPECT_EQ(utf8(typeAndFlush("kqa")), utf8(u"ｋくぁ"));
    EXPECT_EQ(utf8(typeAndFlush("tsk")), utf8(u"ｔｓｋ"));
    EXPECT_EQ(utf8(typeAndFlush("xtsk")), utf8(u"ｘｔｓｋ"));
    EXPECT_EQ(utf8(typeAndFlush("vk")), utf8(u"ｖｋ"));
    EXPECT_EQ(utf8(typeAndFlush("Qz1")), utf8(u"Ｑｚ１"));
}

TEST(KanaComposer, HoldsLettersAsPendingUntilAKeyDecidesThem)
{
    KanaComposer composer;
    EXPECT_EQ(commitsPerKey(composer, "kanji"), (std::vector<std::u16string>{u"", u"か", u"", u"ん", u"じ"}));
    EXPECT_EQ(composer.pending(), u"");

    EXPECT_EQ(commitsPerKey(composer, "gakk"), (std::vector<std::u16string>{u"", u"が", u"", u"っ"}));
    EXPECT_EQ(composer.pending(), u"k");

    composer.reset();
    EXPECT_EQ(commitsPerKey(composer, "xts"), (std::vector<std::u16string>{u"", u"", u""}));
    EXPECT_EQ(composer.pending(), u"xts");
    EXPECT_EQ(composer.feed(u'u'), u"っ");

    EXPECT_EQ(commitsPerKey(composer, "n"), (std::vector<std::u16string>{u""}));
    EXPECT_EQ(composer.pending(), u"n");
    EXPECT_EQ(composer.feed(u'n'), u"ん");
    EXPECT_EQ(composer.pending(), u"");
}

TEST(KanaComposer, ComposesUpperCaseLikeLowerCaseButShowsItAsTyped)
{
    KanaComposer composer;
    EXPECT_EQ(composer.feed(u'S'), u"");
    EXPECT_EQ(composer.feed(u'H'), u"");
    EXPECT_EQ(composer.pending(), u"SH");
    EXPECT_EQ(composer.feed(u'I'), u"し");
    EXPECT_EQ(utf8(typeAndFlush(composer, "NBUN")), utf8(u"んぶん"));
    EXPECT_EQ(utf8(typeAndFlush(composer, "GaKkOu")), utf8(u"がっこう"));
    EXPECT_EQ(utf8(typeAndFlush(composer, "Ky")), utf8(u"Ｋｙ"));
}

TEST(KanaComposer, FlushFinishesPendingLettersAndLeavesNothing)
{
    KanaComposer composer;
    EXPECT_EQ(composer.flush(), u"");

    composer.feed(u'n');
    EXPECT_EQ(composer.flush(), u"ん");
    EXPECT_EQ(composer.pending(), u"");

    composer.feed(u'k');
    composer.feed(u'y');
    EXPECT_EQ(composer.flush(), u"ｋｙ");
    EXPECT_EQ(composer.pending(), u"");
    EXPECT_EQ(composer.flush(), u"");
}

TEST(KanaComposer, BackspaceRemovesOnlyPendingLetters)
{
    KanaComposer composer;
    EXPECT_FALSE(composer.backspace());

    composer.feed(u'k');
    composer.feed(u'y');
    EXPECT_TRUE(composer.backspace());
    EXPECT_EQ(composer.pending(), u"k");
    EXPECT_EQ(composer.feed(u'a'), u"か");

    // Committed text belongs to the box: backspace after a commit must leave it to the caller.
    EXPECT_FALSE(composer.backspace());

    composer.feed(u'n');
    EXPECT_TRUE(composer.backspace());
    EXPECT_FALSE(composer.backspace());
    EXPECT_EQ(composer.feed(u'a'), u"あ");
}

TEST(KanaComposer, ResetDropsPendingLettersWithoutCommittingThem)
{
    KanaComposer composer;
    composer.feed(u'n');
    composer.reset();
    EXPECT_EQ(composer.pending(), u"");
    EXPECT_EQ(composer.flush(), u"");
    EXPECT_EQ(composer.feed(u'a'), u"あ");
}

TEST(KanaComposer, IgnoresControlCharactersAndPassesOtherTextThrough)
{
    KanaComposer composer;
    composer.feed(u'k');
    EXPECT_EQ(composer.feed(u'\n'), u"");
    EXPECT_EQ(composer.feed(u'\x7F'), u"");
    EXPECT_EQ(composer.pending(), u"k");
    EXPECT_EQ(composer.feed(u'a'), u"か");

    composer.feed(u'n');
    EXPECT_EQ(composer.feed(u'語'), u"ん語");
}

TEST(KanaComposer, CommitsKatakanaInKatakanaMode)
{
    KanaComposer composer;
    composer.setScript(Script::Katakana);
    EXPECT_EQ(composer.script(), Script::Katakana);
    EXPECT_EQ(utf8(typeAndFlush(composer, "ko-hi-")), utf8(u"コーヒー"));
    EXPECT_EQ(utf8(typeAndFlush(composer, "vaiorin")), utf8(u"ヴァイオリン"));
    EXPECT_EQ(utf8(typeAndFlush(composer, "kitte,xkaq")), utf8(u"キッテ、ヵｑ"));

    composer.setScript(Script::Hiragana);
    EXPECT_EQ(utf8(typeAndFlush(composer, "ko-hi-")), utf8(u"こーひー"));
}

// Types every key of an ASCII string for a shown word, each key told what the box holds, with no flush at the end.
std::u16string typeForWord(KanaComposer& composer, std::u16string_view word, std::string_view keys)
{
    std::u16string committed;
    for (const char key : keys)
        committed += composer.feed(static_cast<char16_t>(key), word, committed);
    return committed;
}

struct WordTyping
{
    std::u16string_view word;
    std::string_view keys;
    std::u16string_view committed;
    std::string_view pending;
};

// Without the early ん a word ending in ん would wait for one more key, and the Enter after "shinbun" would be lost.
TEST(KanaComposerForAWord, CommitsALoneNAtOnceBeforeAConsonantOrTheEnd)
{
    // clang-format off
    const std::vector<WordTyping> rows = {
        {u"しんぶん", "shinbun", u"しんぶん", ""}, {u"しんぶん", "sinbun", u"しんぶん", ""},
        {u"かんじ", "kan", u"かん", ""}, {u"かんじ", "kanji", u"かんじ", ""}, {u"ほん", "hon", u"ほん", ""},
        {u"てんき", "tenki", u"てんき", ""}, {u"さんっ", "san", u"さん", ""}, {u"ぺんぎん", "pengin", u"ぺんぎん", ""},
        {u"さんぽ", "SaNpo", u"さんぽ", ""}, {u"みかん", "mikan", u"みかん", ""},
        // Before a vowel, y, the n row or another ん the lone n still waits, as without a word.
        {u"おんな", "on", u"お", "n"}, {u"おんな", "onnna", u"おんな", ""}, {u"おんな", "on'na", u"おんな", ""},
        {u"おんな", "onna", u"おんあ", ""}, {u"ほんや", "honya", u"ほにゃ", ""}, {u"ほんや", "honnya", u"ほんや", ""},
        {u"きんい", "kinni", u"きんい", ""}, {u"きんい", "kini", u"きに", ""}, {u"ほんね", "hon", u"ほ", "n"},
        {u"ほんん", "honnn", u"ほんん", ""}, {u"ほん。", "hon", u"ほ", "n"}, {u"ほんー", "hon-", u"ほんー", ""},
        // Only when the word goes on with ん: a lone n that starts な stays pending.
        {u"なつ", "n", u"", "n"}, {u"しな", "shin", u"し", "n"}, {u"かに", "kan", u"か", "n"},
        // Only for the word's own script, and only while the box holds a prefix of it.
        {u"シンブン", "shin", u"し", "n"}, {u"かんじ", "kenji", u"けんじ", ""}, {u"かんじ", "ken", u"け", "n"},
    };
    // clang-format on
    for (const auto& row : rows) {
        KanaComposer composer;
        EXPECT_EQ(utf8(typeForWord(composer, row.word, row.keys)), utf8(row.committed))
            << "word: " << utf8(row.word) << ", keys: " << row.keys;
        EXPECT_EQ(utf8(composer.pending()), row.pending) << "word: " << utf8(row.word) << ", keys: " << row.keys;
    }

    KanaComposer katakana;
    katakana.setScript(Script::Katakana);
    EXPECT_EQ(utf8(typeForWord(katakana, u"シンブン", "shinbun")), utf8(u"シンブン"));
    EXPECT_EQ(katakana.pending(), u"");
}

// A player used to "nn" must not get an extra ん from the second n.
TEST(KanaComposerForAWord, SwallowsTheNOrApostropheRightAfterAnEarlyN)
{
    // clang-format off
    const std::vector<WordTyping> rows = {
        {u"しんぶん", "shinbunn", u"しんぶん", ""}, {u"しんぶん", "shinnbunn", u"しんぶん", ""},
        {u"しんぶん", "shin'bun'", u"しんぶん", ""}, {u"かんじ", "kannji", u"かんじ", ""}, {u"かんじ", "kaNNji", u"かんじ", ""},
        // Only the one key right after: a third n is a letter of its own.
        {u"しんぶん", "shinnnbun", u"しんんぶ", "n"}, {u"かんじ", "kannnji", u"かんんじ", ""},
    };
    // clang-format on
    for (const auto& row : rows) {
        KanaComposer composer;
        EXPECT_EQ(utf8(typeForWord(composer, row.word, row.keys)), utf8(row.committed))
            << "word: " << utf8(row.word) << ", keys: " << row.keys;
        EXPECT_EQ(utf8(composer.pending()), row.pending) << "word: " << utf8(row.word) << ", keys: " << row.keys;
    }
}

TEST(KanaComposerForAWord, CommitsTheEarlyNOnTheNKeyItself)
{
    KanaComposer composer;
    std::vector<std::u16string> commits;
    std::u16string committed;
    for (const char key : std::string_view("shinbun")) {
        commits.push_back(composer.feed(static_cast<char16_t>(key), u"しんぶん", committed));
        committed += commits.back();
    }
    EXPECT_EQ(commits, (std::vector<std::u16string>{u"", u"", u"し", u"ん", u"", u"ぶ", u"ん"}));
}

// After the player deletes an early ん, the n they type again must count instead of being swallowed.
TEST(KanaComposerForAWord, StopsSwallowingAfterBackspaceFlushOrReset)
{
    KanaComposer composer;
    std::u16string committed = typeForWord(composer, u"かんじ", "kan");
    ASSERT_EQ(committed, u"かん");
    EXPECT_FALSE(composer.backspace());
    committed.pop_back();
    committed += composer.feed(u'n', u"かんじ", committed);
    EXPECT_EQ(utf8(committed), utf8(u"かん"));

    composer.reset();
    EXPECT_EQ(utf8(composer.feed(u'n', u"ん", u"")), utf8(u"ん"));
    composer.reset();
    EXPECT_EQ(composer.feed(u'n', u"んな", u"ん"), u"");
    EXPECT_EQ(composer.pending(), u"n");

    composer.reset();
    EXPECT_EQ(utf8(composer.feed(u'n', u"ん", u"")), utf8(u"ん"));
    EXPECT_EQ(composer.flush(), u"");
    EXPECT_EQ(composer.feed(u'n', u"んな", u"ん"), u"");
    EXPECT_EQ(composer.pending(), u"n");

    // The plain feed knows no word and swallows nothing either.
    composer.reset();
    EXPECT_EQ(utf8(composer.feed(u'n', u"ん", u"")), utf8(u"ん"));
    EXPECT_EQ(composer.feed(u'n'), u"");
    EXPECT_EQ(composer.pending(), u"n");
}

TEST(KanaComposer, ToKatakanaShiftsOnlyTheHiraganaBlock)
{
    EXPECT_EQ(utf8(toKatakana(u"ひらがなー、ゔぁっ")), utf8(u"ヒラガナー、ヴァッ"));
    EXPECT_EQ(utf8(toKatakana(u"\u3041\u3096")), utf8(u"\u30A1\u30F6"));
    EXPECT_EQ(utf8(toKatakana(u"\u3040\u3097ゝカａ")), utf8(u"\u3040\u3097ゝカａ"));
    EXPECT_EQ(toKatakana(u""), u"");
}

// Every kana a word can contain must be typable; a missing table row would make some words impossible to finish.
TEST(KanaComposer, CanTypeEveryHiraganaAndSmallKana)
{
    std::set<char16_t> produced;
    const std::string alphabet = "abcdefghijklmnopqrstuvwxyz'";
    std::string keys;
    auto collect = [&](const std::string& k) {
        for (const char16_t c : typeAndFlush(k))
            produced.insert(c);
    };
    for (const char a : alphabet) {
        collect(std::string{a});
        for (const char b : alphabet) {
            collect(std::string{a, b});
            for (const char c : alphabet)
                collect(std::string{a, b, c});
        }
    }

    std::u16string missing;
    for (char16_t kana = u'あ'; kana <= u'ん'; ++kana)
        if (!produced.count(kana))
            missing += kana;
    for (const char16_t kana : std::u16string_view(u"ぁぃぅぇぉっゃゅょゎゕゖゔ"))
        if (!produced.count(kana))
            missing += kana;
    EXPECT_EQ(utf8(missing), "");
}

} // namespace
} // namespace fururupo
