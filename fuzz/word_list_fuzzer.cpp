// Feeds arbitrary bytes to the word-list load as the contents of a word file, and to the decoders and the column cut
// directly. Each input is checked against a plain model of the file format: where the lines end, which bytes of a
// line are kept, what each decoder makes of them. Any difference, crash, sanitizer report or escaped exception stops
// the run with the input saved.
#include "logic/word_list.h"
#include "platform/text_reader.h"

#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace fururupo;

namespace {

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "word_list_fuzzer: %s\n", what);
    std::abort();
}

void check(bool condition, const char* what)
{
    if (!condition)
        fail(what);
}

// The word file lives in memory and is reached by a path, as the game reaches MSG.txt.
class MemoryFile
{
public:
    MemoryFile() : fd(::memfd_create("MSG.txt", MFD_CLOEXEC))
    {
        check(fd >= 0, "memfd_create failed");
        path = "/proc/self/fd/" + std::to_string(fd);
    }

    void write(std::string_view bytes)
    {
        check(::ftruncate(fd, 0) == 0, "ftruncate failed");
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t count = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
            check(count > 0, "pwrite failed");
            done += static_cast<std::size_t>(count);
        }
    }

    int fd;
    std::string path;
};

struct CountingHooks final : LoadHooks
{
    void yieldToEvents() override
    {
        check(failures.empty(), "yield after a failure report");
        ++yields;
    }
    void reportLoadFailure(std::int32_t count, LoadFailure why) override { failures.emplace_back(count, why); }

    std::int32_t yields = 0;
    std::vector<std::pair<std::int32_t, LoadFailure>> failures;
};

// --- The model ---------------------------------------------------------------------------------------------------

struct ModelFile
{
    bool utf8 = false;
    std::vector<std::string_view> lines; // each already cut to the bytes a line keeps
};

// A leading UTF-8 mark selects UTF-8 and is not text; a line ends at CR LF or a lone CR; a final line end starts no
// further line; a line keeps only its first maxLineBytes bytes.
ModelFile modelOf(std::string_view bytes)
{
    ModelFile file;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        file.utf8 = true;
        bytes.remove_prefix(3);
    }
    std::size_t position = 0;
    while (position < bytes.size()) {
        const std::size_t cr = bytes.find('\r', position);
        const std::size_t end = cr == std::string_view::npos ? bytes.size() : cr;
        const std::string_view line = bytes.substr(position, end - position);
        file.lines.push_back(line.substr(0, SequentialTextReader::maxLineBytes));
        position = end;
        if (cr != std::string_view::npos) {
            ++position;
            if (position < bytes.size() && bytes[position] == '\n')
                ++position;
        }
    }
    return file;
}

constexpr char16_t replacement = u'\uFFFD';

// Strict UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF. A byte that does not begin a valid
// sequence becomes one replacement character and decoding goes on at the next byte.
std::u16string modelUtf8(std::string_view bytes)
{
    std::u16string text;
    std::size_t i = 0;
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const auto trail = [&](std::size_t k) { return k < bytes.size() && (at(k) & 0xC0) == 0x80; };
    while (i < bytes.size()) {
        const unsigned char b = at(i);
        std::uint32_t code = 0;
        std::size_t length = 0;
        if (b < 0x80) {
            code = b, length = 1;
        } else if (b >= 0xC2 && b <= 0xDF && trail(i + 1)) {
            code = (b & 0x1Fu) << 6 | (at(i + 1) & 0x3Fu), length = 2;
        } else if (b >= 0xE0 && b <= 0xEF && trail(i + 1) && trail(i + 2)) {
            code = (b & 0x0Fu) << 12 | (at(i + 1) & 0x3Fu) << 6 | (at(i + 2) & 0x3Fu), length = 3;
            if (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))
                length = 0;
        } else if (b >= 0xF0 && b <= 0xF4 && trail(i + 1) && trail(i + 2) && trail(i + 3)) {
            code = (b & 0x07u) << 18 | (at(i + 1) & 0x3Fu) << 12 | (at(i + 2) & 0x3Fu) << 6 | (at(i + 3) & 0x3Fu);
            length = code >= 0x10000 && code <= 0x10FFFF ? 4 : 0;
        }
        if (length == 0) {
            text += replacement;
            ++i;
        } else if (code >= 0x10000) {
            text += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            text += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
            i += length;
        } else {
            text += static_cast<char16_t>(code);
            i += length;
        }
    }
    return text;
}

// Code page 932 character by character, from a table of what the decoder makes of every single byte and every byte
// pair on its own: this checks how the decoder walks a whole line (resynchronising after a bad byte, a lead byte
// cut off at the end) rather than the mapping itself.
class Cp932Table
{
public:
    Cp932Table()
    {
        for (int b = 0; b < 256; ++b) {
            const std::u16string one = decodeCp932(std::string(1, static_cast<char>(b)));
            check(one.size() == 1, "one byte of code page 932 did not give one character");
            single[b] = one[0];
        }
        for (int lead = 0; lead < 256; ++lead) {
            if (single[lead] != replacement)
                continue;
            for (int second = 0; second < 256; ++second) {
                const std::u16string two = decodeCp932(std::string{static_cast<char>(lead), static_cast<char>(second)});
                if (two.size() == 1 && two[0] != replacement)
                    pair[lead * 256 + second] = two[0];
            }
        }
    }

    std::u16string decode(std::string_view bytes) const
    {
        std::u16string text;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            if (single[b] != replacement) {
                text += single[b];
                continue;
            }
            if (i + 1 < bytes.size()) {
                const char16_t both = pair[b * 256 + static_cast<unsigned char>(bytes[i + 1])];
                if (both != 0) {
                    text += both;
                    ++i;
                    continue;
                }
            }
            text += replacement;
        }
        return text;
    }

private:
    std::array<char16_t, 256> single{};
    std::vector<char16_t> pair = std::vector<char16_t>(256 * 256, 0);
};

bool hasBlankEnd(std::u16string_view text)
{
    return !text.empty() && (text.front() == u' ' || text.back() == u' ');
}

// Where character n begins: a surrogate pair is one character.
std::size_t columnOffset(std::u16string_view line, std::size_t characters)
{
    std::size_t offset = 0;
    for (; characters > 0 && offset < line.size(); --characters)
        offset +=
            (offset + 1 < line.size() && (line[offset] & 0xFC00) == 0xD800 && (line[offset + 1] & 0xFC00) == 0xDC00)
                ? 2
                : 1;
    return offset;
}

// What the column cut guarantees, checked as properties: each field is trimmed, lies inside its columns, and is
// empty only when its columns hold nothing but blanks.
void checkSplit(std::u16string_view line)
{
    std::u16string word, explanation;
    splitEntry(line, word, explanation);
    const std::u16string_view wordColumns = line.substr(0, columnOffset(line, 32));
    const std::size_t start = columnOffset(line, 31);
    const std::u16string_view explanationColumns =
        start < line.size() ? line.substr(start, columnOffset(line, 159) - start) : std::u16string_view();
    check(!hasBlankEnd(word) && !hasBlankEnd(explanation), "a field kept a blank at an end");
    check(wordColumns.find(word) != std::u16string_view::npos, "the word is not inside characters 1-32");
    check(explanationColumns.find(explanation) != std::u16string_view::npos,
          "the explanation is not inside characters 32-159");
    check(word.empty() == (wordColumns.find_first_not_of(u' ') == std::u16string_view::npos),
          "the word is empty although its columns are not blank, or the reverse");
    check(explanation.empty() == (explanationColumns.find_first_not_of(u' ') == std::u16string_view::npos),
          "the explanation is empty although its columns are not blank, or the reverse");
}

void checkDecoders(std::string_view bytes, const Cp932Table& table)
{
    const std::u16string cp932 = decodeCp932(bytes);
    check(cp932 == table.decode(bytes), "code page 932 decoding differs from the character-by-character model");
    check(decodeUtf8(bytes) == modelUtf8(bytes), "UTF-8 decoding differs from the strict model");
    checkSplit(cp932);
}

void checkLoad(std::string_view bytes, MemoryFile& file, WordList& list)
{
    const ModelFile model = modelOf(bytes);
    const auto decode = [&](std::string_view line) { return model.utf8 ? decodeUtf8(line) : decodeCp932(line); };

    // Slots a load does not reach keep what was there: mark them beforehand.
    const std::size_t expectedLines = std::min<std::size_t>(model.lines.size(), WordList::slotCount);
    const std::size_t untouched = std::min<std::size_t>(expectedLines + 2, WordList::slotCount);
    for (std::size_t i = expectedLines; i < untouched; ++i)
        list.words[i] = list.explanations[i] = u"untouched";

    file.write(bytes);
    CountingHooks hooks;
    std::int32_t count = -1;
    try {
        count = loadWordList(list, file.path, hooks);
    } catch (...) {
        fail("an exception escaped the load");
    }
    check(count >= 0 && count <= WordList::slotCount, "the load returned a count outside 0..1001");
    check(hooks.failures.size() <= 1, "a failure was reported more than once");

    if (model.lines.size() <= static_cast<std::size_t>(WordList::slotCount)) {
        check(hooks.failures.empty(), "a failure was reported for a file that fits");
        check(static_cast<std::size_t>(count) == model.lines.size(), "the load found a different number of lines");
        check(hooks.yields == count, "the load did not yield exactly once before every line");
    } else {
        check(count == 0, "a file that is too long gave entries");
        check(hooks.failures.size() == 1 && hooks.failures[0] == std::pair{WordList::slotCount, LoadFailure::TooManyLines},
              "a file that is too long was not reported as such, with 1001 lines stored");
        check(hooks.yields == WordList::slotCount + 1, "the load read on past the 1002nd line");
    }

    std::u16string word, explanation;
    for (std::size_t i = 0; i < expectedLines; ++i) {
        splitEntry(decode(model.lines[i]), word, explanation);
        check(list.words[i] == word && list.explanations[i] == explanation, "a slot differs from its line");
    }
    for (std::size_t i = expectedLines; i < untouched; ++i)
        check(list.words[i] == u"untouched" && list.explanations[i] == u"untouched", "a slot past the end changed");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const Cp932Table table;
    static MemoryFile file;
    static const auto list = std::make_unique<WordList>();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    checkDecoders(bytes, table);
    checkLoad(bytes, file, *list);
    return 0;
}
