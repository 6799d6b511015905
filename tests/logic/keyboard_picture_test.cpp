// The keyboard picture's rules: where the keys sit on each keyboard, which finger presses each, what each types
// through the desktop's layout, the next key at any point of a word, and the key pressed instead after a slip.
#include "logic/key_slips.h"
#include "logic/keyboard_layout.h"
#include "logic/next_key.h"

#include "support/word_lines.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <string_view>

namespace fururupo {
namespace {

using enum KeyboardKey;
using testing::utf8;

// One letter for each finger, so that a row of the finger table reads as a line: little, ring, middle and index
// fingers p r m i on the left and P R M I on the right; thumbs l (left), b (either), t (right).
char letterOf(Finger finger)
{
    return std::string_view("prmilbtIMRP").at(static_cast<std::size_t>(finger));
}

// The fingers of a layout's keys in the picture's order, one line a row (the function row first).
std::string fingerRows(KeyboardLayout layout)
{
    std::string rows;
    float y = -1;
    for (const KeyPlace& place : keyPlaces(layout)) {
        if (place.top.y != y && y >= 0)
            rows += '\n';
        y = place.top.y;
        rows += letterOf(fingerOf(place.key));
    }
    return rows;
}

TypingPoint pointIn(std::u16string word, std::u16string committed = {}, std::u16string pending = {})
{
    TypingPoint point;
    point.word = std::move(word);
    point.committed = std::move(committed);
    point.pending = std::move(pending);
    return point;
}

NextKey press(KeyboardKey key, std::optional<KeyboardKey> shift = std::nullopt)
{
    return {NextKey::Kind::Press, {key, shift}};
}

} // namespace

// A finger in the wrong column teaches a wrong habit on every word.
TEST(KeyboardFingers, EachRowGoesToTheTouchTypistsFingersOnBothKeyboards)
{
    EXPECT_EQ(fingerRows(KeyboardLayout::Jis), "pprmiiIIMRPPP\n"   // Esc, F1 to F12
                                               "pprmiiIIMRPPPPP\n" // 半角/全角 to Backspace
                                               "pprmiiIIMRPPPP\n"  // Tab to [, and Enter
                                               "pprmiiIIMRPPP\n"   // 英数 to ]
                                               "pprmiiIIMRPPP\n"   // Shift to ろ, and Shift
                                               "plllbtttttP");     // Ctrl, Win, Alt, 無変換, Space, 変換 ... Ctrl
    EXPECT_EQ(fingerRows(KeyboardLayout::Us), "pprmiiIIMRPPP\n"
                                              "pprmiiIIMRPPPP\n"
                                              "pprmiiIIMRPPPP\n"
                                              "pprmiiIIMRPPP\n"
                                              "pprmiiIIMRPP\n"
                                              "pllbtttP");
    // The Shift held is the other hand's; the space bar is either thumb's.
    EXPECT_EQ(shiftFor(A), RightShift);
    EXPECT_EQ(shiftFor(Digit5), RightShift);
    EXPECT_EQ(shiftFor(Digit6), LeftShift);
    EXPECT_EQ(shiftFor(Ro), LeftShift);
    EXPECT_EQ(handOf(fingerOf(Space)), Hand::Either);
}

// A picture with overlapping or missing keys would light a key the player cannot find.
TEST(KeyboardLayouts, EveryKeySitsInItsRowWithoutOverlapAndTheUsKeyboardLacksOnlyTheJapaneseKeys)
{
    for (const KeyboardLayout layout : {KeyboardLayout::Jis, KeyboardLayout::Us}) {
        std::map<float, std::map<float, float>> rows; // by the row's top: each rectangle's left and right
        std::set<KeyboardKey> present;
        for (const KeyPlace& place : keyPlaces(layout)) {
            EXPECT_TRUE(present.insert(place.key).second);
            EXPECT_EQ(placeOf(layout, place.key), &place);
            EXPECT_FALSE(legendOf(layout, place.key).empty());
            for (const KeyRect& rect : {place.top, place.foot})
                if (rect.width > 0) {
                    EXPECT_EQ(rect.height, 1.0f);
                    rows[rect.y][rect.x] = rect.x + rect.width;
                }
        }
        // No key overlaps the next in its row; the main block's rows end flush at the right edge (the JIS Enter closes
        // the top and the home row).
        EXPECT_EQ(rows.size(), 6u);
        for (const auto& [y, row] : rows) {
            float end = 0;
            for (const auto& [left, right] : row) {
                EXPECT_GE(left, end) << "row at " << y;
                end = right;
            }
            EXPECT_FLOAT_EQ(end, keyboardWidth) << "row at " << y;
            EXPECT_LE(y + 1, keyboardHeight);
        }
        std::set<KeyboardKey> missing;
        for (const KeyboardKeyInfo& info : keyboardKeys())
            if (!present.contains(info.key))
                missing.insert(info.key);
        if (layout == KeyboardLayout::Jis)
            EXPECT_TRUE(missing.empty());
        else
            EXPECT_EQ(missing, (std::set<KeyboardKey>{Yen, Ro, Muhenkan, Henkan, KatakanaHiragana}));
    }
    // The JIS Enter reaches down into the home row, right of ].
    const KeyPlace* enter = placeOf(KeyboardLayout::Jis, Return);
    ASSERT_NE(enter, nullptr);
    EXPECT_GT(enter->foot.width, 0);
    EXPECT_GE(enter->foot.x, placeOf(KeyboardLayout::Jis, Backslash)->top.x + 1);
    EXPECT_EQ(placeOf(KeyboardLayout::Us, Return)->foot.width, 0);
}

// The picture lights the key the desktop's layout types a character with: @ and : sit elsewhere on the two keyboards.
TEST(KeyboardLayouts, EveryPrintableCharacterHasTheKeyThatTypesItOnEachLayout)
{
    for (const KeyboardLayout layout : {KeyboardLayout::Jis, KeyboardLayout::Us}) {
        for (char16_t c = 0x20; c < 0x7F; ++c) {
            const std::optional<KeyStroke> stroke = strokeOfCharacter(layout, c);
            ASSERT_TRUE(stroke.has_value()) << static_cast<char>(c);
            EXPECT_EQ(characterOfKey(layout, stroke->key, stroke->shift), c);
            EXPECT_NE(placeOf(layout, stroke->key), nullptr);
        }
        EXPECT_EQ(strokeOfCharacter(layout, u'k'), (KeyStroke{K, false}));
        EXPECT_EQ(strokeOfCharacter(layout, u'K'), (KeyStroke{K, true}));
        for (const char16_t none : {u'\0', u'あ', u'￥', u'\t'})
            EXPECT_FALSE(strokeOfCharacter(layout, none).has_value());
    }
    EXPECT_EQ(strokeOfCharacter(KeyboardLayout::Jis, u'@'), (KeyStroke{LeftBracket, false}));
    EXPECT_EQ(strokeOfCharacter(KeyboardLayout::Us, u'@'), (KeyStroke{Digit2, true}));
    EXPECT_EQ(strokeOfCharacter(KeyboardLayout::Jis, u':'), (KeyStroke{Apostrophe, false}));
    EXPECT_EQ(strokeOfCharacter(KeyboardLayout::Us, u':'), (KeyStroke{Semicolon, true}));
    EXPECT_EQ(strokeOfCharacter(KeyboardLayout::Jis, u'['), (KeyStroke{RightBracket, false}));
    EXPECT_EQ(strokeOfCharacter(KeyboardLayout::Us, u'['), (KeyStroke{LeftBracket, false}));
}

TEST(KeyboardLayouts, TheDesktopsLayoutIsReadFromItsKeyboardDescriptionThenTheLocaleThenJis)
{
    using namespace std::string_view_literals;
    EXPECT_EQ(layoutOfXkbRulesNames("evdev\0pc105\0us\0\0\0"sv), KeyboardLayout::Us);
    EXPECT_EQ(layoutOfXkbRulesNames("evdev\0jp106\0jp\0\0\0"sv), KeyboardLayout::Jis);
    EXPECT_EQ(layoutOfXkbRulesNames("evdev\0pc105\0jp,us\0,\0grp:alt_shift_toggle\0"sv), KeyboardLayout::Jis);
    EXPECT_EQ(layoutOfXkbRulesNames("evdev\0pc105\0us,jp\0\0\0"sv), KeyboardLayout::Us);
    for (const std::string_view unread :
         {"evdev\0pc105\0de\0\0\0"sv, ""sv, "evdev"sv, "evdev\0pc105"sv, "\0\0\0\0\0"sv, "evdev\0jp106\0jpx\0\0\0"sv})
        EXPECT_FALSE(layoutOfXkbRulesNames(unread).has_value()) << unread.size();
    EXPECT_EQ(layoutOfLocaleName("ja_JP.UTF-8"), KeyboardLayout::Jis);
    EXPECT_EQ(layoutOfLocaleName("ja"), KeyboardLayout::Jis);
    EXPECT_EQ(layoutOfLocaleName("en_US"), KeyboardLayout::Us);
    for (const std::string_view unread : {"C", "POSIX", "", "de_DE", "jam"})
        EXPECT_FALSE(layoutOfLocaleName(unread).has_value()) << unread;
    EXPECT_EQ(defaultLayout(KeyboardLayout::Us, KeyboardLayout::Jis), KeyboardLayout::Us);
    EXPECT_EQ(defaultLayout(std::nullopt, KeyboardLayout::Us), KeyboardLayout::Us);
    EXPECT_EQ(defaultLayout(std::nullopt, std::nullopt), KeyboardLayout::Jis);
}

// The next key follows the spelling the player began, exactly as the romaji guide does, and the mode keys come first
// where the box is in the wrong mode.
TEST(NextKey, FollowsTheSpellingBegunAndLeadsWithTheModeKeyAndEndsWithEnter)
{
    const KeyboardLayout jis = KeyboardLayout::Jis;
    EXPECT_EQ(nextKeyAt(pointIn(u"しゃしん"), jis), press(S));
    EXPECT_EQ(nextKeyAt(pointIn(u"しゃしん", {}, u"s"), jis), press(H));
    EXPECT_EQ(nextKeyAt(pointIn(u"しゃしん", {}, u"sy"), jis), press(A));
    TypingPoint kunrei = pointIn(u"しゃしん", u"しゃ", u"s");
    kunrei.family = SpellingFamily::Kunrei;
    EXPECT_EQ(nextKeyAt(kunrei, jis), press(I));
    kunrei.family = SpellingFamily::Hepburn;
    EXPECT_EQ(nextKeyAt(kunrei, jis), press(H));
    EXPECT_EQ(nextKeyAt(pointIn(u"しゃしん", u"しゃしん"), jis), press(Return));
    EXPECT_EQ(nextKeyAt(pointIn(u"しゃしん", u"しや"), jis).kind, NextKey::Kind::Mistake);
    EXPECT_EQ(nextKeyAt(pointIn(u"しゃしん", {}, u"sk"), jis).kind, NextKey::Kind::Mistake);
    EXPECT_EQ(nextKeyAt(pointIn({}), jis).kind, NextKey::Kind::Nothing);
    // A character no key gives lights nothing; punctuation the layout types with Shift lights the other hand's Shift.
    EXPECT_EQ(nextKeyAt(pointIn(u"ゝ"), jis).kind, NextKey::Kind::Nothing);
    EXPECT_EQ(nextKeyAt(pointIn(u"！"), jis), press(Digit1, RightShift));

    // Katakana in hiragana mode: F7 first, on both keyboards; Latin letters: 半角/全角, or F10 where there is none.
    EXPECT_EQ(nextKeyAt(pointIn(u"カメラ"), jis), press(F7));
    TypingPoint katakana = pointIn(u"カメラ");
    katakana.mode = BoxMode::Katakana;
    EXPECT_EQ(nextKeyAt(katakana, jis), press(K));
    TypingPoint latin = pointIn(u"ねこ");
    latin.mode = BoxMode::Latin;
    EXPECT_EQ(nextKeyAt(latin, jis), press(Grave));
    EXPECT_EQ(nextKeyAt(latin, KeyboardLayout::Us), press(F10));
    latin.committed = u"ねこ";
    EXPECT_EQ(nextKeyAt(latin, jis), press(Return));
    // Across a change of script in the word: the mode key only once the pending letters are committed.
    TypingPoint mixed = pointIn(u"しャつ", u"し");
    EXPECT_EQ(nextKeyAt(mixed, jis), press(F7));
    mixed.mode = BoxMode::Katakana;
    EXPECT_EQ(nextKeyAt(mixed, jis), press(X));
}

// In kana input the kana's own key is lit, then its sound mark, with Shift for a small kana; a key that keyboard
// lacks lights nothing.
TEST(NextKey, InKanaInputLightsTheKanasKeyItsMarkAndShift)
{
    TypingPoint point = pointIn(u"ぎゅうにゅう");
    point.kanaInput = true;
    EXPECT_EQ(nextKeyAt(point, KeyboardLayout::Jis), press(G));
    point.pendingKana = u'き';
    EXPECT_EQ(nextKeyAt(point, KeyboardLayout::Jis), press(LeftBracket));
    point.pendingKana = 0;
    point.committed = u"ぎ";
    EXPECT_EQ(nextKeyAt(point, KeyboardLayout::Jis), press(Digit8, LeftShift));
    point.committed = u"ぎゅ";
    EXPECT_EQ(nextKeyAt(point, KeyboardLayout::Us), press(Digit4));

    TypingPoint bar = pointIn(u"ケーキ", u"ケ");
    bar.kanaInput = true;
    bar.mode = BoxMode::Katakana;
    EXPECT_EQ(nextKeyAt(bar, KeyboardLayout::Jis), press(Yen));
    EXPECT_EQ(nextKeyAt(bar, KeyboardLayout::Us).kind, NextKey::Kind::Nothing);
}

// An input method's composition holds kana and the letters still to become one; its next key is the romaji
// spelling's, and a conversion leaves nothing to know.
TEST(NextKey, WhileAnInputMethodComposesFollowsTheRomajiOfItsComposition)
{
    const auto composing = [](std::u16string committed, std::u16string composition) {
        TypingPoint point = pointIn(u"しゃしん", std::move(committed), std::move(composition));
        point.composing = true;
        return nextKeyAt(point, KeyboardLayout::Jis);
    };
    EXPECT_EQ(composing({}, u"ｓ"), press(H));
    EXPECT_EQ(composing({}, u"ｓｙ"), press(A));
    EXPECT_EQ(composing({}, u"しゃ"), press(S));
    EXPECT_EQ(composing(u"しゃ", u"しｎ"), press(N)); // the input method's ん takes a second n
    EXPECT_EQ(composing({}, u"しゃしん"), press(Return));
    EXPECT_EQ(composing({}, u"写真").kind, NextKey::Kind::Nothing);
    EXPECT_EQ(composing({}, u"ｓｋ").kind, NextKey::Kind::Nothing);
    EXPECT_EQ(composing(u"ね", u"ｓ").kind, NextKey::Kind::Nothing);
}

// After a slip the expected key stays lit beside the key pressed instead, until the mistake is deleted; a key whose
// code is unknown is found by its character, and a key of the other keyboard lights nothing.
TEST(KeyboardCoach, LightsTheKeyPressedInsteadUntilTheSlipIsDeleted)
{
    const KeyboardLayout jis = KeyboardLayout::Jis;
    KeyboardCoach coach;
    EXPECT_EQ(coach.follow(pointIn(u"かさ"), jis, std::nullopt), (LitKeys{KeyToPress{K, {}}, {}, false}));
    EXPECT_EQ(coach.follow(pointIn(u"かさ", {}, u"k"), jis, PressedKey{45, u'k'}),
              (LitKeys{KeyToPress{A, {}}, {}, false}));
    // "i" instead of "a": き is committed and wrong.
    const LitKeys slip{KeyToPress{A, {}}, I, true};
    EXPECT_EQ(coach.follow(pointIn(u"かさ", u"き"), jis, PressedKey{31, u'i'}), slip);
    EXPECT_EQ(coach.follow(pointIn(u"かさ", u"き", u"s"), jis, PressedKey{39, u's'}), slip);
    EXPECT_EQ(coach.follow(pointIn(u"かさ", u"き"), jis, PressedKey{22, u'\b'}), slip);
    EXPECT_EQ(coach.follow(pointIn(u"かさ"), jis, PressedKey{22, u'\b'}), (LitKeys{KeyToPress{K, {}}, {}, false}));

    // By its character when the key came without a code.
    EXPECT_EQ(coach.follow(pointIn(u"かさ", u"ｑ"), jis, PressedKey{0, u'q'}).hit, Q);
    coach.follow(pointIn(u"かさ"), jis, std::nullopt);
    // ろ pressed on a US keyboard: a slip, and no key to light for it.
    const LitKeys& onUs = coach.follow(pointIn(u"かさ", u"ろ"), KeyboardLayout::Us, PressedKey{97, 0});
    EXPECT_TRUE(onUs.slipped);
    EXPECT_FALSE(onUs.hit.has_value());
    coach.follow(pointIn(u"かさ"), jis, std::nullopt);
    // An input method's commit comes without a key: a slip with nothing pressed to show.
    const LitKeys& committed = coach.follow(pointIn(u"かさ", u"さ"), jis, std::nullopt);
    EXPECT_TRUE(committed.slipped);
    EXPECT_FALSE(committed.hit.has_value());
}

// A key kept with an impossible value would index past the tables; the key expected pressed wrong (without its Shift,
// say) is missed but is no slip to another key; a new game starts from nothing.
TEST(KeySlipTally, CountsEachKeyAndEachSlipToAnotherKeyInTheKeyboardsOrder)
{
    using K = KeyboardKey;
    KeySlipTally tally;
    tally.keyTaken(K::S, K::S, false);
    tally.keyTaken(K::A, K::S, true);
    tally.keyTaken(K::A, K::S, true);
    tally.keyTaken(K::A, std::nullopt, true);
    tally.keyTaken(K::Digit7, K::Digit7, true);
    tally.keyTaken(static_cast<K>(200), K::A, true);
    tally.keyTaken(K::S, static_cast<K>(200), true);

    const std::vector<KeyCount> keys = tally.keyCounts();
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].key, K::Digit7);
    EXPECT_EQ(std::pair(keys[0].expected, keys[0].missed), std::pair(1, 1));
    EXPECT_EQ(keys[1].key, K::A);
    EXPECT_EQ(std::pair(keys[1].expected, keys[1].missed), std::pair(3, 3));
    EXPECT_EQ(keys[2].key, K::S);
    EXPECT_EQ(std::pair(keys[2].expected, keys[2].missed), std::pair(2, 1));
    const std::vector<KeyConfusion> slips = tally.confusions();
    ASSERT_EQ(slips.size(), 1u);
    EXPECT_EQ(slips[0].expected, K::A);
    EXPECT_EQ(slips[0].hit, K::S);
    EXPECT_EQ(slips[0].count, 2);

    tally.reset();
    EXPECT_TRUE(tally.keyCounts().empty());
    EXPECT_TRUE(tally.confusions().empty());
}

} // namespace fururupo
