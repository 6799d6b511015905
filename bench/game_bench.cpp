// One key-down through the game's check, and a match with the tick that draws the next word, with a plain string
// compare as the floor.
#include "logic/kana_composer.h"
#include "logic/typing_game.h"
#include "platform/rnd.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

using namespace fururupo;

namespace {

// The word every slot holds: 12 kana, the longest in the bundled list.
constexpr std::u16string_view shownWord = u"あさがおのかんさつにっき";

// A display that only looks at what it is given, so the figures are the rules' own cost.
struct NullDisplay final : GameDisplay
{
    void setPrompt(std::u16string_view text) override { benchmark::DoNotOptimize(text.data()); }
    void setExplanation(std::u16string_view text) override { benchmark::DoNotOptimize(text.data()); }
    void setStars(std::u16string_view text) override { benchmark::DoNotOptimize(text.data()); }
    void setSpeedCaption(std::u16string_view text) override { benchmark::DoNotOptimize(text.data()); }
    void setInputText(std::u16string_view text) override { benchmark::DoNotOptimize(text.data()); }
    void setCountdownClock(bool on) override { benchmark::DoNotOptimize(on); }
    void setWordClock(bool on) override { benchmark::DoNotOptimize(on); }
};

// A game on a full list, past its countdown, with the 12-kana word shown and its 127-character explanation below.
struct ShownWord
{
    ShownWord()
    {
        const std::u16string explanation(127, u'説');
        for (std::size_t i = 0; i < WordList::slotCount; ++i) {
            list->words[i] = std::u16string(shownWord);
            list->explanations[i] = explanation;
        }
        game.startGame(false, true, false, [] { return WordList::slotCount; });
        for (int i = 0; i < 4; ++i)
            game.countdownTick();
        game.wordClockTick();
    }

    bool showing() const { return game.wordOnDisplay() && game.prompt() == shownWord; }

    NullDisplay display;
    std::unique_ptr<WordList> list = std::make_unique<WordList>();
    Rnd random;
    TypingGame game{display, *list, [this] { return random.next(); }};
};

// The input box one key short of the word: the common key-down while a player types.
void BM_CheckInput_MissPrefix(benchmark::State& state)
{
    ShownWord table;
    const std::u16string typed(shownWord.substr(0, shownWord.size() - 1));
    for (auto _ : state) {
        table.game.checkInput(typed);
        benchmark::ClobberMemory();
    }
    if (!table.showing())
        state.SkipWithError("a miss changed the game");
}

// The same length as the word but wrong in its last kana: the longest compare a miss can make.
void BM_CheckInput_MissLastKana(benchmark::State& state)
{
    ShownWord table;
    std::u16string typed(shownWord);
    typed.back() = u'く';
    for (auto _ : state) {
        table.game.checkInput(typed);
        benchmark::ClobberMemory();
    }
    if (!table.showing())
        state.SkipWithError("a miss changed the game");
}

// A match clears the word, so each iteration also ticks the word clock once to draw the next one: the cost of one
// word from the key that answers it to the next word on show. (The game's counters are its own, so a draw cannot be
// forced without the match that earns it.)
void BM_CheckInput_MatchThenDraw(benchmark::State& state)
{
    ShownWord table;
    const std::u16string typed(shownWord);
    for (auto _ : state) {
        table.game.checkInput(typed);
        table.game.wordClockTick();
    }
    if (!table.showing())
        state.SkipWithError("the next word was not drawn");
}

// What counting adds to a key: the tally of one key after it took effect, the box one kana short of the word (a
// good key) or wrong in its last kana (a mistake, which also marks the kana). Beside BM_CheckInput_MissPrefix, the
// check the same key makes before it.
void BM_Tally_KeyOnTrack(benchmark::State& state)
{
    ShownWord table;
    const std::u16string typed(shownWord.substr(0, shownWord.size() - 1));
    for (auto _ : state) {
        table.game.keyTaken(typed);
        benchmark::ClobberMemory();
    }
    if (!table.showing() || table.game.tally().goodKeys() == 0)
        state.SkipWithError("the key was not counted");
}

void BM_Tally_KeyMistake(benchmark::State& state)
{
    ShownWord table;
    std::u16string typed(shownWord);
    typed.back() = u'く';
    for (auto _ : state) {
        table.game.keyTaken(typed);
        benchmark::ClobberMemory();
    }
    if (!table.showing() || table.game.tally().mistakes() == 0)
        state.SkipWithError("the mistake was not counted");
}

// The floor for a key-down: comparing the input with the shown word and nothing else.
void BM_U16StringCompare(benchmark::State& state)
{
    const std::u16string prompt(shownWord);
    std::u16string typed(shownWord);
    typed.back() = u'く';
    for (auto _ : state) {
        benchmark::DoNotOptimize(prompt.data());
        benchmark::DoNotOptimize(typed.data());
        bool equal = std::u16string_view(typed) == std::u16string_view(prompt);
        benchmark::DoNotOptimize(equal);
    }
}

// Typing the shown word in romaji, one key a call, as the game's own hiragana input does before each check.
void BM_KanaComposer_TypeWord(benchmark::State& state)
{
    constexpr std::u16string_view keys = u"asagaonokansatunikki";
    KanaComposer composer;
    std::u16string typed;
    for (auto _ : state) {
        typed.clear();
        for (const char16_t key : keys)
            typed += composer.feed(key);
        typed += composer.flush();
        benchmark::DoNotOptimize(typed.data());
    }
    if (typed != shownWord)
        state.SkipWithError("the romaji did not give the word");
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(keys.size()));
}

} // namespace

BENCHMARK(BM_U16StringCompare);
BENCHMARK(BM_CheckInput_MissPrefix);
BENCHMARK(BM_Tally_KeyOnTrack);
BENCHMARK(BM_Tally_KeyMistake);
BENCHMARK(BM_CheckInput_MissLastKana);
BENCHMARK(BM_CheckInput_MatchThenDraw);
BENCHMARK(BM_KanaComposer_TypeWord);
