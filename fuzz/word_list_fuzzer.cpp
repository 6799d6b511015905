// Feeds arbitrary bytes to the word-list load as the contents of a word file, once with fixed columns (MSG.txt) and
// once as a table (a .tsv name), and to the decoders, the kana-mark joining and the column cut directly. Each input is
// checked against a plain model of the file formats: the encoding, where the lines end, which bytes of a line are
// kept, what each decoder makes of them, how a table's line becomes an entry or is left out. Any difference, crash,
// sanitizer report or escaped exception stops the run with the input saved.
#include "logic/kana_composer.h"
#include "logic/kana_marks.h"
#include "logic/word_list.h"
#include "platform/text_reader.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <set>
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

// The word file lives in memory and is reached by a path, as the game reaches MSG.txt; a table is reached through a
// link whose name ends in .tsv, in a folder made for it.
class MemoryFile
{
public:
    MemoryFile() : fd(::memfd_create("MSG.txt", MFD_CLOEXEC))
    {
        check(fd >= 0, "memfd_create failed");
        path = "/proc/self/fd/" + std::to_string(fd);
        char folder[] = "/tmp/word_list_fuzzer-XXXXXX";
        check(::mkdtemp(folder) != nullptr, "mkdtemp failed");
        folderPath = folder;
        tablePath = folderPath + "/list.tsv";
        check(::symlink(path.c_str(), tablePath.c_str()) == 0, "symlink failed");
    }
    ~MemoryFile()
    {
        ::unlink(tablePath.c_str());
        ::rmdir(folderPath.c_str());
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
    std::string folderPath;
    std::string tablePath;
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
    void reportBadLine(std::int32_t line, LineProblem why) override
    {
        check(badLine == 0, "a bad line was reported twice");
        badLine = line;
        badProblem = why;
    }

    std::int32_t yields = 0;
    std::int32_t unreadableLine = 0;
    std::int32_t badLine = 0;
    LineProblem badProblem = LineProblem::NoWord;
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

struct ModelLine
{
    std::string bytes; // the bytes a line keeps
    bool cut = false;  // it had more
    bool nul = false;  // a NUL byte in it, or right after its lone CR or LF (UTF-8 and code page 932 only)
};

struct ModelFile
{
    TextEncoding encoding = TextEncoding::Cp932;
    std::vector<ModelLine> lines;
};

// The encoding comes from a mark (not text) or, failing one, from the first byte above 0x7F wherever it is: UTF-8
// when the bytes from it to the end of its block (and the next block, if fewer than four) are valid UTF-8 but for a
// cut-off end, else code page 932. A line ends at CR LF or a lone CR (in UTF-16, at those units), and at a lone LF in
// UTF-8, UTF-16 and any table; a final line end starts no further line; a line with fixed columns keeps only its
// first maxLineBytes, a table's line is kept whole.
ModelFile modelOf(std::string_view bytes, bool table)
{
    ModelFile file;
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
    } else {
        const auto high =
            std::find_if(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) > 0x7F; });
        if (high != bytes.end()) {
            const std::size_t first = static_cast<std::size_t>(high - bytes.begin());
            constexpr std::size_t block = SequentialTextReader::blockBytes;
            std::size_t end = (first / block + 1) * block;
            if (end - first < 4)
                end += block;
            if (modelIsUtf8Prefix(bytes.substr(first, end - first)))
                file.encoding = TextEncoding::Utf8;
        }
    }
    const bool lineFeedEnds = table || file.encoding != TextEncoding::Cp932;
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
        while (end < bytes.size() && !isUnit(end, u'\r') && !(lineFeedEnds && isUnit(end, u'\n')))
            end += std::min(unit, bytes.size() - end);
        ModelLine line;
        const std::string_view whole = bytes.substr(position, end - position);
        line.bytes = table ? whole : whole.substr(0, SequentialTextReader::maxLineBytes);
        line.cut = !table && whole.size() > SequentialTextReader::maxLineBytes;
        line.nul = unit == 1 && whole.find('\0') != std::string_view::npos;
        position = end;
        if (position < bytes.size()) {
            const bool cr = isUnit(position, u'\r');
            position += unit;
            if (cr && isUnit(position, u'\n'))
                position += unit;
            else if (unit == 1 && position < bytes.size() && bytes[position] == '\0')
                line.nul = true;
        }
        file.lines.push_back(std::move(line));
    }
    return file;
}

// The joining of kana and combining marks, from the shape of the kana tables rather than a list: the voiced series
// か..ぢ every second code point, つ..ど every second, は..ほ every third (semi-voiced two above), う, ゝ, and
// katakana 0x60 above each; ワヰヱヲ join to the four code points eight above, ヽ to ヾ.
char16_t modelJoin(char16_t base, char16_t mark)
{
    const bool voiced = mark == u'\u3099';
    if (!voiced && mark != u'\u309A')
        return 0;
    if (base >= 0x30A1 && base <= 0x30F6 && !(base >= 0x30EF && base <= 0x30F2)) {
        const char16_t hiragana = modelJoin(static_cast<char16_t>(base - 0x60), mark);
        return hiragana == 0 ? 0 : static_cast<char16_t>(hiragana == 0x3094 ? 0x30F4 : hiragana + 0x60);
    }
    if (voiced && ((base >= 0x304B && base <= 0x3061 && (base - 0x304B) % 2 == 0) ||
                   (base >= 0x3064 && base <= 0x3068 && (base - 0x3064) % 2 == 0)))
        return static_cast<char16_t>(base + 1);
    if (base >= 0x306F && base <= 0x307B && (base - 0x306F) % 3 == 0)
        return static_cast<char16_t>(base + (voiced ? 1 : 2));
    if (voiced && base == u'う')
        return u'ゔ';
    if (voiced && (base == u'ゝ' || base == u'ヽ'))
        return static_cast<char16_t>(base + 1);
    if (voiced && base >= 0x30EF && base <= 0x30F2)
        return static_cast<char16_t>(base + 8);
    return 0;
}

std::u16string modelJoined(std::u16string_view text)
{
    std::u16string out;
    for (const char16_t c : text) {
        const char16_t joined = out.empty() ? 0 : modelJoin(out.back(), c);
        if (joined != 0)
            out.back() = joined;
        else
            out += c;
    }
    return out;
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

std::u16string modelTrimmed(std::u16string_view text)
{
    while (!text.empty() && text.front() == u' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == u' ')
        text.remove_suffix(1);
    return std::u16string(text);
}

// A field: trimmed; if it then begins with a quote, "…" with every inner quote doubled gives the inside with the pairs
// halved, trimmed again, and anything else is a quote left open (kept as it stands, and never empty).
struct ModelField
{
    std::u16string text;
    bool quoteOpen = false;
};

ModelField modelField(std::u16string_view raw)
{
    const std::u16string field = modelTrimmed(raw);
    if (field.empty() || field.front() != u'"')
        return {field};
    std::u16string inner;
    for (std::size_t i = 1; i < field.size(); ++i) {
        if (field[i] != u'"') {
            inner += field[i];
        } else if (i + 1 < field.size() && field[i + 1] == u'"') {
            inner += u'"';
            ++i;
        } else {
            return i + 1 == field.size() ? ModelField{modelTrimmed(inner)} : ModelField{field, true};
        }
    }
    return {field, true};
}

// What the game's own modes type, found by typing: printable ASCII in Latin mode, and in either kana mode every
// spelling the composer knows and what one key, or two, leave once flushed.
const std::set<char16_t>& typedCharacters()
{
    static const std::set<char16_t> typed = [] {
        std::set<char16_t> all;
        for (char16_t key = u' '; key <= u'~'; ++key)
            all.insert(key);
        for (const Script script : {Script::Hiragana, Script::Katakana}) {
            for (const RomajiSpelling& spelling : romajiSpellings()) {
                const std::u16string kana =
                    script == Script::Hiragana ? std::u16string(spelling.kana) : toKatakana(spelling.kana);
                all.insert(kana.begin(), kana.end());
            }
            for (char16_t first = u' '; first <= u'~'; ++first) {
                for (char16_t second = static_cast<char16_t>(u' ' - 1); second <= u'~'; ++second) {
                    KanaComposer composer;
                    composer.setScript(script);
                    std::u16string out = composer.feed(first);
                    if (second >= u' ')
                        out += composer.feed(second);
                    out += composer.flush();
                    all.insert(out.begin(), out.end());
                }
            }
        }
        return all;
    }();
    return typed;
}

struct ModelRow
{
    enum class Kind { Skip, Header, Entry, Bad } kind = Kind::Skip;
    LineProblem problem = LineProblem::NoWord;
    std::u16string word, reading, explanation;
};

// What the table rules make of one converted line; headerAllowed while no line with a field has been seen yet.
ModelRow modelTableRow(std::u16string_view line, bool& headerAllowed)
{
    ModelRow row;
    if (!line.empty() && line.front() == u'#')
        return row;
    std::vector<ModelField> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find(u'\t', start);
        fields.push_back(modelField(line.substr(start, tab == std::u16string_view::npos ? tab : tab - start)));
        if (tab == std::u16string_view::npos)
            break;
        start = tab + 1;
    }
    while (!fields.empty() && fields.back().text.empty())
        fields.pop_back();
    if (fields.empty())
        return row;
    const bool header = headerAllowed;
    headerAllowed = false;
    if (header && !fields[0].quoteOpen) {
        std::u16string first = fields[0].text;
        for (char16_t& c : first)
            if (c < 0x80)
                c = static_cast<char16_t>(std::tolower(static_cast<int>(c)));
        if (first == u"単語" || first == u"ことば" || first == u"言葉" || first == u"word" || first == u"words") {
            row.kind = ModelRow::Kind::Header;
            return row;
        }
    }
    const auto bad = [&](LineProblem why) {
        row.kind = ModelRow::Kind::Bad;
        row.problem = why;
        return row;
    };
    if (fields.size() > 3)
        return bad(LineProblem::TooManyFields);
    const std::size_t count = fields.size();
    const bool quoteOpen = std::any_of(fields.begin(), fields.end(), [](const ModelField& f) { return f.quoteOpen; });
    fields.resize(3);
    row.word = fields[0].text;
    row.reading = count == 3 ? fields[1].text : u"";
    row.explanation = count == 3 ? fields[2].text : fields[1].text;
    const auto kana = [](char16_t c) {
        return (c >= 0x3041 && c <= 0x3096) || c == 0x309D || c == 0x309E || (c >= 0x30A1 && c <= 0x30FA) ||
               (c >= 0x30FC && c <= 0x30FE);
    };
    const auto typed = [](char16_t c) { return typedCharacters().count(c) != 0; };
    if (row.word.empty())
        return bad(LineProblem::NoWord);
    if (quoteOpen)
        return bad(LineProblem::UnclosedQuote);
    if (row.word.size() > 31)
        return bad(LineProblem::WordTooLong);
    if (row.reading.size() > 31)
        return bad(LineProblem::ReadingTooLong);
    if (!std::all_of(row.reading.begin(), row.reading.end(), kana))
        return bad(LineProblem::ReadingNotKana);
    if (row.explanation.size() > 127)
        return bad(LineProblem::ExplanationTooLong);
    if (row.reading.empty() && !std::all_of(row.word.begin(), row.word.end(), typed))
        return bad(LineProblem::NoReading);
    row.kind = ModelRow::Kind::Entry;
    return row;
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
    for (std::u16string text : {decodeUtf8(bytes), decodeUtf16(bytes, false), decodeUtf16(bytes, true)}) {
        const std::u16string joined = modelJoined(text);
        composeKanaMarks(text);
        check(text == joined, "joining kana and their marks differs from the model");
    }
}

// What a load must give: the entries in their slots, and the reports.
struct ModelLoad
{
    std::vector<std::array<std::u16string, 3>> entries; // word, reading, explanation
    bool tooMany = false;
    std::int32_t yields = 0;
    std::int32_t unreadableLine = 0;
    std::int32_t badLine = 0;
    LineProblem badProblem = LineProblem::NoWord;
};

ModelLoad modelLoad(std::string_view bytes, bool table)
{
    const ModelFile file = modelOf(bytes, table);
    const auto decodeLine = [&](std::string_view line) {
        switch (file.encoding) {
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
    ModelLoad load;
    bool headerAllowed = true;
    for (const ModelLine& line : file.lines) {
        ++load.yields;
        const std::int32_t number = load.yields;
        const std::u16string text = modelJoined(decodeLine(line.bytes));
        std::optional<std::array<std::u16string, 3>> entry;
        if (!table) {
            entry.emplace();
            splitEntry(text, (*entry)[0], (*entry)[2]);
        } else {
            const ModelRow row = modelTableRow(text, headerAllowed);
            if (row.kind == ModelRow::Kind::Entry)
                entry = {row.word, row.reading, row.explanation};
            if (row.kind == ModelRow::Kind::Bad && load.badLine == 0) {
                load.badLine = number;
                load.badProblem = row.problem;
            }
        }
        if (entry) {
            if (load.entries.size() == static_cast<std::size_t>(WordList::slotCount)) {
                load.tooMany = true;
                break;
            }
            load.entries.push_back(*entry);
        }
        const bool replaced =
            entry && ((*entry)[0] + (*entry)[1] + (*entry)[2]).find(replacement) != std::u16string::npos;
        if (load.unreadableLine == 0 && (line.nul || replaced))
            load.unreadableLine = number;
    }
    return load;
}

void checkLoad(std::string_view bytes, MemoryFile& file, WordList& list, bool table)
{
    const ModelLoad model = modelLoad(bytes, table);

    // Slots a load does not reach keep what was there: mark them beforehand.
    const std::size_t reached = model.entries.size();
    const std::size_t untouched = std::min<std::size_t>(reached + 2, WordList::slotCount);
    for (std::size_t i = reached; i < untouched; ++i)
        list.words[i] = list.readings[i] = list.explanations[i] = u"untouched";

    file.write(bytes);
    CountingHooks hooks;
    std::int32_t count = -1;
    try {
        count = loadWordList(list, table ? file.tablePath : file.path, hooks);
    } catch (...) {
        fail("an exception escaped the load");
    }
    check(count >= 0 && count <= WordList::slotCount, "the load returned a count outside 0..1001");
    check(hooks.failures.size() <= 1, "a failure was reported more than once");
    check(hooks.yields == model.yields, "the load did not yield exactly once before every line it read");

    if (!model.tooMany) {
        check(hooks.failures.empty(), "a failure was reported for a file that fits");
        check(static_cast<std::size_t>(count) == reached, "the load found a different number of entries");
    } else {
        check(count == 0, "a file that is too long gave entries");
        check(hooks.failures.size() == 1 &&
                  hooks.failures[0] == std::pair{WordList::slotCount, LoadFailure::TooManyLines},
              "a file that is too long was not reported as such, with 1001 entries stored");
    }
    for (std::size_t i = 0; i < reached; ++i)
        check(list.words[i] == model.entries[i][0] && list.readings[i] == model.entries[i][1] &&
                  list.explanations[i] == model.entries[i][2],
              "a slot differs from its line");
    check(hooks.unreadableLine == model.unreadableLine, "unreadable text was reported for another line, or not at all");
    check(hooks.badLine == model.badLine, "a left-out line was reported for another line, or not at all");
    check(model.badLine == 0 || hooks.badProblem == model.badProblem,
          "a left-out line was reported for another reason");
    for (std::size_t i = reached; i < untouched; ++i)
        check(list.words[i] == u"untouched" && list.readings[i] == u"untouched" && list.explanations[i] == u"untouched",
              "a slot past the end changed");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const Cp932Table table;
    static MemoryFile file;
    static const auto list = std::make_unique<WordList>();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    checkDecoders(bytes, table);
    checkLoad(bytes, file, *list, false);
    checkLoad(bytes, file, *list, true);
    return 0;
}
