#include "logic/word_list.h"

#include "logic/kana_marks.h"
#include "platform/checked.h"
#include "platform/text_reader.h"

#include <array>
#include <functional>
#include <optional>

namespace fururupo {

namespace {

std::u16string trimmed(std::u16string_view text)
{
    const auto first = text.find_first_not_of(u' ');
    if (first == std::u16string_view::npos)
        return {};
    const auto last = text.find_last_not_of(u' ');
    return std::u16string(text.substr(first, last - first + 1));
}

constexpr std::size_t wordLength = 32;         // characters 1 to 32
constexpr std::size_t explanationStart = 31;   // character 32, shared with the word
constexpr std::size_t explanationLength = 128; // characters 32 to 159

// The longest fields of a table, in UTF-16 units.
constexpr std::size_t maxWordUnits = 31;
constexpr std::size_t maxReadingUnits = 31;
constexpr std::size_t maxExplanationUnits = 127;

// A field as a spreadsheet writes one it quotes, "…" with each quote inside doubled, without its quotes (and trimmed
// again); any other field as it is.
void unquote(std::u16string& field)
{
    if (field.size() < 2 || field.front() != u'"' || field.back() != u'"')
        return;
    std::u16string inner;
    for (std::size_t i = 1; i + 1 < field.size(); ++i) {
        if (field[i] == u'"') {
            if (i + 2 >= field.size() || field[i + 1] != u'"')
                return; // a lone quote inside: not quoted as a spreadsheet quotes
            ++i;
        }
        inner += field[i];
    }
    field = trimmed(inner);
}

bool isReadingKana(char16_t c)
{
    return (c >= u'\u3041' && c <= u'\u3096') || (c >= u'\u309D' && c <= u'\u309E') ||
           (c >= u'\u30A1' && c <= u'\u30FA') || (c >= u'\u30FC' && c <= u'\u30FE');
}

// The first fields of a header row as people write one: 単語, ことば, 言葉, word or words (any case).
bool namesTheWordColumn(std::u16string_view field)
{
    if (field == u"単語" || field == u"ことば" || field == u"言葉")
        return true;
    std::u16string lower(field);
    for (char16_t& c : lower)
        c = (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
    return lower == u"word" || lower == u"words";
}

// One line of a table cut at its TABs, each field trimmed and unquoted; only the first three are kept.
struct TableRow
{
    std::array<std::u16string, 3> fields;
    std::size_t count = 0;    // fields up to the last that is not empty
    std::size_t cutField = 0; // the field the reader's cut fell in, counted from 1 (the last one seen)

    void split(std::u16string_view line)
    {
        count = 0;
        std::size_t index = 0;
        std::u16string beyond; // a field past the third, only looked at for being empty
        for (std::size_t start = 0;; ++index) {
            const std::size_t tab = line.find(u'\t', start);
            std::u16string& field = index < fields.size() ? fields[index] : beyond;
            field = trimmed(line.substr(start, tab == std::u16string_view::npos ? tab : tab - start));
            unquote(field);
            if (!field.empty())
                count = index + 1;
            if (tab == std::u16string_view::npos)
                break;
            start = tab + 1;
        }
        cutField = index + 1;
        for (std::size_t i = std::min(count, fields.size()); i < fields.size(); ++i)
            fields[i].clear();
    }
};

// Why a row of a table is left out, if it is; a row is a word, or word and explanation, or word, reading and
// explanation. A row the reader cut is too long in the field the cut fell in.
std::optional<LineProblem> problemOf(const TableRow& row, bool cut)
{
    if (cut)
        return row.cutField == 1   ? LineProblem::WordTooLong
               : row.cutField <= 3 ? LineProblem::ExplanationTooLong
                                   : LineProblem::TooManyFields;
    if (row.count > 3)
        return LineProblem::TooManyFields;
    const auto& [word, second, third] = row.fields;
    if (word.empty())
        return LineProblem::NoWord;
    if (word.size() > maxWordUnits)
        return LineProblem::WordTooLong;
    if (row.count == 3) {
        if (second.size() > maxReadingUnits)
            return LineProblem::ReadingTooLong;
        for (const char16_t c : second)
            if (!isReadingKana(c))
                return LineProblem::ReadingNotKana;
    }
    if ((row.count == 3 ? third : second).size() > maxExplanationUnits)
        return LineProblem::ExplanationTooLong;
    return std::nullopt;
}

bool holdsUnreadable(std::u16string_view text)
{
    return text.find(u'\uFFFD') != std::u16string_view::npos;
}

} // namespace

const std::u16string& WordList::word(std::int32_t index) const
{
    return words[checkIndex(index, words.size())];
}

const std::u16string& WordList::explanation(std::int32_t index) const
{
    return explanations[checkIndex(index, explanations.size())];
}

const std::u16string& WordList::reading(std::int32_t index) const
{
    return readings[checkIndex(index, readings.size())];
}

void splitEntry(std::u16string_view line, std::u16string& word, std::u16string& explanation)
{
    // Columns count characters, so a character outside the basic plane (two UTF-16 units, only possible in a UTF-8
    // file) is one column and is never cut in half.
    const auto offsetOf = [&](std::size_t characters) {
        std::size_t offset = 0;
        for (; characters > 0 && offset < line.size(); --characters) {
            const bool pair = offset + 1 < line.size() && line[offset] >= 0xD800 && line[offset] <= 0xDBFF &&
                              line[offset + 1] >= 0xDC00 && line[offset + 1] <= 0xDFFF;
            offset += pair ? 2 : 1;
        }
        return offset;
    };
    word = trimmed(line.substr(0, offsetOf(wordLength)));
    const std::size_t start = offsetOf(explanationStart);
    explanation = start < line.size()
                      ? trimmed(line.substr(start, offsetOf(explanationStart + explanationLength) - start))
                      : std::u16string();
}

ListFormat listFormatOf(const std::filesystem::path& path)
{
    std::string extension = path.extension().string();
    for (char& c : extension)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return extension == ".tsv" ? ListFormat::Table : ListFormat::FixedColumns;
}

std::int32_t loadWordList(WordList& list, const std::filesystem::path& path, LoadHooks& hooks)
{
    const ListFormat format = listFormatOf(path);
    std::int32_t count = 0;
    SequentialTextReader reader;
    const auto fail = [&](LoadFailure why) {
        reader.close();
        hooks.reportLoadFailure(count, why);
        return 0;
    };
    const LineFeed lineFeed = format == ListFormat::Table ? LineFeed::AlwaysEndsLine : LineFeed::EndsLineUnlessCp932;
    switch (reader.open(path, lineFeed)) {
    case SequentialTextReader::OpenResult::Opened:
        break;
    case SequentialTextReader::OpenResult::NotFound:
        return fail(LoadFailure::Missing);
    case SequentialTextReader::OpenResult::CannotRead:
        return fail(LoadFailure::CannotRead);
    case SequentialTextReader::OpenResult::TooLarge:
        return fail(LoadFailure::TooLarge);
    }
    reader.watchBytes([&](std::string_view bytes) { hooks.bytesRead(bytes); });
    const std::function<void()> yield = [&] { hooks.yieldToEvents(); };
    bool unreadableReported = false;
    bool badLineReported = false;
    bool headerPassed = false;
    std::int32_t lineNumber = 0;
    TableRow row;
    // The next free slot, taken; none past the last.
    const auto store = [&]() -> std::optional<std::size_t> {
        if (count >= WordList::slotCount)
            return std::nullopt;
        const auto slot = checkIndex(count, WordList::slotCount);
        count = add32(count, 1);
        return slot;
    };
    try {
        while (!reader.atEnd()) {
            hooks.yieldToEvents();
            std::u16string line = reader.readLine(yield);
            lineNumber = add32(lineNumber, 1);
            composeKanaMarks(line);
            bool unreadable = reader.lineHeldNul();
            if (format == ListFormat::FixedColumns) {
                const auto slot = store();
                if (!slot)
                    return fail(LoadFailure::TooManyLines);
                splitEntry(line, list.words[*slot], list.explanations[*slot]);
                list.readings[*slot].clear();
                unreadable =
                    unreadable || holdsUnreadable(list.words[*slot]) || holdsUnreadable(list.explanations[*slot]);
            } else if (!line.starts_with(u'#')) {
                row.split(line);
                const bool header = !headerPassed && row.count > 0 && namesTheWordColumn(row.fields[0]);
                headerPassed = headerPassed || row.count > 0;
                if (row.count > 0 && !header) {
                    if (const auto problem = problemOf(row, reader.lineWasCut())) {
                        if (!badLineReported) {
                            badLineReported = true;
                            hooks.reportBadLine(lineNumber, *problem);
                        }
                    } else {
                        const auto slot = store();
                        if (!slot)
                            return fail(LoadFailure::TooManyLines);
                        auto& [word, second, third] = row.fields;
                        list.words[*slot].swap(word);
                        list.readings[*slot].clear();
                        if (row.count == 3)
                            list.readings[*slot].swap(second);
                        list.explanations[*slot].swap(row.count == 3 ? third : second);
                        unreadable = unreadable || holdsUnreadable(list.words[*slot]) ||
                                     holdsUnreadable(list.readings[*slot]) || holdsUnreadable(list.explanations[*slot]);
                    }
                }
            }
            if (unreadable && !unreadableReported) {
                unreadableReported = true;
                hooks.reportUnreadableText(lineNumber);
            }
        }
    } catch (const SequentialTextReader::ReadError&) {
        return fail(LoadFailure::ReadError);
    } catch (const SequentialTextReader::TooLarge&) {
        return fail(LoadFailure::TooLarge);
    }
    return count;
}

std::u16string describeLoadFailure(LoadFailure why, std::int32_t count, std::u16string_view path)
{
    std::u16string text;
    switch (why) {
    case LoadFailure::Missing:
        text = u"単語ファイルが見つかりません：";
        break;
    case LoadFailure::CannotRead:
        text = u"単語ファイルを開けません：";
        break;
    case LoadFailure::TooManyLines:
        text = u"単語ファイルの行が多すぎます（1001行まで）：";
        break;
    case LoadFailure::ReadError:
        text = u"単語ファイルの" + decimal(add32(count, 1)) + u"行目が読めません：";
        break;
    case LoadFailure::TooLarge:
        text = u"単語ファイルが大きすぎます（" +
               decimal(static_cast<std::int32_t>(SequentialTextReader::maxFileBytes / (1024 * 1024))) + u" MiBまで）：";
        break;
    }
    text += path;
    return text;
}

std::u16string describeUnreadableText(std::int32_t line, std::u16string_view path)
{
    return u"単語ファイルの" + decimal(line) +
           u"行目に読めない文字があります（UTF-8 か Shift_JIS で保存してください）：" + std::u16string(path);
}

std::u16string describeBadLine(std::int32_t line, LineProblem why, std::u16string_view path)
{
    std::u16string reason;
    switch (why) {
    case LineProblem::WordTooLong:
        reason = u"単語が長すぎます（31文字まで）";
        break;
    case LineProblem::ReadingTooLong:
        reason = u"読みが長すぎます（31文字まで）";
        break;
    case LineProblem::ExplanationTooLong:
        reason = u"解説が長すぎます（127文字まで）";
        break;
    case LineProblem::ReadingNotKana:
        reason = u"読みはひらがなかカタカナで書いてください";
        break;
    case LineProblem::TooManyFields:
        reason = u"タブが多すぎます（単語・読み・解説の3列まで）";
        break;
    case LineProblem::NoWord:
        reason = u"単語がありません";
        break;
    }
    return u"単語ファイルの" + decimal(line) + u"行目を飛ばしました（" + reason + u"）：" + std::u16string(path);
}

} // namespace fururupo
