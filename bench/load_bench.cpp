// Loading a full word file, against reading the same bytes with read(): the ratio says what the line splitting,
// the conversion from code page 932 and the column cutting add on top of the system's own cost.
#include "bench_word_file.h"

#include "logic/word_list.h"
#include "platform/text_reader.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using namespace fururupo;
using fururupo::bench::BenchWordFile;
using fururupo::bench::fullWordFile;

namespace {

// The yield of a screen with no pending events: nothing at all.
struct NoOpYield final : LoadHooks
{
    void yieldToEvents() override {}
    void reportLoadFailure(std::int32_t, LoadFailure) override { failed = true; }
    void reportUnreadableText(std::int32_t) override {}
    void reportBadLine(std::int32_t, LineProblem) override {}
    bool failed = false;
};

// A yield that does a little work each time, a stand-in for an event-loop pass that finds nothing to do: it sums
// 4 KiB of memory that the load itself never touches, so the cache pressure is real.
struct WorkingYield final : LoadHooks
{
    void yieldToEvents() override
    {
        std::uint64_t sum = 0;
        for (const auto value : scratch)
            sum += value;
        benchmark::DoNotOptimize(sum);
        scratch[sum % scratch.size()] ^= 1;
    }
    void reportLoadFailure(std::int32_t, LoadFailure) override { failed = true; }
    void reportUnreadableText(std::int32_t) override {}
    void reportBadLine(std::int32_t, LineProblem) override {}

    std::array<std::uint64_t, 512> scratch{};
    bool failed = false;
};

template <typename Hooks> void loadFullFile(benchmark::State& state)
{
    const BenchWordFile& file = fullWordFile();
    const auto list = std::make_unique<WordList>();
    Hooks hooks;
    for (auto _ : state) {
        const std::int32_t count = loadWordList(*list, file.path, hooks);
        benchmark::DoNotOptimize(count);
        if (count != BenchWordFile::lines || hooks.failed) {
            state.SkipWithError("the word file did not load whole");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.bytes));
    state.SetItemsProcessed(state.iterations() * BenchWordFile::lines);
}

void BM_LoadWordList_NoOpYield(benchmark::State& state)
{
    loadFullFile<NoOpYield>(state);
}

void BM_LoadWordList_WorkingYield(benchmark::State& state)
{
    loadFullFile<WorkingYield>(state);
}

// The floor: open, read the whole file in the reader's own chunk size, close.
void BM_ReadFileBytes(benchmark::State& state)
{
    const BenchWordFile& file = fullWordFile();
    std::vector<char> buffer(64 * 1024);
    for (auto _ : state) {
        const int fd = ::open(file.path.c_str(), O_RDONLY | O_CLOEXEC);
        std::size_t total = 0;
        ssize_t count;
        while ((count = ::read(fd, buffer.data(), buffer.size())) > 0)
            total += static_cast<std::size_t>(count);
        ::close(fd);
        benchmark::DoNotOptimize(total);
        if (total != file.bytes) {
            state.SkipWithError("short read");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.bytes));
}

// The conversion of one line on its own, to tell how much of the load it accounts for (times 1001).
void BM_DecodeCp932Line(benchmark::State& state)
{
    std::string line;
    for (int column = 0; column < BenchWordFile::charactersPerLine; ++column)
        line.append({'\x82', static_cast<char>(0x9F + column % 83)});
    for (auto _ : state) {
        const std::u16string text = decodeCp932(line);
        benchmark::DoNotOptimize(text.data());
    }
}

} // namespace

BENCHMARK(BM_DecodeCp932Line);
BENCHMARK(BM_ReadFileBytes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadWordList_NoOpYield)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadWordList_WorkingYield)->Unit(benchmark::kMicrosecond);
