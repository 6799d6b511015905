// The romaji guide per key: one guide for each state the input box passes through while a player types a word,
// alone and together with the composer's key and the family the guide follows.
#include "logic/kana_composer.h"
#include "logic/romaji_guide.h"

#include <benchmark/benchmark.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace fururupo;

namespace {

// A typical word of the bundled list (its median is 3 kana), its longest, and the 12-kana word of the game figures.
constexpr std::u16string_view typicalWord = u"こんにちは";
constexpr std::u16string_view longestBundledWord = u"いってらっしゃい";
constexpr std::u16string_view longWord = u"あさがおのかんさつにっき";
// A word of both scripts, typed with one switch of mode where the katakana ends.
constexpr std::u16string_view mixedWord = u"ミシンがけ";

// The keys of a word as the guide shows them, each typed in the mode of the kana it goes to, and the box's committed
// text and pending letters before each key.
struct Typing
{
    std::u16string keys;
    std::vector<std::pair<std::u16string, std::u16string>> states;
    bool complete = false;
};

Typing typeByTheGuide(std::u16string_view word)
{
    Typing typing;
    KanaComposer composer;
    std::u16string committed;
    for (const char16_t key : guideRomaji(word, u"", u"", SpellingFamily::Hepburn).rest) {
        if (const char16_t next = committed.size() < word.size() ? word[committed.size()] : u'\0';
            next >= u'\u3041' && next <= u'\u3096')
            composer.setScript(Script::Hiragana);
        else if (next >= u'\u30A1' && next <= u'\u30FA')
            composer.setScript(Script::Katakana);
        typing.keys += key;
        typing.states.emplace_back(committed, composer.pending());
        committed += composer.feed(key, word, committed);
    }
    typing.complete = committed == word && composer.pending().empty();
    return typing;
}

void reportPerKey(benchmark::State& state, const Typing& typing)
{
    const auto keys = static_cast<std::int64_t>(typing.states.size());
    state.SetItemsProcessed(state.iterations() * keys);
    state.counters["per_key"] = benchmark::Counter(
        static_cast<double>(keys), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The guide alone, once for every key of the word: what the input box computes after each key to draw the hint.
void BM_RomajiGuide_PerKey(benchmark::State& state, std::u16string_view word)
{
    const Typing typing = typeByTheGuide(word);
    if (!typing.complete) {
        state.SkipWithError("the guide did not lead to the word");
        return;
    }
    for (auto _ : state) {
        for (const auto& [committed, pending] : typing.states) {
            RomajiHint hint = guideRomaji(word, committed, pending, SpellingFamily::Hepburn);
            benchmark::DoNotOptimize(hint.rest.data());
            benchmark::DoNotOptimize(hint.mistakeAt);
        }
    }
    reportPerKey(state, typing);
}

// Everything the rules do for one key of the box: the composer told the word, the guide following the key, the hint.
void BM_KeyWithGuide_PerKey(benchmark::State& state, std::u16string_view word)
{
    const Typing typing = typeByTheGuide(word);
    KanaComposer composer;
    RomajiGuide guide;
    std::u16string committed;
    for (auto _ : state) {
        committed.clear();
        composer.reset();
        guide.reset();
        for (const char16_t key : typing.keys) {
            const std::u16string before = composer.pending();
            committed += composer.feed(key, word, committed);
            guide.follow(before, key);
            RomajiHint hint = guide.hint(word, committed, composer.pending());
            benchmark::DoNotOptimize(hint.rest.data());
        }
    }
    if (committed != word)
        state.SkipWithError("the keys did not give the word");
    reportPerKey(state, typing);
}

// The floor: the same keys through the composer alone, with the word told, no guide.
void BM_KeyWithoutGuide_PerKey(benchmark::State& state, std::u16string_view word)
{
    const Typing typing = typeByTheGuide(word);
    KanaComposer composer;
    std::u16string committed;
    for (auto _ : state) {
        committed.clear();
        composer.reset();
        for (const char16_t key : typing.keys) {
            committed += composer.feed(key, word, committed);
            benchmark::DoNotOptimize(committed.data());
        }
    }
    if (committed != word)
        state.SkipWithError("the keys did not give the word");
    reportPerKey(state, typing);
}

} // namespace

BENCHMARK_CAPTURE(BM_RomajiGuide_PerKey, typical, typicalWord);
BENCHMARK_CAPTURE(BM_RomajiGuide_PerKey, longestBundled, longestBundledWord);
BENCHMARK_CAPTURE(BM_RomajiGuide_PerKey, long12, longWord);
BENCHMARK_CAPTURE(BM_RomajiGuide_PerKey, mixed, mixedWord);
BENCHMARK_CAPTURE(BM_KeyWithGuide_PerKey, typical, typicalWord);
BENCHMARK_CAPTURE(BM_KeyWithGuide_PerKey, long12, longWord);
BENCHMARK_CAPTURE(BM_KeyWithoutGuide_PerKey, typical, typicalWord);
BENCHMARK_CAPTURE(BM_KeyWithoutGuide_PerKey, long12, longWord);
