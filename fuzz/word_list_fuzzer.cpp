// Feeds arbitrary bytes to the word-list load as the contents of a word file, and to the decoders and the column cut
// directly. Each input is checked against a plain model of the file format: where the lines end, which bytes of a
// line are kept, what each decoder makes of them. Any difference, crash, sanitizer report or escaped exception stops
// the run with the input saved.
#include "logic/word_list.h"
#include "platform/text_reader.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
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
    void reportUnreadableText(std::int32_t line) override
    {
        check(unreadableLine == 0, "unreadable text was reported twice");
        unreadableLine = line;
    }
    void reportBadLine(std::int32_t line, LineProblem) override
    {
        check(badLine == 0, "a bad line was reported twice");
        badLine = line;
    }

    std::int32_t yields = 0;
    std::int32_t unreadableLine = 0;
    std::int32_t badLine = 0;
    std::vector<std::pair<std::int32_t, LoadFailure>> failures;
};

// --- The model ---------------------------------------------------------------------------------------------------

constexpr char16_t replacement = u'\uFFFD';

// The well-formed UTF-8 byte sequences of the Unicode Standard, one row per lead-byte range: each column is the
// range its byte must lie in.
struct Utf8Row
{
    std::size_t length;
    std::array<std::pair<unsigned char, unsigned char>, 4> bytes;
};
constexpr Utf8Row utf8Rows[] = {
    {1, {{{0x00, 0x7F}}}},
    {2, {{{0xC2, 0xDF}, {0x80, 0xBF}}}},
    {3, {{{0xE0, 0xE0}, {0xA0, 0xBF}, {0x80, 0xBF}}}},
    {3, {{{0xE1, 0xEC}, {0x80, 0xBF}, {0x80, 0xBF}}}},
    {3, {{{0xED, 0xED}, {0x80, 0x9F}, {0x80, 0xBF}}}},
    {3, {{{0xEE, 0xEF}, {0x80, 0xBF}, {0x80, 0xBF}}}},
    {4, {{{0xF0, 0xF0}, {0x90, 0xBF}, {0x80, 0xBF}, {0x80, 0xBF}}}},
    {4, {{{0xF1, 0xF3}, {0x80, 0xBF}, {0x80, 0xBF}, {0x80, 0xBF}}}},
    {4, {{{0xF4, 0xF4}, {0x80, 0x8F}, {0x80, 0xBF}, {0x80, 0xBF}}}},
};

// At position i: how many bytes begin a well-formed sequence, and whether they complete it.
std::pair<std::size_t, bool> utf8Match(std::string_view bytes, std::size_t i)
{
    std::pair<std::size_t, bool> best{0, false};
    for (const Utf8Row& row : utf8Rows) {
        std::size_t matched = 0;
        while (matched < row.length && i + matched < bytes.size()) {
            const auto b = static_cast<unsigned char>(bytes[i + matched]);
            if (b < row.bytes[matched].first || b > row.bytes[matched].second)
                break;
            ++matched;
        }
        if (matched > best.first)
            best = {matched, matched == row.length};
    }
    return best;
}

// Strict UTF-8 with one replacement character per maximal ill-formed subsequence: the longest run of bytes that
// begins some well-formed sequence without completing it (at least one byte).
std::u16string modelUtf8(std::string_view bytes)
{
    std::u16string text;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto [length, complete] = utf8Match(bytes, i);
        if (!complete) {
            text += replacement;
            i += std::max<std::size_t>(length, 1);
            continue;
        }
        std::uint32_t code = static_cast<unsigned char>(bytes[i]) & (length == 1 ? 0x7F : 0xFF >> (length + 1));
        for (std::size_t k = 1; k < length; ++k)
            code = code << 6 | (static_cast<unsigned char>(bytes[i + k]) & 0x3Fu);
        if (code >= 0x10000) {
            text += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            text += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            text += static_cast<char16_t>(code);
        }
        i += length;
    }
    return text;
}

// Well-formed but for a sequence cut off by the end.
bool modelIsUtf8Prefix(std::string_view bytes)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto [length, complete] = utf8Match(bytes, i);
        if (!complete && !(length > 0 && i + length == bytes.size()))
            return false;
        i += std::max<std::size_t>(length, 1);
    }
    return true;
}

std::vector<char16_t> unitsOf(std::string_view bytes, bool bigEndian)
{
    std::vector<char16_t> units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        units.push_back(static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a)));
    }
    return units;
}

// Pairs stay pairs, every other surrogate and an odd last byte become replacement characters.
std::u16string modelUtf16(std::string_view bytes, bool bigEndian)
{
    const std::vector<char16_t> units = unitsOf(bytes, bigEndian);
    std::u16string text;
    const auto high = [](char16_t u) { return u >= 0xD800 && u < 0xDC00; };
    const auto low = [](char16_t u) { return u >= 0xDC00 && u < 0xE000; };
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (high(units[i]) && i + 1 < units.size() && low(units[i + 1])) {
            text += units[i];
            text += units[++i];
        } else {
            text += high(units[i]) || low(units[i]) ? replacement : units[i];
        }
    }
    if (bytes.size() % 2 != 0)
        text += replacement;
    return text;
}

struct ModelFile
{
    TextEncoding encoding = TextEncoding::Cp932;
    std::vector<std::string> lines; // each already cut to the bytes a line keeps
};

// The encoding comes from a mark (not text) or, failing one, from the first block: UTF-8 when it has a byte above 0x7F
// and is valid UTF-8 but for a cut-off end, else code page 932. A line ends at CR LF or a lone CR (in UTF-16, at those
// units); a final line end starts no further line; a line keeps only its first maxLineBytes bytes.
ModelFile modelOf(std::string_view bytes)
{
    ModelFile file;
    const std::string_view block = bytes.substr(0, SequentialTextReader::blockBytes);
    std::size_t unit = 1;
    bool bigEndian = false;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        file.encoding = TextEncoding::Utf8;
        bytes.remove_prefix(3);
    } else if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
        bigEndian = bytes[0] == '\xFE';
        file.encoding = bigEndian ? TextEncoding::Utf16BE : TextEncoding::Utf16LE;
        unit = 2;
        bytes.remove_prefix(2);
    } else if (std::any_of(block.begin(), block.end(), [](char c) { return static_cast<unsigned char>(c) > 0x7F; }) &&
               modelIsUtf8Prefix(block)) {
        file.encoding = TextEncoding::Utf8;
    }
    const auto isUnit = [&](std::size_t at, char16_t value) {
        if (at + unit > bytes.size())
            return false;
        if (unit == 1)
            return bytes[at] == static_cast<char>(value);
        const auto a = static_cast<unsigned char>(bytes[at]), b = static_cast<unsigned char>(bytes[at + 1]);
        return static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a)) == value;
    };
    std::size_t position = 0;
    while (position < bytes.size()) {
        std::size_t end = position;
        while (end < bytes.size() && !isUnit(end, u'\r'))
            end += std::min(unit, bytes.size() - end);
        file.lines.emplace_back(bytes.substr(position, std::min(end - position, SequentialTextReader::maxLineBytes)));
        position = end;
        if (position < bytes.size()) {
            position += unit;
            if (isUnit(position, u'\n'))
                position += unit;
        }
    }
    return file;
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
    check(decodeUtf8(bytes) == modelUtf8(bytes), "UTF-8 decoding differs from the maximal-subpart model");
    check(isUtf8Prefix(bytes) == modelIsUtf8Prefix(bytes), "the UTF-8 check differs from the model");
    check(decodeUtf16(bytes, false) == modelUtf16(bytes, false), "UTF-16LE decoding differs from the model");
    check(decodeUtf16(bytes, true) == modelUtf16(bytes, true), "UTF-16BE decoding differs from the model");
    checkSplit(cp932);
}

void checkLoad(std::string_view bytes, MemoryFile& file, WordList& list)
{
    const ModelFile model = modelOf(bytes);
    const auto decodeLine = [&](std::string_view line) {
        switch (model.encoding) {
        case TextEncoding::Utf8:
            return modelUtf8(line);
        case TextEncoding::Utf16LE:
            return modelUtf16(line, false);
        case TextEncoding::Utf16BE:
            return modelUtf16(line, true);
        case TextEncoding::Cp932:
            break;
        }
        return decodeCp932(line);
    };

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
        check(hooks.failures.size() == 1 &&
                  hooks.failures[0] == std::pair{WordList::slotCount, LoadFailure::TooManyLines},
              "a file that is too long was not reported as such, with 1001 lines stored");
        check(hooks.yields == WordList::slotCount + 1, "the load read on past the 1002nd line");
    }

    std::u16string word, explanation;
    std::int32_t firstUnreadable = 0;
    for (std::size_t i = 0; i < expectedLines; ++i) {
        splitEntry(decodeLine(model.lines[i]), word, explanation);
        check(list.words[i] == word && list.explanations[i] == explanation, "a slot differs from its line");
        if (firstUnreadable == 0 && (word + explanation).find(replacement) != std::u16string::npos)
            firstUnreadable = static_cast<std::int32_t>(i + 1);
    }
    check(hooks.unreadableLine == firstUnreadable, "unreadable text was reported for another line, or not at all");
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
