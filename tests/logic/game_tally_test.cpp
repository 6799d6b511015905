#include "logic/game_results.h"
#include "logic/game_tally.h"
#include "logic/typing_game.h"

#include "support/recording_display.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace fururupo;
using fururupo::testing::RecordingDisplay;

namespace {

// A game on a list of kana words, each drawn in turn: draw i of n lands on word i (the game rounds r × (n − 1)).
struct KanaGame
{
    explicit KanaGame(std::vector<std::u16string> entries, std::vector<std::u16string> readings = {})
        : count(static_cast<std::int32_t>(entries.size()))
    {
        for (std::size_t i = 0; i < entries.size(); ++i) {
            list.words[i] = entries[i];
            if (i < readings.size())
                list.readings[i] = readings[i];
        }
    }

    void start()
    {
        game.startGame(false, false, true, [this] { return count; });
        for (int i = 0; i < 4; ++i)
            game.countdownTick();
        game.wordClockTick(); // the tick after START shows the first word
    }

    // Types text key by key as the box would hold it after each key, then one more key (Enter) to be checked.
    void type(const std::u16string& text)
    {
        std::u16string box = boxText;
        for (char16_t c : text) {
            game.checkInput(box);
            box.push_back(c);
            game.keyTaken(box);
        }
        boxText = box;
    }
    void enter()
    {
        game.checkInput(boxText);
        game.keyTaken(display.input);
        boxText = display.input;
    }
    void backspace()
    {
        game.checkInput(boxText);
        boxText.pop_back();
        game.keyTaken(boxText);
    }
    void tick(int n = 1)
    {
        for (int i = 0; i < n; ++i)
            game.wordClockTick();
    }

    std::int32_t count;
    RecordingDisplay display;
    WordList list;
    std::u16string boxText;
    TypingGame game{display, list, [] { return 0.0f; }};
};

const KanaCount* kanaOf(const GameTally& tally, char16_t kana)
{
    for (const KanaCount& count : tally.kana()) {
        if (count.kana == std::u16string(1, kana))
            return &count;
    }
    return nullptr;
}

} // namespace

// A key counted as a mistake only once the box has gone wrong; going back to right by Backspace is a correction.
TEST(GameTally, CountsGoodKeysMistakesAndCorrectionsOfOneWord)
{
    KanaGame g({u"かさ"});
    g.start();
    ASSERT_TRUE(g.game.wordOnDisplay());
    g.type(u"か"); // good
    g.type(u"し"); // box かし: a mistake, さ is missed
    g.type(u"す"); // still wrong and longer: another mistake
    g.backspace(); // shorter: a correction
    g.backspace(); // back to か, right again: a correction still, nothing advanced
    g.type(u"さ"); // good
    g.enter();     // accepted: good
    const GameTally& tally = g.game.tally();
    EXPECT_EQ(tally.goodKeys(), 3);
    EXPECT_EQ(tally.mistakes(), 2);
    EXPECT_EQ(tally.corrections(), 2);
    EXPECT_EQ(tally.keys(), 7);
    ASSERT_EQ(tally.words().size(), 1u);
    EXPECT_EQ(tally.words()[0].word, u"かさ");
    EXPECT_EQ(tally.words()[0].mistakes, 2);
    EXPECT_FALSE(tally.words()[0].timedOut);
    // Two wrong keys on the same kana in one showing miss it once.
    ASSERT_NE(kanaOf(tally, u'さ'), nullptr);
    EXPECT_EQ(kanaOf(tally, u'さ')->missed, 1);
    EXPECT_EQ(kanaOf(tally, u'さ')->typed, 1);
    EXPECT_EQ(kanaOf(tally, u'か')->missed, 0);
}

// An input method commits several kana at once: the commit is one key, and a wrong one blames the first wrong kana.
TEST(GameTally, AnInputMethodCommitIsOneKeyJudgedByTheWholeText)
{
    KanaGame g({u"さくら"});
    g.start();
    g.game.checkInput(u"");
    g.game.keyTaken(u"さくな"); // one commit, wrong at ら
    g.game.checkInput(u"さくな");
    g.game.keyTaken(u"さく"); // Backspace: a correction
    g.game.checkInput(u"さく");
    g.game.keyTaken(u"さくら");   // the right commit
    g.game.checkInput(u"さくら"); // Enter accepts
    const GameTally& tally = g.game.tally();
    EXPECT_EQ(tally.mistakes(), 1);
    EXPECT_EQ(tally.corrections(), 1);
    EXPECT_EQ(tally.goodKeys(), 2);
    EXPECT_EQ(kanaOf(tally, u'ら')->missed, 1);
    EXPECT_EQ(kanaOf(tally, u'く')->missed, 0);
}

// An input method can commit past the end of the word: wrong, but no kana of the word is to blame.
TEST(GameTally, TextBeyondTheWordIsAMistakeWithoutAMissedKana)
{
    KanaGame g({u"て"});
    g.start();
    g.game.checkInput(u"");
    g.game.keyTaken(u"てて");
    const GameTally& tally = g.game.tally();
    EXPECT_EQ(tally.mistakes(), 1);
    g.game.checkInput(u"てて");
    g.game.keyTaken(u"て");
    g.game.checkInput(u"て");
    ASSERT_EQ(tally.words().size(), 1u);
    EXPECT_EQ(kanaOf(tally, u'て')->missed, 0);
}

// Keys outside a word (countdown, time-up, after a match) are not the player's typing of a word.
TEST(GameTally, KeysWhileNoWordIsShownAreNotCounted)
{
    KanaGame g({u"あ"});
    g.game.startGame(false, false, true, [&] { return g.count; });
    g.game.countdownTick();
    g.game.keyTaken(u"x"); // during the countdown
    for (int i = 0; i < 3; ++i)
        g.game.countdownTick();
    g.game.keyTaken(u"y"); // on START
    EXPECT_EQ(g.game.tally().keys(), 0);
    g.tick();  // the word
    g.tick(4); // its four seconds run out
    EXPECT_EQ(g.display.prompt, texts::timeUp);
    g.game.keyTaken(u"z"); // during the time-up
    EXPECT_EQ(g.game.tally().keys(), 0);
}

// A timed-out word is kept as such with its whole limit, and where the player was stuck is a missed kana.
TEST(GameTally, ATimeUpKeepsTheWordAndBlamesTheKanaWhereThePlayerStopped)
{
    KanaGame g({u"とけい"});
    g.start();
    g.type(u"とけ");
    g.tick(4);
    ASSERT_EQ(g.display.prompt, texts::timeUp);
    const GameTally& tally = g.game.tally();
    ASSERT_EQ(tally.words().size(), 1u);
    EXPECT_TRUE(tally.words()[0].timedOut);
    EXPECT_EQ(tally.words()[0].seconds, 4);
    EXPECT_EQ(kanaOf(tally, u'い')->missed, 1);
    EXPECT_EQ(kanaOf(tally, u'と')->missed, 0);
    // Every second of the time-up repeats the message, but the word is kept once.
    g.tick(3);
    EXPECT_EQ(tally.words().size(), 1u);
}

// A game started again begins a new tally; a finished one calls the display once, with all 21 words counted.
TEST(GameTally, ARestartClearsTheTallyAndTheFinishHandsOverAllTwentyOneWords)
{
    KanaGame g({u"ねこ"}, {});
    g.start();
    g.type(u"ねこ");
    g.enter();
    EXPECT_EQ(g.game.tally().words().size(), 1u);
    g.start();
    EXPECT_EQ(g.game.tally().words().size(), 0u);
    EXPECT_EQ(g.game.tally().keys(), 0);
    for (int word = 0; word < 21; ++word) {
        g.tick(2);
        g.type(u"ねこ");
        g.enter();
    }
    EXPECT_EQ(g.display.finishes, 1);
    const GameTally& tally = g.game.tally();
    ASSERT_EQ(tally.words().size(), 21u);
    EXPECT_EQ(tally.keys(), 21 * 3);
    EXPECT_EQ(tally.mistakes(), 0);
    EXPECT_EQ(kanaOf(tally, u'ね')->typed, 21);
    // The record message is the game's own, untouched by the counting.
    EXPECT_EQ(g.display.prompt.substr(0, 6), u"おめでとう!");
}

// A kanji word is typed by its reading: its kana are the reading's, and the word is kept as shown.
TEST(GameTally, AWordWithAReadingCountsTheReadingsKana)
{
    KanaGame g({u"山"}, {u"やま"});
    g.start();
    g.type(u"やま");
    g.enter();
    const GameTally& tally = g.game.tally();
    ASSERT_EQ(tally.words().size(), 1u);
    EXPECT_EQ(tally.words()[0].word, u"山");
    EXPECT_EQ(tally.words()[0].answer, u"やま");
    EXPECT_NE(kanaOf(tally, u'や'), nullptr);
    EXPECT_EQ(kanaOf(tally, u'山'), nullptr);
}

// An input method's keys all reach the box as events that leave the text as it is until the commit: counting only
// commits made 181 keys read as 42, and refusing the converted word charged a slip and a missed kana for it.
TEST(GameTally, InputMethodKeysCountOneByOneAndAConvertedWordAnswersWithoutAMistake)
{
    KanaGame g({u"写真"}, {u"しゃしん"});
    g.start();
    const auto key = [&](std::u16string_view before, std::u16string_view after) {
        g.game.checkInput(before);
        g.game.keyTaken(after, TypingStyle::InputMethod);
    };
    for (int composing = 0; composing < 8; ++composing)
        key(u"", u""); // s h a s h i n n, each a change of the composition
    key(u"", u"");     // Space converts
    key(u"", u"写");   // a commit of the first segment alone is on track
    key(u"写", u"写真");
    g.game.checkInput(u"写真"); // Enter answers
    const GameTally& tally = g.game.tally();
    EXPECT_EQ(tally.keys(), 12);
    EXPECT_EQ(tally.mistakes(), 0);
    EXPECT_EQ(tally.keysTypedAs(TypingStyle::InputMethod), 11);
    ASSERT_EQ(tally.words().size(), 1u);
    EXPECT_TRUE(tally.words()[0].converted);
    EXPECT_EQ(tally.words()[0].mistakes, 0);
    for (const char16_t kana : std::u16string_view(u"しゃん")) {
        ASSERT_NE(kanaOf(tally, kana), nullptr);
        EXPECT_EQ(kanaOf(tally, kana)->missed, 0);
    }
    EXPECT_EQ(kanaOf(tally, u'し')->typed, 2);
}

// Mistakes through an input method are what it commits, where it first goes wrong; keys that go nowhere still count.
TEST(GameTally, AnInputMethodsWrongCommitIsAMistakeAtItsFirstWrongKanaAndAnAbandonedCompositionChangesNothing)
{
    KanaGame g({u"しゃしん"});
    g.start();
    const auto key = [&](std::u16string_view before, std::u16string_view after) {
        g.game.checkInput(before);
        g.game.keyTaken(after, TypingStyle::InputMethod);
    };
    key(u"", u"");        // k
    key(u"", u"");        // a
    key(u"", u"");        // Escape abandons the composition
    key(u"", u"しゅ");    // a commit wrong at its second kana
    key(u"しゅ", u"し");  // Backspace
    key(u"し", u"しゃs"); // Latin letters committed in the middle of the word
    const GameTally& tally = g.game.tally();
    EXPECT_EQ(tally.keys(), 6);
    EXPECT_EQ(tally.mistakes(), 2);
    EXPECT_EQ(tally.corrections(), 1);
    key(u"しゃs", u"しゃ");
    key(u"しゃ", u"しゃしん");
    g.game.checkInput(u"しゃしん");
    ASSERT_EQ(tally.words().size(), 1u);
    EXPECT_FALSE(tally.words()[0].converted);
    EXPECT_EQ(kanaOf(tally, u'ゃ')->missed, 1);
    EXPECT_EQ(kanaOf(tally, u'し')->missed, 1); // the second し, where the s went in
    EXPECT_EQ(kanaOf(tally, u'ん')->missed, 0);
}

// Bests are kept per way of typing, so the way a mixed game is filed under must follow what typed it.
TEST(GameTally, TheWayOfTypingIsTheOneThatTypedMostOfTheGamesKeys)
{
    KanaGame g({u"かさ"});
    g.start();
    EXPECT_EQ(g.game.typingStyle(), TypingStyle::Romaji); // nothing typed yet
    g.game.keyTaken(u"か", TypingStyle::Kana);
    g.game.keyTaken(u"か", std::nullopt); // Enter, Backspace or a Latin letter: no way of its own
    g.game.keyTaken(u"か", std::nullopt);
    EXPECT_EQ(g.game.typingStyle(), TypingStyle::Kana);
    g.game.keyTaken(u"か", TypingStyle::Romaji);
    g.game.keyTaken(u"か", TypingStyle::Romaji);
    EXPECT_EQ(g.game.typingStyle(), TypingStyle::Romaji);
    // A tie goes to the input method, then to kana.
    g.game.keyTaken(u"か", TypingStyle::Kana);
    EXPECT_EQ(g.game.typingStyle(), TypingStyle::Kana);
    g.game.keyTaken(u"か", TypingStyle::InputMethod);
    g.game.keyTaken(u"か", TypingStyle::InputMethod);
    EXPECT_EQ(g.game.typingStyle(), TypingStyle::InputMethod);
    EXPECT_EQ(g.game.tally().keysTypedAs(TypingStyle::Romaji), 2);
    EXPECT_EQ(g.game.tally().keys(), 8);
    // Keys while no word is shown have no way either; a new game starts from none.
    g.type(u"かさ");
    g.enter();
    ASSERT_FALSE(g.game.wordOnDisplay());
    g.game.keyTaken(u"x", TypingStyle::InputMethod);
    EXPECT_EQ(g.game.tally().keysTypedAs(TypingStyle::InputMethod), 2);
    g.start();
    EXPECT_EQ(g.game.tally().keysTypedAs(TypingStyle::InputMethod), 0);
    EXPECT_EQ(g.game.typingStyle(), TypingStyle::Romaji);
}

TEST(GameResults, SummaryAndTextsSayKeysAccuracyTheScoreTheWayTheSlowestWordAndTheBest)
{
    KanaGame g({u"あめ"});
    g.start();
    g.tick(1);
    g.type(u"あめ");
    g.enter(); // after 2 seconds
    g.tick(1);
    g.tick(3);
    g.type(u"あむ");
    g.backspace();
    g.type(u"め");
    g.enter();
    const GameSummary summary = summarize(g.game.tally(), 30);
    EXPECT_EQ(summary.counts.keys, 8);
    EXPECT_EQ(summary.counts.goodKeys, 6); // the slip and its Backspace bring the word no nearer
    EXPECT_EQ(summary.counts.mistakes, 1);
    EXPECT_DOUBLE_EQ(summary.counts.keysPerMinute(), 12.0);
    EXPECT_DOUBLE_EQ(summary.counts.accuracy(), 87.5);
    EXPECT_EQ(summary.counts.score(), 8); // 12 × 0.875³ = 8.04
    EXPECT_EQ(summary.style, TypingStyle::Romaji);
    EXPECT_EQ(summary.slowest.word, u"あめ");
    EXPECT_EQ(summary.slowest.seconds, 4);

    const std::u16string notBetter = resultsText(summary, BestStanding::NotBetter, 25);
    EXPECT_EQ(notBetter, u"打鍵 8 回（正しい打鍵 1 分あたり 12 打）　ミス 1 回　正確さ 87.5%\r\n"
                         u"スコア 8　はじめてのお客さま　　入力方法：ローマ字入力\r\n"
                         u"いちばん時間がかかったことば：あめ（4 秒）\r\n"
                         u"自己ベスト：25 秒");
    const std::u16string best = resultsText(summary, BestStanding::NewBest, 41);
    EXPECT_NE(best.find(u"★ 自己ベスト更新！ ★"), std::u16string::npos);
    EXPECT_NE(best.find(u"41 秒"), std::u16string::npos);
    EXPECT_NE(resultsText(summary, BestStanding::First, std::nullopt).find(u"はじめての記録"), std::u16string::npos);
    // Without the history nothing is said about bests, rather than something wrong.
    EXPECT_EQ(resultsText(summary, BestStanding::Unknown, std::nullopt).find(u"ベスト"), std::u16string::npos);
    // Each way of typing is named, and differently.
    EXPECT_NE(resultsText({summary.counts, TypingStyle::Kana, {}}, BestStanding::Unknown, std::nullopt)
                  .find(styleName(TypingStyle::Kana)),
              std::u16string::npos);
    EXPECT_NE(styleName(TypingStyle::Kana), styleName(TypingStyle::InputMethod));
    EXPECT_NE(styleName(TypingStyle::Romaji), styleName(TypingStyle::InputMethod));
}

// The figures of a game at the edges: a game of no seconds or no keys divides by nothing, and counts that cannot be
// (more mistakes than keys) are read as none.
TEST(GameResults, TheFiguresOfBoundaryGames)
{
    struct Game
    {
        GameCounts counts;
        double perMinute, accuracy;
        std::int32_t score;
    };
    const Game games[] = {
        {{0, 10, 10, 0}, 0, 100, 0},        {{60, 0, 0, 0}, 0, 100, 0},         {{60, 100, 0, 100}, 0, 0, 0},
        {{60, 200, 200, 0}, 200, 100, 200}, {{30, 200, 150, 50}, 300, 75, 127}, {{60, 5, 5, 9}, 5, 100, 5},
    };
    for (const Game& g : games) {
        SCOPED_TRACE(g.counts.keys);
        EXPECT_DOUBLE_EQ(g.counts.keysPerMinute(), g.perMinute);
        EXPECT_DOUBLE_EQ(g.counts.accuracy(), g.accuracy);
        EXPECT_EQ(g.counts.score(), g.score);
    }
}
