#include "logic/romaji_guide.h"

#include "logic/kana_composer.h"

#include "support/bundled_lists.h"
#include "support/word_lines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fururupo {
namespace {

using testing::utf8;

// Decodes UTF-8 of the Basic Multilingual Plane, which is all the bundled list holds.
std::u16string utf16(std::string_view text)
{
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const std::size_t length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : 3;
        char32_t c = length == 1 ? byte : length == 2 ? byte & 0x1F : byte & 0x0F;
        for (std::size_t k = 1; k < length && i + k < text.size(); ++k)
            c = c << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        out += static_cast<char16_t>(c);
        i += length;
    }
    return out;
}

// The first column of data/words.tsv, the list the game ships with.
std::vector<std::u16string> bundledWords()
{
    std::ifstream file(FURURUPO_SOURCE_DIR "/data/words.tsv", std::ios::binary);
    std::vector<std::u16string> words;
    for (std::string line; std::getline(file, line);) {
        line = line.substr(0, line.find('\t'));
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            words.push_back(utf16(line));
    }
    return words;
}

// The input box as the guide sees it: a composer told the shown word, the committed text, and a guide following the
// keys.
struct Box
{
    explicit Box(std::u16string_view shown, Script script = Script::Hiragana) : word(shown)
    {
        composer.setScript(script);
    }

    void press(char16_t key)
    {
        const std::u16string before = composer.pending();
        committed += composer.feed(key, word, committed);
        guide.follow(before, key);
    }

    void type(std::string_view keys)
    {
        for (const char key : keys)
            press(static_cast<char16_t>(key));
    }

    void type(std::u16string_view keys)
    {
        for (const char16_t key : keys)
            press(key);
    }

    // F7 as the input box takes it: the pending letters are committed as they stand, then the mode changes.
    void switchTo(Script script)
    {
        if (!composer.pending().empty())
            committed += composer.flush();
        composer.setScript(script);
    }

    // A key typed in the mode of the word's next kana to commit, switching first when the box is in the other one, as
    // RomajiHint::rest expects of the player.
    void pressInItsScript(char16_t key)
    {
        if (committed.size() < word.size()) {
            const char16_t ahead = word[committed.size()];
            const Script wanted = ahead >= u'\u3041' && ahead <= u'\u3096'   ? Script::Hiragana
                                  : ahead >= u'\u30A1' && ahead <= u'\u30FA' ? Script::Katakana
                                                                             : composer.script();
            if (wanted != composer.script())
                switchTo(wanted);
        }
        press(key);
    }

    void typeInItsScripts(std::string_view keys)
    {
        for (const char key : keys)
            pressInItsScript(static_cast<char16_t>(key));
    }

    void typeInItsScripts(std::u16string_view keys)
    {
        for (const char16_t key : keys)
            pressInItsScript(key);
    }

    RomajiHint hint() const { return guide.hint(word, committed, composer.pending()); }

    // Types the guide's next key, again and again, until it shows nothing more; false if it ever shows a mistake.
    bool followGuideToTheEnd()
    {
        for (std::size_t keys = 0; keys <= 4 * word.size() + 4; ++keys) {
            const RomajiHint next = hint();
            if (next.mistaken())
                return false;
            if (next.rest.empty())
                return true;
            press(next.rest.front());
        }
        return false;
    }

    std::u16string word;
    KanaComposer composer;
    std::u16string committed;
    RomajiGuide guide;
};

std::string describe(const Box& box)
{
    return "word " + utf8(box.word) + ", committed " + utf8(box.committed) + ", pending " +
           utf8(box.composer.pending());
}

// A reading may mix hiragana and katakana; the player switches the box's mode for each run, as the guide assumes, and
// the switch commits whatever is pending, as the box's does.
bool followGuideSwitchingScripts(Box& box)
{
    for (std::size_t keys = 0; keys <= 4 * box.word.size() + 4; ++keys) {
        const RomajiHint next = box.hint();
        if (next.mistaken())
            return false;
        if (next.rest.empty())
            return true;
        box.pressInItsScript(next.rest.front());
    }
    return false;
}

struct GuideRow
{
    std::u16string_view word;
    std::string_view typed;
    std::string_view rest;
};

void expectRests(const std::vector<GuideRow>& rows, Script script = Script::Hiragana)
{
    for (const auto& row : rows) {
        Box box(row.word, script);
        box.type(row.typed);
        const RomajiHint hint = box.hint();
        EXPECT_EQ(utf8(hint.rest), row.rest) << describe(box) << ", typed " << row.typed;
        EXPECT_FALSE(hint.mistaken()) << describe(box) << ", typed " << row.typed;
        EXPECT_TRUE(hint.reachesEnd) << describe(box) << ", typed " << row.typed;
    }
}

TEST(RomajiGuide, GuidesInHepburnUntilThePlayerTypesKunrei)
{
    // clang-format off
    expectRests({
        // Untouched words are Hepburn.
        {u"しし", "", "shishi"}, {u"ちち", "", "chichi"}, {u"つつ", "", "tsutsu"}, {u"ふふ", "", "fufu"},
        {u"じじ", "", "jiji"}, {u"しゃしゅしょ", "", "shashusho"}, {u"じゃじゅじょ", "", "jajujo"},
        {u"ちゃちゅちょ", "", "chachucho"}, {u"しぇちぇじぇ", "", "shecheje"},
        // A Kunrei syllable switches every later one, across the rows.
        {u"しし", "si", "si"}, {u"しち", "si", "ti"}, {u"ちつ", "ti", "tu"}, {u"つふ", "tu", "hu"},
        {u"ふじ", "hu", "zi"}, {u"じしゃ", "zi", "sya"}, {u"しゃじゃ", "sya", "zya"}, {u"じゃちゃ", "zya", "tya"},
        {u"ちゅしゅ", "tyu", "syu"}, {u"しょじょちょ", "syo", "zyotyo"}, {u"しぇじぇ", "sye", "zye"},
        // A Hepburn syllable keeps, or brings back, Hepburn.
        {u"しし", "shi", "shi"}, {u"しちつ", "sichi", "tsu"}, {u"つふし", "tufu", "shi"},
        // Spellings of neither family change nothing.
        {u"しし", "ci", "shi"}, {u"ししち", "sici", "ti"}, {u"じゃじゃ", "jya", "ja"}, {u"ちゃし", "cya", "shi"},
        {u"しちゃし", "sicya", "si"}, {u"かし", "ca", "shi"},
    });
    // clang-format on
}

TEST(RomajiGuide, ContinuesThePendingLetters)
{
    // clang-format off
    expectRests({
        {u"し", "s", "hi"}, {u"し", "sh", "i"}, {u"しし", "sis", "i"}, {u"し", "c", "i"},
        {u"しゃ", "s", "ha"}, {u"しゃ", "sy", "a"}, {u"しゃ", "sh", "a"}, {u"しゃ", "sixy", "a"},
        // The pending letters choose the one syllable; the family follows what is committed.
        {u"ちち", "t", "ichi"}, {u"ちち", "c", "hichi"}, {u"つつ", "t", "sutsu"}, {u"つつ", "ts", "utsu"},
        {u"ふふ", "h", "ufu"}, {u"じじ", "z", "iji"}, {u"じゃ", "j", "a"}, {u"じゃ", "jy", "a"}, {u"じゃ", "z", "ya"},
        {u"ちゃ", "t", "ya"}, {u"ちゃ", "cy", "a"}, {u"ちゃ", "ch", "a"}, {u"しちょし", "sity", "osi"},
        {u"ふぁ", "h", "wa"}, {u"ふぁ", "f", "a"}, {u"うぃ", "wh", "i"}, {u"くぁ", "q", "a"}, {u"てぃ", "t", "hi"},
        {u"う", "w", "u"}, {u"な", "n", "a"}, {u"にゃ", "n", "ya"}, {u"〜", "z", "-"}, {u"ぁ", "l", "a"},
        {u"あ", "", "a"}, {u"かな", "ka", "na"}, {u"かな", "kana", ""},
    });
    // clang-format on
}

TEST(RomajiGuide, DoublesTheNextConsonantForSmallTsu)
{
    // clang-format off
    expectRests({
        {u"っか", "", "kka"}, {u"っが", "", "gga"}, {u"っさ", "", "ssa"}, {u"っざ", "", "zza"}, {u"った", "", "tta"},
        {u"っだ", "", "dda"}, {u"っは", "", "hha"}, {u"っば", "", "bba"}, {u"っぱ", "", "ppa"}, {u"っま", "", "mma"},
        {u"っや", "", "yya"}, {u"っら", "", "rra"}, {u"っわ", "", "wwa"}, {u"っを", "", "wwo"}, {u"っふ", "", "ffu"},
        {u"っゔ", "", "vvu"}, {u"っじ", "", "jji"}, {u"っじゃ", "", "jja"}, {u"っし", "", "sshi"},
        {u"っしゃ", "", "ssha"}, {u"っち", "", "cchi"}, {u"っちゃ", "", "ccha"}, {u"っつ", "", "ttsu"},
        {u"っきゃ", "", "kkya"}, {u"っぁ", "", "xxa"}, {u"っっか", "", "kkka"},
        {u"しっち", "si", "tti"}, {u"しっつ", "si", "ttu"}, {u"しっしゃ", "si", "ssya"},
        // Where nothing doubles: a vowel, the n row, ん, ー, the end.
        {u"っあ", "", "xtua"}, {u"っな", "", "xtuna"}, {u"っん", "", "xtun"}, {u"っー", "", "xtu-"}, {u"っ", "", "xtu"},
        // Pending letters of any spelling the composer takes for っ.
        {u"っち", "t", "chi"}, {u"っち", "c", "chi"}, {u"っち", "x", "tuchi"}, {u"っか", "k", "ka"},
        {u"っか", "xt", "uka"}, {u"っか", "xts", "uka"}, {u"っか", "lt", "uka"}, {u"っか", "t", "ca"},
        {u"っっか", "k", "kka"}, {u"っっか", "kk", "ka"}, {u"っちゃ", "tc", "ha"}, {u"しっちゃ", "sit", "tya"}, {u"っちゃ", "t", "cha"},
        {u"っつ", "t", "tsu"}, {u"しっつ", "sit", "tu"},
    });
    // clang-format on
}

TEST(RomajiGuide, SpellsNAsNnOnlyWhereALoneNWouldNotDo)
{
    // clang-format off
    expectRests({
        // Before a vowel, y, the n row or ん: nn.
        {u"かんい", "", "kanni"}, {u"ほんや", "", "honnya"}, {u"おんな", "", "onnna"}, {u"きんにく", "", "kinnniku"},
        {u"うんん", "", "unnn"}, {u"かんう", "", "kannu"},
        // Before a consonant, ー or punctuation, and at the end (the composer's early ん): n.
        {u"しんぶん", "", "shinbun"}, {u"かんじ", "", "kanji"}, {u"ほん", "", "hon"}, {u"ほん。", "", "hon."},
        {u"ぽんー", "", "pon-"}, {u"さんっか", "", "sankka"}, {u"たんぁ", "", "tanxa"},
        // Pending and early ん.
        {u"おんな", "on", "nna"}, {u"かんい", "kan", "ni"}, {u"しんぶん", "shin", "bun"},
        {u"しんぶん", "shinn", "bun"}, {u"しんぶん", "shin'", "bun"}, {u"しんぶん", "shix", "nbun"},
        {u"しんぶん", "shinbun", ""}, {u"しんぶん", "shinbunn", ""},
    });
    // clang-format on
}

TEST(RomajiGuide, SpellsLongVowelsSmallKanaAndPunctuation)
{
    // clang-format off
    expectRests({
        {u"らーめん", "", "ra-men"}, {u"ぁぃぅぇぉ", "", "xaxixuxexo"}, {u"ゃゅょゎ", "", "xyaxyuxyoxwa"},
        {u"ゕゖ", "", "xkaxke"}, {u"えぇ", "", "exe"}, {u"ふぁいと", "", "faito"}, {u"てぃー", "", "thi-"},
        {u"でゅお", "", "dhuo"}, {u"うぃ", "", "wi"}, {u"くぁ", "", "kwa"}, {u"ゔぁ", "", "va"}, {u"ゐゑ", "", "wyiwye"},
        {u"あ、い。", "", "a,i."}, {u"「あ」", "", "[a]"}, {u"あ・い", "", "a/i"}, {u"〜…", "", "z-z."},
        {u"１ばん", "", "1ban"}, {u"あ！", "", "a!"}, {u"あ\u3000い", "", "a i"}, {u"ほん＇", "", "honn'"},
    });
    // clang-format on
}

TEST(RomajiGuide, GuidesKatakanaByItsHiraganaReading)
{
    // clang-format off
    expectRests({
        {u"コーヒー", "", "ko-hi-"}, {u"シャツ", "", "shatsu"}, {u"パン", "", "pan"}, {u"ヴァイオリン", "", "vaiorin"},
        {u"キッチン", "", "kicchin"}, {u"ヵヶ", "", "xkaxke"}, {u"シャツ", "sya", "tu"}, {u"パン", "pa", "n"},
        {u"ティッシュ", "t", "hisshu"},
    }, Script::Katakana);
    // clang-format on
}

struct StopRow
{
    std::u16string_view word;
    std::string_view rest;
};

// A guide past a kanji or a Latin letter would promise keys that cannot give them.
TEST(RomajiGuide, StopsBeforeACharacterNoKeyGives)
{
    // clang-format off
    const std::vector<StopRow> rows = {
        {u"ふじ山", "fuji"}, {u"山", ""}, {u"ほん棚", "honn"}, {u"あｋ", "a"}, {u"ａ", ""}, {u"ABC", ""},
        {u"あー－", "a-"}, {u"あゝ", "a"}, {u"っ山", "xtu"}, {u"にほんご語", "nihongo"},
    };
    // clang-format on
    for (const auto& row : rows) {
        const RomajiHint hint = guideRomaji(row.word, u"", u"", SpellingFamily::Hepburn);
        EXPECT_EQ(utf8(hint.rest), row.rest) << utf8(row.word);
        EXPECT_FALSE(hint.reachesEnd) << utf8(row.word);
        EXPECT_FALSE(hint.mistaken()) << utf8(row.word);
    }
}

struct MistakeRow
{
    std::u16string_view word;
    std::u16string_view committed;
    std::u16string_view pending;
    std::size_t mistakeAt;
};

TEST(RomajiGuide, PointsAtTheFirstWrongCharacterAndShowsNoGuide)
{
    // clang-format off
    const std::vector<MistakeRow> rows = {
        // Committed text that is not a prefix of the word: the first character that differs.
        {u"おんな", u"おんあ", u"", 2}, {u"かんじ", u"かに", u"", 1}, {u"かき", u"く", u"", 0},
        {u"か", u"かか", u"", 1}, {u"", u"あ", u"", 0}, {u"パン", u"ぱ", u"", 0}, {u"ぱん", u"パ", u"", 0},
        {u"かんじ", u"かんじ。", u"k", 3},
        // Never inside a surrogate pair: 𠮷 and 𠮟 share their first half.
        {u"𠮷野", u"𠮟", u"", 0}, {u"あ𠮷", u"あ𠮟", u"", 1},
        // The committed text is right but the pending letters cannot lead on: its end.
        {u"かんじ", u"かんじ", u"k", 3}, {u"かんじ", u"か", u"q", 1}, {u"き", u"", u"ky", 0}, {u"っか", u"", u"s", 0},
        {u"しゃ", u"", u"ch", 0}, {u"っあ", u"", u"k", 0}, {u"な", u"", u"x", 0}, {u"山", u"", u"y", 0},
        {u"あ", u"", u"\u00e9", 0}, {u"ん", u"", u"nnnnn", 0},
    };
    // clang-format on
    for (const auto& row : rows) {
        for (const SpellingFamily family : {SpellingFamily::Hepburn, SpellingFamily::Kunrei}) {
            const RomajiHint hint = guideRomaji(row.word, row.committed, row.pending, family);
            EXPECT_EQ(hint.mistakeAt, row.mistakeAt)
                << utf8(row.word) << " / " << utf8(row.committed) << " + " << utf8(row.pending);
            EXPECT_EQ(utf8(hint.rest), "") << utf8(row.word) << " / " << utf8(row.committed);
        }
    }
    const RomajiHint complete = guideRomaji(u"かんじ", u"かんじ", u"", SpellingFamily::Hepburn);
    EXPECT_FALSE(complete.mistaken());
    EXPECT_EQ(complete.rest, u"");
}

// The guide once paired kana of different scripts (しャ as "sha", ッか as "kka", ヴぁ as "va"), which give しゃ, っか
// or ヴァ, or leave a letter pending for the switch to commit as a Latin letter: the word could not be finished.
TEST(RomajiGuide, GuidesAWordThatMixesScriptsOneScriptAtATime)
{
    // clang-format off
    const std::vector<GuideRow> rows = {
        // The three reported: each kana in its own script, typed where the script changes.
        {u"しャ", "", "shixya"}, {u"しャ", "s", "hixya"}, {u"しャ", "sh", "ixya"}, {u"しャ", "shi", "xya"},
        {u"しャ", "shix", "ya"}, {u"しャ", "shil", "ya"}, {u"しャ", "si", "xya"},
        {u"ッか", "", "xtuka"}, {u"ッか", "x", "tuka"}, {u"ッか", "lt", "uka"}, {u"ッか", "xtu", "ka"},
        {u"ヴぁ", "", "vuxa"}, {u"ヴぁ", "v", "uxa"}, {u"ヴぁ", "vu", "xa"},
        // Pairs, っ and ん on either side of a change, and the same pairs kept whole within one script.
        {u"キゃ", "", "kixya"}, {u"きャ", "", "kixya"}, {u"ちェ", "", "chixe"},
        {u"ふァ", "", "fuxa"}, {u"フぁ", "", "fuxa"}, {u"ふぁファ", "", "fafa"}, {u"ゔァ", "", "vuxa"},
        {u"っカ", "", "xtuka"}, {u"カっぱ", "", "kappa"}, {u"ッっか", "", "xtukka"}, {u"っっカ", "", "xxtuka"},
        {u"ッしゃ", "", "xtusha"}, {u"んア", "", "nna"}, {u"ンあ", "", "nna"}, {u"んア", "n", "na"},
        {u"ンや", "", "nnya"}, {u"ンか", "", "nka"}, {u"んカ", "", "nka"}, {u"ミシンがけ", "", "mishingake"},
        {u"ミシンがけ", "mishin", "gake"}, {u"ンー", "", "n-"}, {u"シャツ", "", "shatsu"},
    };
    // clang-format on
    for (const auto& row : rows) {
        Box box(row.word);
        box.typeInItsScripts(row.typed);
        const RomajiHint hint = box.hint();
        EXPECT_EQ(utf8(hint.rest), row.rest) << describe(box) << ", typed " << row.typed;
        EXPECT_FALSE(hint.mistaken()) << describe(box) << ", typed " << row.typed;
        EXPECT_TRUE(hint.reachesEnd) << describe(box) << ", typed " << row.typed;
        box.typeInItsScripts(hint.rest);
        EXPECT_EQ(utf8(box.committed), utf8(row.word)) << "typed " << row.typed << " then " << utf8(hint.rest);
        EXPECT_EQ(box.composer.pending(), u"") << "typed " << row.typed << " then " << utf8(hint.rest);
    }

    // Letters that only a spelling across the change would continue: nothing but Backspace leads on.
    // clang-format off
    const std::vector<MistakeRow> mistakes = {
        {u"しャ", u"", u"sy", 0}, {u"ッか", u"", u"k", 0}, {u"っカ", u"", u"k", 0}, {u"ヴぁ", u"", u"vy", 0},
        {u"キゃ", u"", u"ky", 0}, {u"ちェ", u"", u"cy", 0}, {u"ふァ", u"", u"fw", 0}, {u"カッか", u"カ", u"k", 1},
    };
    // clang-format on
    for (const auto& row : mistakes) {
        const RomajiHint hint = guideRomaji(row.word, row.committed, row.pending, SpellingFamily::Hepburn);
        EXPECT_EQ(hint.mistakeAt, row.mistakeAt) << utf8(row.word) << " + " << utf8(row.pending);
        EXPECT_EQ(utf8(hint.rest), "") << utf8(row.word) << " + " << utf8(row.pending);
    }
}

struct FamilyRow
{
    std::string_view typed;
    SpellingFamily family;
};

TEST(RomajiGuide, FollowsTheFamilyOfTheLatestDistinguishingSyllable)
{
    // clang-format off
    const std::vector<FamilyRow> rows = {
        {"", SpellingFamily::Hepburn}, {"ka", SpellingFamily::Hepburn}, {"si", SpellingFamily::Kunrei},
        {"ti", SpellingFamily::Kunrei}, {"tu", SpellingFamily::Kunrei}, {"hu", SpellingFamily::Kunrei},
        {"zi", SpellingFamily::Kunrei}, {"SYA", SpellingFamily::Kunrei}, {"zyo", SpellingFamily::Kunrei},
        {"tyu", SpellingFamily::Kunrei}, {"ssi", SpellingFamily::Kunrei}, {"tti", SpellingFamily::Kunrei},
        {"sika", SpellingFamily::Kunrei}, {"sixtu", SpellingFamily::Kunrei}, {"sijya", SpellingFamily::Kunrei},
        {"sicyo", SpellingFamily::Kunrei}, {"sici", SpellingFamily::Kunrei},
        {"sishi", SpellingFamily::Hepburn}, {"sicchi", SpellingFamily::Hepburn}, {"sitsu", SpellingFamily::Hepburn},
        {"sifu", SpellingFamily::Hepburn}, {"siji", SpellingFamily::Hepburn}, {"sija", SpellingFamily::Hepburn},
        {"sitcho", SpellingFamily::Hepburn}, {"siShu", SpellingFamily::Hepburn},
        // Letters still pending select nothing yet.
        {"sish", SpellingFamily::Kunrei}, {"shisy", SpellingFamily::Hepburn},
    };
    // clang-format on
    for (const auto& row : rows) {
        Box box(u"");
        box.type(row.typed);
        EXPECT_EQ(box.guide.family(), row.family) << row.typed;
    }

    RomajiGuide guide;
    guide.follow(u"s", u'i');
    EXPECT_EQ(guide.family(), SpellingFamily::Kunrei);
    guide.reset();
    EXPECT_EQ(guide.family(), SpellingFamily::Hepburn);
}

// The bundled list in both scripts: a katakana word is typed in katakana mode.
std::vector<std::pair<std::u16string, Script>> bundledWordsInBothScripts()
{
    std::vector<std::pair<std::u16string, Script>> words;
    for (const std::u16string& word : bundledWords()) {
        words.emplace_back(word, Script::Hiragana);
        words.emplace_back(toKatakana(word), Script::Katakana);
    }
    return words;
}

// A guide that leads a single word astray makes that word impossible to finish by following it.
TEST(RomajiGuideOnTheBundledList, TypingTheGuideKeyByKeyCompletesEveryWord)
{
    const auto words = bundledWordsInBothScripts();
    ASSERT_GT(words.size(), 1000u);
    for (const auto& [word, script] : words) {
        for (const bool kunrei : {false, true}) {
            Box box(word, script);
            if (kunrei)
                box.guide.follow(u"s", u'i'); // a "si" typed for an earlier word
            const RomajiHint first = box.hint();
            ASSERT_FALSE(first.mistaken()) << describe(box);
            ASSERT_TRUE(first.reachesEnd) << describe(box);

            Box wholeGuide = box;
            wholeGuide.type(first.rest);
            EXPECT_EQ(utf8(wholeGuide.committed), utf8(word)) << "typed " << utf8(first.rest);
            EXPECT_EQ(wholeGuide.composer.pending(), u"") << "typed " << utf8(first.rest);

            EXPECT_TRUE(box.followGuideToTheEnd()) << describe(box);
            EXPECT_EQ(utf8(box.committed), utf8(word)) << describe(box);
            EXPECT_EQ(box.composer.pending(), u"") << describe(box);
        }
    }
}

// A spelling of `word` the composer accepts, drawn at random from its own spellings one kana at a time: the
// spellings of the kana ahead, a doubled first letter (or t before c) for っ, a lone n for ん before what follows.
// Each choice is tried on a copy of the box, each key in the mode of the kana it goes to, and kept only if the composer
// commits a longer prefix of the word with nothing pending.
std::u16string randomSpelling(const Box& start, std::mt19937& random)
{
    Box box = start;
    std::u16string keys;
    while (box.committed.size() < box.word.size()) {
        std::u16string ahead(box.word.substr(box.committed.size()));
        for (char16_t& c : ahead)
            if (c >= u'\u30A1' && c <= u'\u30F6')
                c = static_cast<char16_t>(c - 0x60);
        std::vector<std::string> options;
        for (const RomajiSpelling& spelling : romajiSpellings()) {
            const std::string romaji(spelling.romaji);
            if (std::u16string_view(ahead).starts_with(spelling.kana))
                options.push_back(romaji);
            if (ahead.size() > 1 && std::u16string_view(ahead).substr(1).starts_with(spelling.kana)) {
                if (ahead[0] == u'っ') {
                    options.push_back(romaji.front() + romaji);
                    if (romaji.front() == 'c')
                        options.push_back("t" + romaji);
                }
                if (ahead[0] == u'ん')
                    options.push_back("n" + romaji);
            }
        }
        std::shuffle(options.begin(), options.end(), random);
        bool advanced = false;
        for (const std::string& option : options) {
            Box trial = box;
            trial.typeInItsScripts(option);
            if (trial.committed.size() > box.committed.size() && box.word.starts_with(trial.committed) &&
                trial.composer.pending().empty()) {
                box = trial;
                keys.append(option.begin(), option.end());
                advanced = true;
                break;
            }
        }
        if (!advanced)
            return u"";
    }
    return keys;
}

// After any spelling the composer accepts, stopped after any key, the guide must still lead to the word.
TEST(RomajiGuideOnTheBundledList, CompletesTheWordAfterAnyAcceptedSpelling)
{
    std::mt19937 random(20240607);
    const auto words = bundledWordsInBothScripts();
    ASSERT_GT(words.size(), 1000u);
    for (const auto& [word, script] : words) {
        const Box fresh(word, script);
        for (int draw = 0; draw < 3; ++draw) {
            const std::u16string spelling = randomSpelling(fresh, random);
            ASSERT_FALSE(spelling.empty()) << "no spelling found for " << utf8(word);
            Box box = fresh;
            for (std::size_t typed = 0; typed <= spelling.size(); ++typed) {
                const RomajiHint hint = box.hint();
                ASSERT_FALSE(hint.mistaken()) << describe(box) << " after " << utf8(spelling.substr(0, typed));
                Box guided = box;
                guided.type(hint.rest);
                EXPECT_EQ(utf8(guided.committed), utf8(word))
                    << "typed " << utf8(spelling.substr(0, typed)) << " then the guide " << utf8(hint.rest);
                EXPECT_EQ(guided.composer.pending(), u"")
                    << "typed " << utf8(spelling.substr(0, typed)) << " then the guide " << utf8(hint.rest);
                if (typed < spelling.size())
                    box.press(spelling[typed]);
            }
        }
    }
}

// An entry whose text the guide cannot lead to would be a word nobody can finish by following the guide.
TEST(RomajiGuideOnEveryBundledList, FollowingTheGuideCompletesEachEntrysReadingOrWord)
{
    const auto entries = testing::typedTextOfEveryBundledList();
    ASSERT_GE(entries.size(), 2 * 554u);
    for (const auto& [where, text] : entries) {
        Box box(text);
        EXPECT_TRUE(followGuideSwitchingScripts(box)) << where << ": " << describe(box);
        EXPECT_EQ(utf8(box.committed), utf8(text)) << where;
        EXPECT_EQ(box.composer.pending(), u"") << where;
    }
}

bool isHiragana(char16_t c)
{
    return c >= u'\u3041' && c <= u'\u3096';
}

bool isKatakanaWithHiragana(char16_t c)
{
    return c >= u'\u30A1' && c <= u'\u30F6';
}

// The word with the kana at each position whose bit in `katakana` is set written in katakana, the others in hiragana;
// positions count the word's kana only (ー, symbols and kanji keep their place and take no bit).
std::u16string mixScripts(std::u16string_view word, std::uint64_t katakana)
{
    std::u16string out(word);
    std::size_t position = 0;
    for (char16_t& c : out) {
        if (!isHiragana(c) && !isKatakanaWithHiragana(c))
            continue;
        const bool toKatakana = position < 64 && (katakana >> position & 1);
        if (toKatakana && isHiragana(c))
            c = static_cast<char16_t>(c + 0x60);
        else if (!toKatakana && isKatakanaWithHiragana(c))
            c = static_cast<char16_t>(c - 0x60);
        ++position;
    }
    return out;
}

std::size_t kanaCount(std::u16string_view word)
{
    return static_cast<std::size_t>(
        std::count_if(word.begin(), word.end(), [](char16_t c) { return isHiragana(c) || isKatakanaWithHiragana(c); }));
}

// Every kana and pair the composer spells (し, しゃ, ゔぁ, てぃ), alone, after っ, っっ or ん and before ん, each in
// every mix of the two scripts kana by kana: しャ, ッか, ヴぁ, キゃ, っカ, ちェ, ふァ, んア and all their neighbours.
std::vector<std::u16string> mixedSyllables()
{
    std::vector<std::u16string> syllables;
    for (const RomajiSpelling& spelling : romajiSpellings()) {
        const std::u16string kana(spelling.kana);
        if (std::all_of(kana.begin(), kana.end(), isHiragana) &&
            std::find(syllables.begin(), syllables.end(), kana) == syllables.end())
            syllables.push_back(kana);
    }
    // ん after a syllable, and っっ, only around the syllable alone: with every neighbour at once the mixes grow
    // eightfold and find nothing new.
    constexpr std::u16string_view around[][2] = {{u"", u""}, {u"", u"ん"}, {u"っ", u""}, {u"っっ", u""}, {u"ん", u""}};
    std::vector<std::u16string> words;
    for (const std::u16string& syllable : syllables) {
        for (const auto& [before, after] : around) {
            const std::u16string word = std::u16string(before) + syllable + std::u16string(after);
            for (std::uint64_t mix = 0; mix < (std::uint64_t{1} << kanaCount(word)); ++mix)
                words.push_back(mixScripts(word, mix));
        }
    }
    return words;
}

// A guide that leads a mixed word astray leaves the player with a kana of the wrong script or a Latin letter.
TEST(RomajiGuideOnMixedScripts, FollowingTheGuideCompletesEveryMixOfEverySyllable)
{
    const auto words = mixedSyllables();
    for (const std::u16string_view reported :
         {u"しャ", u"ッか", u"ヴぁ", u"キゃ", u"っカ", u"ちェ", u"ふァ", u"フぁ", u"んア"})
        ASSERT_NE(std::find(words.begin(), words.end(), reported), words.end()) << utf8(reported);
    ASSERT_GT(words.size(), 5000u);
    std::mt19937 random(20261208);
    bool kunreiForTheSpelling = false;
    for (const std::u16string& word : words) {
        for (const bool kunrei : {false, true}) {
            Box fresh(word);
            if (kunrei)
                fresh.guide.follow(u"s", u'i');
            Box guided = fresh;
            ASSERT_TRUE(guided.hint().reachesEnd) << describe(guided);
            EXPECT_TRUE(followGuideSwitchingScripts(guided)) << describe(guided);
            EXPECT_EQ(utf8(guided.committed), utf8(word)) << describe(guided);
            EXPECT_EQ(guided.composer.pending(), u"") << describe(guided);

            // Any spelling the composer accepts, one script at a time, stopped after any key, then the guide; in one
            // family or the other, word by word.
            if (kunrei != kunreiForTheSpelling)
                continue;
            const std::u16string spelling = randomSpelling(fresh, random);
            ASSERT_FALSE(spelling.empty()) << "no spelling found for " << utf8(word);
            Box box = fresh;
            for (std::size_t typed = 0; typed <= spelling.size(); ++typed) {
                Box following = box;
                EXPECT_TRUE(followGuideSwitchingScripts(following))
                    << describe(following) << " after " << utf8(spelling.substr(0, typed));
                EXPECT_EQ(utf8(following.committed), utf8(word)) << "after " << utf8(spelling.substr(0, typed));
                EXPECT_EQ(following.composer.pending(), u"") << "after " << utf8(spelling.substr(0, typed));
                if (typed < spelling.size())
                    box.pressInItsScript(spelling[typed]);
            }
        }
        kunreiForTheSpelling = !kunreiForTheSpelling;
    }
}

// The mixes of a word that put a change of script at each place between two kana, both ways round: the word split
// in two at every place, each kana alone in the other script, and the scripts alternating kana by kana.
std::vector<std::u16string> mixesAtEveryPlace(std::u16string_view word)
{
    const std::size_t kana = std::min<std::size_t>(kanaCount(word), 63);
    const std::uint64_t all = (std::uint64_t{1} << kana) - 1;
    std::vector<std::uint64_t> masks;
    for (std::size_t at = 0; at <= kana; ++at) {
        const std::uint64_t head = (std::uint64_t{1} << at) - 1;
        masks.push_back(head);
        masks.push_back(all & ~head);
        if (at < kana) {
            masks.push_back(std::uint64_t{1} << at);
            masks.push_back(all & ~(std::uint64_t{1} << at));
        }
    }
    masks.push_back(all & 0x5555555555555555u);
    masks.push_back(all & 0xAAAAAAAAAAAAAAAAu);
    std::sort(masks.begin(), masks.end());
    masks.erase(std::unique(masks.begin(), masks.end()), masks.end());
    std::vector<std::u16string> mixes;
    for (const std::uint64_t mask : masks)
        mixes.push_back(mixScripts(word, mask));
    return mixes;
}

// A list entry the guide cannot lead to once its reading mixes scripts is a word a list could hold and nobody could
// finish by following the guide.
TEST(RomajiGuideOnMixedScripts, FollowingTheGuideCompletesEachBundledEntryWithItsScriptsMixed)
{
    const auto entries = testing::typedTextOfEveryBundledList();
    ASSERT_GE(entries.size(), 2 * 554u);
    std::size_t mixed = 0;
    for (const auto& [where, text] : entries) {
        for (const std::u16string& word : mixesAtEveryPlace(text)) {
            for (const bool kunrei : {false, true}) {
                Box box(word);
                if (kunrei)
                    box.guide.follow(u"s", u'i');
                EXPECT_TRUE(followGuideSwitchingScripts(box)) << where << ": " << describe(box);
                EXPECT_EQ(utf8(box.committed), utf8(word)) << where;
                EXPECT_EQ(box.composer.pending(), u"") << where;
            }
            ++mixed;
        }
    }
    EXPECT_GT(mixed, 10 * entries.size());
}

} // namespace
} // namespace fururupo
