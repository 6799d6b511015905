#include "logic/typing_game.h"

#include "platform/checked.h"
#include "platform/rnd.h"
#include "support/recording_display.h"

#include <gtest/gtest.h>

#include <deque>
#include <limits>

using namespace fururupo;
using fururupo::testing::RecordingDisplay;

namespace {

using Calls = std::vector<std::pair<std::u16string, std::u16string>>;

// A game on a list of numbered words ("w0" ... ) whose random draws the test hands in one by one.
struct Table
{
    explicit Table(std::int32_t words = 10)
    {
        for (std::int32_t i = 0; i < WordList::slotCount; ++i) {
            list.words[static_cast<std::size_t>(i)] = u"w" + decimal(i);
            list.explanations[static_cast<std::size_t>(i)] = u"e" + decimal(i);
        }
        entries = words;
    }

    void start(bool slow, bool normal, bool fast)
    {
        game.startGame(slow, normal, fast, [this] { return entries; });
    }

    // From a fresh start to the tick that shows "START".
    void countdown()
    {
        for (int i = 0; i < 4; ++i)
            game.countdownTick();
    }

    // Types the prompt and presses one more key: the check sees the completed text.
    void typePrompt() { game.checkInput(display.prompt); }

    std::int32_t entries;
    RecordingDisplay display;
    WordList list;
    std::deque<float> draws;
    int drawsTaken = 0;
    TypingGame game{display, list,
                    [this] {
                        ++drawsTaken;
                        if (draws.empty())
                            return 0.0f;
                        const float value = draws.front();
                        draws.pop_front();
                        return value;
                    },
                    u"/games/MSG.txt"};
};

} // namespace

TEST(TypingGameStart, ClearsTheScreenLoadsAndStartsTheCountdownInOrder)
{
    Table t;
    t.start(false, true, false);
    EXPECT_EQ(t.display.calls, (Calls{{u"countdownClock", u"off"},
                                      {u"wordClock", u"off"},
                                      {u"prompt", u""},
                                      {u"explanation", u""},
                                      {u"stars", u""},
                                      {u"input", u""},
                                      {u"speed", u"ふつう"},
                                      {u"input", u" "},
                                      {u"countdownClock", u"on"}}));
    EXPECT_EQ(t.game.countdown(), 3);
    EXPECT_EQ(t.game.ticksLeft(), 14);
    EXPECT_EQ(t.game.entries(), 10);
    // The space put in the box at the start is no match for the empty prompt.
    t.game.checkInput(u" ");
    t.game.checkInput(u"");
    EXPECT_EQ(t.display.stars, u"");
}

TEST(TypingGameStart, TheLastSetSpeedFlagDecidesAndNoFlagKeepsTheLimit)
{
    struct Case
    {
        bool slow, normal, fast;
        std::int32_t limit;
        std::int16_t ticks;
        std::u16string caption;
    };
    const Case cases[] = {
        {true, false, false, 19, 19, u"おそい"},  {false, true, false, 14, 14, u"ふつう"},
        {false, false, true, 4, 4, u"はやい"},    {true, true, false, 14, 14, u"ふつう"},
        {true, false, true, 4, 4, u"はやい"},     {true, true, true, 4, 4, u"はやい"},
        {false, false, false, 0, 10, u"(unset)"},
    };
    for (const auto& c : cases) {
        Table t;
        t.start(c.slow, c.normal, c.fast);
        EXPECT_EQ(t.game.wordLimit(), c.limit);
        EXPECT_EQ(t.game.ticksLeft(), c.ticks);
        EXPECT_EQ(t.display.speed, c.caption);
    }
    // Without a flag the previous game's limit stays, and "START" lasts ten ticks before the first word.
    Table t;
    t.start(true, false, false);
    t.start(false, false, false);
    EXPECT_EQ(t.game.wordLimit(), 19);
    EXPECT_EQ(t.game.ticksLeft(), 10);
    // The speed a game is kept under is the one its limit came from.
    EXPECT_EQ(t.game.speed(), SpeedLevel::Slow);
    t.countdown();
    for (int i = 0; i < 9; ++i)
        t.game.wordClockTick();
    EXPECT_EQ(t.display.prompt, u"START");
}

TEST(TypingGameCountdown, ShowsThreeTwoOneStartThenHandsOverToTheWordClock)
{
    Table t;
    t.start(false, true, false);
    t.display.calls.clear();
    t.display.input = u"typed during the countdown";
    t.countdown();
    EXPECT_EQ(t.display.calls, (Calls{{u"prompt", u"3"},
                                      {u"prompt", u"2"},
                                      {u"prompt", u"1"},
                                      {u"prompt", u"START"},
                                      {u"countdownClock", u"off"},
                                      {u"wordClock", u"on"},
                                      {u"input", u""}}));
    EXPECT_EQ(t.game.countdown(), -1);
    t.game.countdownTick();
    EXPECT_EQ(t.display.prompt, u"START");
    EXPECT_EQ(t.game.countdown(), -2);
}

// The draw rounds half to even and redraws once when the first value reaches the last index.
TEST(TypingGameDraw, RoundsHalvesToEvenAndTakesTheSecondDrawUntested)
{
    struct Case
    {
        std::int32_t entries;
        std::vector<float> draws;
        std::u16string word;
        int drawsTaken;
    };
    const Case cases[] = {
        {2, {0.5f}, u"w0", 1},        // 0.5 rounds to 0
        {2, {0.75f, 0.9f}, u"w1", 2}, // 1 is the last index: draw again and keep it
        {2, {0.75f, 0.2f}, u"w0", 2},
        {5, {0.375f}, u"w2", 1},       // 1.5 rounds to 2
        {5, {0.625f}, u"w2", 1},       // 2.5 rounds to 2
        {5, {0.9f, 0.999f}, u"w4", 2}, // the last entry needs both draws
        {1, {0.3f, 0.8f}, u"w0", 2},   // one entry: always drawn twice, always entry 0
        {1001, {0.9999999f, 0.9999999f}, u"w1000", 2},
    };
    for (const auto& c : cases) {
        Table t(c.entries);
        t.draws.assign(c.draws.begin(), c.draws.end());
        t.start(false, false, true);
        t.countdown();
        t.game.wordClockTick();
        EXPECT_EQ(t.display.prompt, c.word) << "entries " << c.entries;
        EXPECT_EQ(t.drawsTaken, c.drawsTaken) << "entries " << c.entries;
    }
}

// Every run of the program sees the same word sequence for the same list.
TEST(TypingGameDraw, TheFirstFiveValuesOfTheSequenceGiveAFixedWordOrder)
{
    Rnd sequence;
    Table t(10);
    t.draws.clear();
    TypingGame game{t.display, t.list, [&] { return sequence.next(); }};
    game.startGame(false, false, true, [] { return 10; });
    for (int i = 0; i < 4; ++i)
        game.countdownTick();
    std::vector<std::u16string> shown;
    for (int word = 0; word < 5; ++word) {
        game.wordClockTick();
        shown.push_back(t.display.prompt);
        EXPECT_EQ(t.display.explanation, u"■解説■\r\ne" + t.display.prompt.substr(1));
        game.checkInput(t.display.prompt);
    }
    EXPECT_EQ(shown, (std::vector<std::u16string>{u"w6", u"w5", u"w5", u"w3", u"w3"}));
}

TEST(TypingGamePlay, TwentyOneMatchesShowTheRecordInSeconds)
{
    Table t;
    t.start(false, true, false);
    t.countdown();
    for (int word = 0; word < 21; ++word) {
        t.game.wordClockTick();
        t.game.wordClockTick(); // one second of thinking
        t.game.checkInput(u"not it");
        EXPECT_TRUE(t.game.wordOnDisplay());
        t.display.calls.clear();
        t.typePrompt();
        if (word < 20) {
            EXPECT_EQ(t.display.calls, (Calls{{u"stars", std::u16string(static_cast<std::size_t>(word) + 1, u'★')},
                                              {u"prompt", u""},
                                              {u"explanation", u""},
                                              {u"input", u""}}));
            EXPECT_EQ(t.game.cleared(), word + 1);
            EXPECT_EQ(t.game.ticksLeft(), 14);
        }
    }
    EXPECT_EQ(t.display.prompt, u"おめでとう!\r\n記録：42秒");
    EXPECT_FALSE(t.display.wordClock);
    EXPECT_EQ(t.display.stars, std::u16string(21, u'★'));
    EXPECT_EQ(t.game.cleared(), 0);
    EXPECT_EQ(t.display.calls.back(), (std::pair<std::u16string, std::u16string>{u"wordClock", u"off"}));
}

// A word written in kanji is shown as written with its reading, and only the reading answers it; the next word
// without a reading is answered as shown again.
// A player who converts the word through an input method and commits it as written must get the star: refusing it
// charged a slip and a missed kana for a word typed right.
TEST(TypingGamePlay, AWordWithAReadingIsShownAsWrittenAndAnsweredByItsReadingOrAsWritten)
{
    Table t(2);
    t.list.words[0] = u"新聞";
    t.list.readings[0] = u"しんぶん";
    t.list.words[1] = u"ねこ";
    t.start(false, true, false);
    t.countdown();
    t.display.calls.clear();
    t.game.wordClockTick();
    EXPECT_EQ(t.display.calls,
              (Calls{{u"prompt", u"新聞"}, {u"reading", u"しんぶん"}, {u"explanation", u"■解説■\r\ne0"}}));
    EXPECT_EQ(t.game.answer(), u"しんぶん");
    t.game.checkInput(u"新");
    t.game.checkInput(u"しんぶ");
    EXPECT_EQ(t.display.stars, u"");
    t.game.checkInput(u"しんぶん");
    EXPECT_EQ(t.display.stars, u"★");
    EXPECT_EQ(t.game.answer(), u"");
    t.game.wordClockTick();
    ASSERT_EQ(t.display.prompt, u"新聞");
    t.game.checkInput(u"新聞");
    EXPECT_EQ(t.display.stars, u"★★");
    ASSERT_EQ(t.game.tally().words().size(), 2u);
    EXPECT_FALSE(t.game.tally().words()[0].converted);
    EXPECT_TRUE(t.game.tally().words()[1].converted);

    t.draws = {0.9f, 0.9f}; // the second draw gives the last entry
    t.display.calls.clear();
    t.game.wordClockTick();
    EXPECT_EQ(t.display.calls.front(), (std::pair<std::u16string, std::u16string>{u"prompt", u"ねこ"}));
    EXPECT_EQ(t.display.calls[1].first, u"explanation"); // no reading for a word typed as shown
    t.game.checkInput(u"しんぶん");
    EXPECT_EQ(t.display.stars, u"★★");
    t.game.checkInput(u"ねこ");
    EXPECT_EQ(t.display.stars, u"★★★");
}

TEST(TypingGamePlay, MatchesOnlyTheExactText)
{
    Table t;
    t.list.words[0] = u"ねこ";
    t.start(false, true, false);
    t.countdown();
    t.game.wordClockTick();
    ASSERT_EQ(t.display.prompt, u"ねこ");
    for (const std::u16string near : {u"ね", u"ねこ ", u"ネコ", u"ｎｅｋｏ", u""})
        t.game.checkInput(near);
    EXPECT_EQ(t.display.stars, u"");
    t.game.checkInput(u"ねこ");
    EXPECT_EQ(t.display.stars, u"★");
}

// A word shown at tick k gives way to the time-up message at tick k + limit.
TEST(TypingGameTimeUp, ComesAfterTheSpeedLimitAndEmptiesTheBoxEverySecond)
{
    for (const auto& [flags, limit] : {std::pair{0, 19}, std::pair{1, 14}, std::pair{2, 4}}) {
        Table t;
        t.start(flags == 0, flags == 1, flags == 2);
        t.countdown();
        t.game.wordClockTick();
        const std::u16string word = t.display.prompt;
        for (int i = 1; i < limit; ++i)
            t.game.wordClockTick();
        EXPECT_EQ(t.display.prompt, word) << limit;
        t.display.input = u"late";
        t.game.wordClockTick();
        EXPECT_EQ(t.display.prompt, u"お時間になりました。") << limit;
        EXPECT_EQ(t.display.input, u"");
        EXPECT_TRUE(t.display.wordClock);
        t.display.input = u"later";
        t.game.wordClockTick();
        EXPECT_EQ(t.display.input, u"");
        EXPECT_EQ(t.game.elapsed(), limit + 2);
    }
}

// Holding Enter on an empty box must not win a game: only a drawn word can be matched.
TEST(TypingGameStars, NothingButADrawnWordEarnsAStar)
{
    Table t;
    t.start(false, false, true);
    t.game.checkInput(u"");
    for (int step = 0; step < 4; ++step) {
        t.game.countdownTick();
        t.typePrompt(); // "3", "2", "1", "START"
    }
    t.game.wordClockTick();
    t.typePrompt();
    EXPECT_EQ(t.display.stars, u"★");
    // After the match the prompt is empty until the next tick: key repeats on an empty box earn nothing.
    for (int repeat = 0; repeat < 30; ++repeat)
        t.game.checkInput(u"");
    EXPECT_EQ(t.display.stars, u"★");
    for (int tick = 0; tick < 5; ++tick)
        t.game.wordClockTick();
    ASSERT_EQ(t.display.prompt, u"お時間になりました。");
    t.typePrompt();
    EXPECT_EQ(t.display.stars, u"★");
    EXPECT_EQ(t.game.cleared(), 1);
}

TEST(TypingGameStars, TheRecordIsNoMatchEither)
{
    Table t;
    t.start(false, true, false);
    t.countdown();
    for (int word = 0; word < 21; ++word) {
        t.game.wordClockTick();
        t.typePrompt();
    }
    ASSERT_EQ(t.display.prompt, u"おめでとう!\r\n記録：21秒");
    t.typePrompt();
    t.game.checkInput(u"");
    EXPECT_EQ(t.display.stars, std::u16string(21, u'★'));
}

// Key-downs that run inside the load (it yields to events) see an empty prompt and earn nothing.
TEST(TypingGameStars, KeyDownsDuringTheLoadEarnNothing)
{
    Table t;
    t.game.startGame(false, true, false, [&] {
        t.game.checkInput(u"");
        t.game.checkInput(u"");
        return 10;
    });
    EXPECT_EQ(t.display.stars, u"");
    EXPECT_EQ(t.game.cleared(), 0);
}

// With no words the draw must not index outside the list; the player is told where the words were looked for.
TEST(TypingGameDraw, AnEmptyListShowsAMessageAndStopsTheWordClock)
{
    Table t(0);
    t.draws = {0.9f, 0.9f, 0.9f};
    t.start(false, true, false);
    t.countdown();
    t.display.calls.clear();
    EXPECT_NO_THROW(t.game.wordClockTick());
    EXPECT_EQ(t.display.calls,
              (Calls{{u"prompt", u"単語がありません"},
                     {u"explanation", u"■解説■\r\nMSG.txt から単語を読めませんでした。探した場所：/games/MSG.txt"},
                     {u"wordClock", u"off"}}));
    EXPECT_EQ(t.drawsTaken, 0);
    t.typePrompt();
    EXPECT_EQ(t.display.stars, u"");
}

// Nine hours of time-up must not overflow the ticks left; the rest of the time-up goes on as before.
TEST(TypingGameTimeUp, ALongTimeUpRestsAtTheLowerLimit)
{
    Table t;
    t.start(false, false, true);
    t.countdown();
    for (int tick = 0; tick < 100000; ++tick)
        t.game.wordClockTick();
    EXPECT_EQ(t.game.ticksLeft(), std::numeric_limits<std::int16_t>::min());
    EXPECT_EQ(t.game.elapsed(), 100000);
    EXPECT_EQ(t.display.prompt, u"お時間になりました。");
    EXPECT_TRUE(t.display.wordClock);
}

// Counters the game does not bound must raise rather than wrap: the countdown's steps past START, if its clock
// ever ticked on, would otherwise come round to "3" again.
TEST(TypingGameOverflow, CountersTheGameDoesNotBoundStillRaise)
{
    Table t;
    t.start(false, true, false);
    int ticks = 0;
    EXPECT_THROW(
        while (ticks < 40000) {
            t.game.countdownTick();
            ++ticks;
        },
        RuntimeError);
    EXPECT_EQ(ticks, 3 + 32768);
    EXPECT_EQ(t.game.countdown(), std::numeric_limits<std::int16_t>::min());
}

// A new start from any phase discards the running game.
TEST(TypingGameStart, ARestartInAnyPhaseBeginsAFreshCountdown)
{
    Table t;
    t.start(false, true, false);
    t.countdown();
    for (int word = 0; word < 3; ++word) {
        t.game.wordClockTick();
        t.typePrompt();
    }
    t.game.wordClockTick();
    t.start(false, true, false);
    EXPECT_EQ(t.display.stars, u"");
    EXPECT_EQ(t.display.prompt, u"");
    EXPECT_FALSE(t.display.wordClock);
    EXPECT_FALSE(t.game.wordOnDisplay());
    EXPECT_EQ(t.game.cleared(), 0);
    EXPECT_EQ(t.game.elapsed(), 0);
    t.game.countdownTick();
    EXPECT_EQ(t.display.prompt, u"3");
}

// A blank line is no word: the draw is repeated the same way until it lands on a word, so an empty prompt that any
// key-down on an empty box would match is never shown.
TEST(TypingGameDraw, BlankEntriesAreDrawnAgainTheSameWay)
{
    struct Case
    {
        const char* what;
        std::int32_t entries;
        std::vector<std::int32_t> blank;
        std::vector<float> draws;
        std::u16string word;
        int drawsTaken;
    };
    const Case cases[] = {
        {"no blank: one draw as before", 5, {}, {0.25f}, u"w1", 1},
        {"a blank, then a word", 5, {1}, {0.25f, 0.5f}, u"w2", 2},
        {"two blanks in a row", 5, {1, 2}, {0.25f, 0.5f, 0.0f}, u"w0", 3},
        // The second draw is still taken as it comes, and its landing on a blank starts a fresh two-draw attempt.
        {"the last entry is blank", 5, {4}, {0.9f, 0.9f, 0.75f}, u"w3", 3},
    };
    for (const auto& c : cases) {
        Table t(c.entries);
        for (const std::int32_t slot : c.blank)
            t.list.words[static_cast<std::size_t>(slot)].clear();
        t.draws.assign(c.draws.begin(), c.draws.end());
        t.start(false, false, true);
        t.countdown();
        t.game.wordClockTick();
        EXPECT_EQ(t.display.prompt, c.word) << c.what;
        EXPECT_EQ(t.drawsTaken, c.drawsTaken) << c.what;
        EXPECT_TRUE(t.game.wordOnDisplay()) << c.what;
    }
}

// A list that is nearly all blank still plays its words, and the draw stays bounded even where the random sequence
// would take very long to hit the one word by chance.
TEST(TypingGameDraw, ANearlyBlankListDrawsItsWordsInBoundedTime)
{
    for (const std::int32_t wordSlot : {0, 500, 1000}) {
        Rnd sequence;
        Table t(WordList::slotCount);
        for (auto& word : t.list.words)
            word.clear();
        t.list.words[static_cast<std::size_t>(wordSlot)] = u"only";
        int drawsTaken = 0;
        TypingGame game{t.display, t.list, [&] {
                            ++drawsTaken;
                            return sequence.next();
                        }};
        game.startGame(false, false, true, [] { return WordList::slotCount; });
        for (int i = 0; i < 4; ++i)
            game.countdownTick();
        for (int word = 0; word < 5; ++word) {
            drawsTaken = 0;
            game.wordClockTick();
            EXPECT_EQ(t.display.prompt, u"only") << "word in slot " << wordSlot;
            EXPECT_LE(drawsTaken, 2000) << "word in slot " << wordSlot;
            game.checkInput(u"only");
        }
        EXPECT_EQ(t.display.stars, u"★★★★★");
    }
}

// Blank lines alone are a list without words: the player is told so, and Enter on the empty box earns nothing.
TEST(TypingGameDraw, AListOfBlankLinesPlaysLikeAListWithoutWords)
{
    Table t(6);
    for (auto& word : t.list.words)
        word.clear();
    t.start(false, true, false);
    t.countdown();
    t.game.wordClockTick();
    EXPECT_EQ(t.display.prompt, u"単語がありません");
    EXPECT_FALSE(t.display.wordClock);
    EXPECT_EQ(t.drawsTaken, 0);
    for (int key = 0; key < 10; ++key)
        t.game.checkInput(u"");
    EXPECT_EQ(t.display.stars, u"");
}
