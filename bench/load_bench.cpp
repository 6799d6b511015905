// Loading a full word file, against reading the same bytes with read(): the ratio says what the line splitting,
// the conversion from code page 932 and the column cutting add on top of the system's own cost. And the same 1001
// entries as a table against fixed columns, in code page 932 and in UTF-8, side by side.
#include "bench_word_file.h"

#include "logic/word_list.h"
#include "platform/text_reader.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
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

// The same 1001 entries, each a 31-kana word and a 127-kana explanation (the longest a table allows), written once per
// run as fixed columns (.txt) and as a two-field table (.tsv), in code page 932 and in UTF-8, CR LF line ends.
class SameEntries
{
public:
    static constexpr int entries = 1001;

    SameEntries()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "fururupo-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a temporary folder for the word files");
        folder = pattern;
        std::string cp932Fixed, cp932Table, utf8Fixed, utf8Table;
        // Hiragana ぁ..ん: 0x82 0x9F..0xF1 in code page 932, U+3041..U+3093 in UTF-8 (E3 81 81 .. E3 82 93).
        const auto kana = [](int n, bool utf8) {
            const int index = n % 83;
            if (!utf8)
                return std::string{'\x82', static_cast<char>(0x9F + index)};
            const int code = 0x3041 + index;
            return std::string{static_cast<char>(0xE0 | (code >> 12)), static_cast<char>(0x80 | ((code >> 6) & 0x3F)),
                               static_cast<char>(0x80 | (code & 0x3F))};
        };
        for (int line = 0; line < entries; ++line) {
            for (const bool utf8 : {false, true}) {
                std::string word, explanation;
                for (int c = 0; c < 31; ++c)
                    word += kana(line * 7 + c, utf8);
                for (int c = 0; c < 127; ++c)
                    explanation += kana(line * 5 + c, utf8);
                (utf8 ? utf8Fixed : cp932Fixed) += word + " " + explanation + "\r\n";
                (utf8 ? utf8Table : cp932Table) += word + "\t" + explanation + "\r\n";
            }
        }
        write("cp932.txt", cp932Fixed);
        write("cp932.tsv", cp932Table);
        write("utf8.txt", utf8Fixed);
        write("utf8.tsv", utf8Table);
    }
    ~SameEntries()
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    std::filesystem::path folder;

private:
    void write(const char* name, const std::string& bytes) const
    {
        std::ofstream(folder / name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
};

const SameEntries& sameEntries()
{
    static const SameEntries files;
    return files;
}

// One load of the file named, checked to give every entry.
void loadSameEntries(benchmark::State& state, const char* name)
{
    const auto path = sameEntries().folder / name;
    const auto list = std::make_unique<WordList>();
    NoOpYield hooks;
    for (auto _ : state) {
        const std::int32_t count = loadWordList(*list, path, hooks);
        benchmark::DoNotOptimize(count);
        if (count != SameEntries::entries || hooks.failed || list->words[0].size() != 31 ||
            list->explanations[0].size() != 127) {
            state.SkipWithError("the word file did not load whole");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * SameEntries::entries);
}

void BM_LoadSameEntries_Cp932_FixedColumns(benchmark::State& state)
{
    loadSameEntries(state, "cp932.txt");
}

void BM_LoadSameEntries_Cp932_Table(benchmark::State& state)
{
    loadSameEntries(state, "cp932.tsv");
}

void BM_LoadSameEntries_Utf8_FixedColumns(benchmark::State& state)
{
    loadSameEntries(state, "utf8.txt");
}

void BM_LoadSameEntries_Utf8_Table(benchmark::State& state)
{
    loadSameEntries(state, "utf8.tsv");
}

} // namespace

BENCHMARK(BM_DecodeCp932Line);
BENCHMARK(BM_ReadFileBytes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadWordList_NoOpYield)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadWordList_WorkingYield)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadSameEntries_Cp932_FixedColumns)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadSameEntries_Cp932_Table)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadSameEntries_Utf8_FixedColumns)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadSameEntries_Utf8_Table)->Unit(benchmark::kMicrosecond);
