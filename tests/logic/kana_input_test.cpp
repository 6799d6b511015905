#include "logic/kana_input.h"
#include "logic/kana_keyboard.h"

#include "support/bundled_lists.h"
#include "support/word_lines.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace fururupo {
namespace {

using testing::utf8;

// The input box in kana input as the guide sees it: a composer told the shown word, and the committed text.
struct KanaBox
{
    explicit KanaBox(std::u16string_view shown, Script script = Script::Hiragana) : word(shown)
    {
        composer.setScript(script);
    }

    void press(KeyStroke stroke)
    {
        const KanaEdit edit = composer.feed(kanaOfKey(stroke.key, stroke.shift), word, committed);
        ASSERT_LE(edit.replaced, committed.size());
        committed.resize(committed.size() - edit.replaced);
        committed += edit.commit;
    }

    // F7 as the input box takes it: the kana held back is committed as it stands, then the mode changes.
    void switchTo(Script script)
    {
        committed += composer.flush();
        composer.setScript(script);
    }

    // A key pressed in the mode of the word's next kana, switching first when the box is in the other one, as the
    // guide expects of the player.
    void pressInItsScript(KeyStroke stroke)
    {
        if (committed.size() < word.size() && composer.pending() == 0) {
            const char16_t ahead = word[committed.size()];
            if (ahead >= u'\u3041' && ahead <= u'\u3096' && composer.script() != Script::Hiragana)
                switchTo(Script::Hiragana);
            if (ahead >= u'\u30A1' && ahead <= u'\u30FA' && composer.script() != Script::Katakana)
                switchTo(Script::Katakana);
        }
        press(stroke);
    }

    KanaHint hint() const { return guideKana(word, committed, composer.pending()); }

    // Presses the guide's next key, again and again, until it shows nothing more; false if it ever shows a mistake.
    bool followGuideToTheEnd()
    {
        for (std::size_t keys = 0; keys <= 2 * word.size() + 2; ++keys) {
            const KanaHint next = hint();
            if (next.mistaken())
                return false;
            if (next.keys.empty())
                return true;
            pressInItsScript(next.keys.front().stroke);
        }
        return false;
    }

    std::u16string word;
    KanaKeyComposer composer;
    std::u16string committed;
};

std::string describe(const KanaBox& box)
{
    return "word " + utf8(box.word) + ", committed " + utf8(box.committed) + ", pending " +
           utf8(std::u16string(box.composer.pending() ? 1 : 0, box.composer.pending()));
}

// What the keys of one stretch of a row type, alone and with Shift.
std::u16string rowOf(KeyboardKey first, KeyboardKey last, bool shift = false)
{
    std::u16string kana;
    for (auto key = static_cast<int>(first); key <= static_cast<int>(last); ++key)
        kana += kanaOfKey(static_cast<KeyboardKey>(key), shift);
    return kana;
}

// A stroke per character, each found by the key that types it.
std::vector<KeyStroke> strokesOf(std::u16string_view kana)
{
    std::vector<KeyStroke> strokes;
    for (const char16_t c : kana)
        strokes.push_back(strokeOfKana(c).value());
    return strokes;
}

} // namespace

// A key in the wrong place is a kana typist's every word gone wrong.
TEST(KanaKeyboard, TypesTheJisKanaRowByRowAndTheSmallKanaAndPunctuationOnShift)
{
    using enum KeyboardKey;
    EXPECT_EQ(utf8(rowOf(Digit1, Yen)), utf8(u"ぬふあうえおやゆよわほへー"));
    EXPECT_EQ(utf8(rowOf(Q, RightBracket)), utf8(u"たていすかんなにらせ゛゜"));
    EXPECT_EQ(utf8(rowOf(A, Backslash)), utf8(u"ちとしはきくまのりれけむ"));
    EXPECT_EQ(utf8(rowOf(Z, Ro)), utf8(u"つさそひこみもねるめろ"));
    const std::pair<KeyboardKey, char16_t> shifted[] = {
        {Digit3, u'ぁ'},       {Digit4, u'ぅ'},    {Digit5, u'ぇ'}, {Digit6, u'ぉ'}, {Digit7, u'ゃ'},
        {Digit8, u'ゅ'},       {Digit9, u'ょ'},    {Digit0, u'を'}, {E, u'ぃ'},      {Z, u'っ'},
        {RightBracket, u'「'}, {Backslash, u'」'}, {Comma, u'、'},  {Period, u'。'}, {Slash, u'・'},
    };
    for (const auto& [key, kana] : shifted)
        EXPECT_EQ(utf8(std::u16string(1, kanaOfKey(key, true))), utf8(std::u16string(1, kana)));
    // Shift on a key without a kana of its own for it types the same kana; a key with no kana types nothing.
    EXPECT_EQ(kanaOfKey(T, true), u'か');
    EXPECT_EQ(kanaOfKey(Space, false), u'\u3000');
    for (const KeyboardKey none :
         {Grave, Backspace, Tab, Return, CapsLock, LeftShift, RightShift, LeftAlt, Muhenkan, Henkan, KatakanaHiragana})
        EXPECT_EQ(kanaOfKey(none, false), 0) << utf8(infoOf(none).usName);
}

// The key is known by the code it sends, whatever the layout makes it type: each code names one key.
TEST(KanaKeyboard, KnowsEveryKeyByItsX11KeycodeAndNoOtherCode)
{
    std::set<std::uint16_t> codes;
    for (const KeyboardKeyInfo& info : keyboardKeys()) {
        EXPECT_TRUE(codes.insert(info.x11Keycode).second) << info.x11Keycode;
        EXPECT_EQ(keyOfX11Keycode(info.x11Keycode), info.key);
        EXPECT_FALSE(info.jisName.empty());
    }
    EXPECT_EQ(keyOfX11Keycode(24), KeyboardKey::Q);    // evdev 16 + 8
    EXPECT_EQ(keyOfX11Keycode(132), KeyboardKey::Yen); // evdev KEY_YEN
    EXPECT_EQ(keyOfX11Keycode(97), KeyboardKey::Ro);   // evdev KEY_RO
    EXPECT_EQ(keyOfX11Keycode(101), KeyboardKey::KatakanaHiragana);
    // The US keyboard has no ¥, ろ, 無変換, 変換 or カタカナ/ひらがな key.
    EXPECT_TRUE(infoOf(KeyboardKey::Yen).usName.empty());
    EXPECT_TRUE(infoOf(KeyboardKey::Ro).usName.empty());
    // No key, a keypad key, the key of a 102-key layout, and codes beyond any key.
    for (const std::uint32_t other : {0u, 87u, 94u, 255u, 256u, 100000u})
        EXPECT_FALSE(keyOfX11Keycode(other).has_value()) << other;
}

TEST(KanaKeyComposer, JoinsSoundMarksToTheKanaBeforeThemAndLeavesTheRestSpacing)
{
    const struct
    {
        std::u16string_view keys;
        Script script;
        std::u16string_view text;
    } rows[] = {
        {u"か゛", Script::Hiragana, u"が"},     {u"は゜", Script::Hiragana, u"ぱ"},
        {u"は゛", Script::Hiragana, u"ば"},     {u"う゛", Script::Hiragana, u"ゔ"},
        {u"か゛", Script::Katakana, u"ガ"},     {u"う゛", Script::Katakana, u"ヴ"},
        {u"わ゛", Script::Katakana, u"ヷ"},     {u"ほ゜", Script::Katakana, u"ポ"},
        {u"あ゛", Script::Hiragana, u"あ゛"},   {u"か゜", Script::Hiragana, u"か゜"},
        {u"゛", Script::Hiragana, u"゛"},       {u"ー゛", Script::Hiragana, u"ー゛"},
        {u"か゛゛", Script::Hiragana, u"が゛"}, {u"っ゛", Script::Hiragana, u"っ゛"},
    };
    for (const auto& row : rows) {
        // With no word on display every kana is committed at once, and the mark joins the committed kana.
        KanaBox box(u"", row.script);
        for (const KeyStroke stroke : strokesOf(row.keys))
            box.press(stroke);
        EXPECT_EQ(utf8(box.committed), utf8(row.text)) << utf8(row.keys);
        EXPECT_EQ(box.composer.pending(), 0) << utf8(row.keys);
    }
}

// Without the hold, か typed on the way to が would count as a mistake before its ゛ could come.
TEST(KanaKeyComposer, HoldsAKanaBackOnlyWhereTheWordHasItWithASoundMark)
{
    KanaBox voiced(u"がか");
    voiced.press(strokeOfKana(u'か').value());
    EXPECT_EQ(voiced.committed, u"");
    EXPECT_EQ(voiced.composer.pending(), u'か');
    voiced.press(strokeOfKana(u'゛').value());
    EXPECT_EQ(voiced.committed, u"が");
    voiced.press(strokeOfKana(u'か').value());
    EXPECT_EQ(voiced.committed, u"がか");

    // A kana held back that the next key does not mark is committed as it stands, wrong, with that key's kana.
    KanaBox slip(u"ばし");
    slip.press(strokeOfKana(u'は').value());
    slip.press(strokeOfKana(u'し').value());
    EXPECT_EQ(slip.committed, u"はし");
    // A wrong kana is committed at once, so the check sees it on its own key.
    KanaBox wrong(u"が");
    wrong.press(strokeOfKana(u'さ').value());
    EXPECT_EQ(wrong.committed, u"さ");
    // The composer lets go of a held kana by Backspace, and gives it up as it stands when flushed.
    KanaBox held(u"ぷ");
    held.press(strokeOfKana(u'ふ').value());
    EXPECT_TRUE(held.composer.backspace());
    EXPECT_FALSE(held.composer.backspace());
    held.press(strokeOfKana(u'ふ').value());
    EXPECT_EQ(held.composer.flush(), u"ふ");
    EXPECT_EQ(held.composer.pending(), 0);
}

TEST(KanaGuide, ShowsTheKeysWithTheirMarksAndShiftAndWhereTheTypingWentWrong)
{
    const struct
    {
        std::u16string_view word;
        std::u16string_view committed;
        char16_t pending;
        std::u16string_view shown;
    } rows[] = {
        {u"がっこう", u"", 0, u"か゛⇧っこう"},
        {u"がっこう", u"", u'か', u"゛⇧っこう"},
        {u"がっこう", u"が", 0, u"⇧っこう"},
        {u"ぱん", u"", 0, u"は゜ん"},
        {u"ガム", u"", 0, u"カ゛ム"},
        {u"ヴァイオリン", u"", 0, u"ウ゛⇧ァイオリン"},
        {u"ラーメン", u"", 0, u"ラーメン"},
        {u"を、「ゃ」。・", u"", 0, u"⇧を⇧、⇧「⇧ゃ⇧」⇧。⇧・"},
        {u"ねこ", u"ねこ", 0, u""},
    };
    for (const auto& row : rows) {
        const KanaHint hint = guideKana(row.word, row.committed, row.pending);
        EXPECT_FALSE(hint.mistaken()) << utf8(row.word);
        EXPECT_TRUE(hint.reachesEnd) << utf8(row.word);
        EXPECT_EQ(utf8(kanaGuideText(hint.keys)), utf8(row.shown)) << utf8(row.word);
    }
    // The first wrong character, and a held kana that cannot lead on to the word.
    EXPECT_EQ(guideKana(u"がっこう", u"かっ", 0).mistakeAt, 0u);
    EXPECT_EQ(guideKana(u"がっこう", u"がつ", 0).mistakeAt, 1u);
    EXPECT_EQ(guideKana(u"がっこう", u"", u'さ').mistakeAt, 0u);
    EXPECT_TRUE(guideKana(u"がっこう", u"", u'さ').keys.empty());
    // A character no key gives stops the guide there.
    const KanaHint kanji = guideKana(u"ねこ科", u"", 0);
    EXPECT_FALSE(kanji.reachesEnd);
    EXPECT_EQ(utf8(kanaGuideText(kanji.keys)), utf8(u"ねこ"));
    EXPECT_FALSE(guideKana(u"か゛", u"", 0).reachesEnd);
}

// Every kana a word list can hold in either script, alone: reachable by the keys the guide shows, or known not to be.
TEST(KanaGuide, ReachesEveryKanaOfTheKeyboardAndItsVoicedSemiVoicedAndSmallForms)
{
    const std::u16string_view unreachable = u"ゐゑゎゕゖヰヱヮヵヶヸヹゝゞヽヾ";
    int reached = 0;
    for (char16_t kana = u'\u3041'; kana <= u'\u30FA'; ++kana) {
        if (kana > u'\u3096' && kana < u'\u30A1')
            continue;
        const std::u16string word(1, kana);
        KanaBox box(word);
        const bool reachable = unreachable.find(kana) == std::u16string_view::npos;
        EXPECT_EQ(box.hint().reachesEnd, reachable) << utf8(word);
        if (!reachable)
            continue;
        EXPECT_TRUE(box.followGuideToTheEnd()) << describe(box);
        EXPECT_EQ(utf8(box.committed), utf8(word));
        ++reached;
    }
    // The 86 hiragana and 90 katakana of the blocks, less the twelve no key gives.
    EXPECT_EQ(reached, 86 + 90 - 12);
}

// A word of a bundled list that kana input cannot finish by following the guide is a word a kana typist loses.
TEST(KanaGuideOnEveryBundledList, FollowingTheGuideKeyByKeyTypesEachEntry)
{
    const auto entries = testing::typedTextOfEveryBundledList();
    ASSERT_GE(entries.size(), 2 * 554u);
    for (const auto& [where, text] : entries) {
        KanaBox box(text);
        const KanaHint first = box.hint();
        ASSERT_TRUE(first.reachesEnd) << where << ": " << describe(box);
        KanaBox whole = box;
        for (const KanaGuideKey& key : first.keys)
            whole.pressInItsScript(key.stroke);
        EXPECT_EQ(utf8(whole.committed), utf8(text)) << where;
        EXPECT_TRUE(box.followGuideToTheEnd()) << where << ": " << describe(box);
        EXPECT_EQ(utf8(box.committed), utf8(text)) << where;
        EXPECT_EQ(box.composer.pending(), 0) << where;
    }
}

} // namespace fururupo
