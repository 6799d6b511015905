#include "logic/word_list.h"

#include "logic/kana_marks.h"
#include "platform/checked.h"
#include "platform/text_reader.h"

#include <algorithm>
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

// The characters a key gives in the game's own modes, besides printable ASCII and the kana ranges (see typedAsShown).
constexpr std::u16string_view typedSymbols = u"・ー\u3000、。「」『』〜…‥←↑→↓";
constexpr std::u16string_view untypedFullWidth = u"ＡＥＩＯＵａｅｉｏｕ，－．／［］";

// One line of a table, taken a piece at a time as the reader hands it over, however long the line: cut at its TABs,
// each field trimmed of U+0020 and, when a spreadsheet quoted it ("…" with each quote inside doubled), unquoted and
// trimmed again, kana and their combining marks joined. Of the first three fields only one character more than the
// longest a field may be is kept, and of the fields after them only whether one holds anything, so a line costs the
// same small memory whatever its length, and is judged by its fields and never by its bytes.
class TableRow
{
public:
    static constexpr std::size_t keptFields = 3;
    static constexpr std::size_t keptUnits = maxExplanationUnits + 1;

    struct Field
    {
        std::u16string text;
        bool tooLong = false;     // it had more than keptUnits
        bool quoteBroken = false; // it begins with a quote that does not close at its end
        bool empty() const { return text.empty() && !tooLong && !quoteBroken; }
        std::size_t length() const { return tooLong ? keptUnits + 1 : text.size(); }
        // Empties it, keeping the text's memory for the next line.
        void clear()
        {
            text.clear();
            tooLong = quoteBroken = false;
        }
    };

    void start()
    {
        comment = false;
        atLineStart = true;
        count = 0;
        index = 0;
        previous = 0;
        previousKept = false;
        for (Field& field : fields)
            field.clear();
        startField();
    }

    void take(std::u16string_view piece)
    {
        if (atLineStart && !piece.empty()) {
            atLineStart = false;
            comment = piece.front() == u'#';
        }
        if (comment)
            return;
        // Runs of blanks, and of text between the characters that matter to the rules, are taken a run at a time.
        for (std::size_t i = 0; i < piece.size();) {
            if (piece[i] == u' ' && state != State::QuoteSeen) {
                const std::size_t end = std::min(piece.find_first_not_of(u' ', i), piece.size());
                if (state == State::Plain || (state == State::Quoted && holdsText))
                    blanks += end - i;
                previous = u' ';
                previousKept = false;
                i = end;
                continue;
            }
            if (state == State::Plain || state == State::Quoted) {
                std::size_t end = i;
                while (end < piece.size() && ordinary(piece[end]))
                    ++end;
                if (end > i) {
                    appendRun(piece.substr(i, end - i));
                    i = end;
                    continue;
                }
            }
            takeCharacter(piece[i++]);
        }
    }

    void finish() { endField(); }

    bool comment = false;
    // The fields up to the last that is not empty; past three, only how many there were.
    std::size_t count = 0;
    std::array<Field, keptFields> fields;

private:
    // Where a field is in its quoting: nothing seen yet; plain text; inside quotes; a quote inside, which is either the
    // first of a doubled pair or the closing one; closed; or broken (unclosed, or more than blanks after the close).
    enum class State { Start, Plain, Quoted, QuoteSeen, Closed, Broken };

    void startField()
    {
        state = State::Start;
        blanks = 0;
        holdsText = false;
        if (index < keptFields)
            fields[index].clear();
    }

    void endField()
    {
        if (state == State::Quoted)
            state = State::Broken;
        if (index < keptFields)
            fields[index].quoteBroken = state == State::Broken;
        if (holdsText || state == State::Broken)
            count = index + 1;
    }

    void append(char16_t c)
    {
        holdsText = true;
        if (index >= keptFields)
            return;
        Field& field = fields[index];
        if (field.text.size() < keptUnits) {
            field.text += c;
            previousKept = true;
        } else {
            field.tooLong = true;
        }
    }

    // Characters that are text in any field and state but a quote's: no TAB, blank, quote or combining mark.
    static bool ordinary(char16_t c)
    {
        return c != u'\t' && c != u' ' && c != u'"' && c != u'\u3099' && c != u'\u309A';
    }

    // A run of ordinary characters in plain or quoted text, as append would take them one by one.
    void appendRun(std::u16string_view run)
    {
        appendBlanks();
        holdsText = true;
        previous = run.back();
        previousKept = false;
        if (index >= keptFields)
            return;
        Field& field = fields[index];
        const std::size_t room = keptUnits - std::min(keptUnits, field.text.size());
        field.text.append(run.substr(0, room));
        field.tooLong = field.tooLong || run.size() > room;
        previousKept = run.size() <= room;
    }

    // The blanks held back since the last character: they count only once something follows them in the field, and
    // more than keptUnits of them make the field too long however many there are.
    void appendBlanks()
    {
        for (std::size_t i = 0; i < std::min(blanks, keptUnits + 1); ++i)
            append(u' ');
        blanks = 0;
    }

    void takeCharacter(char16_t c)
    {
        if (c == u'\t') {
            endField();
            if (index < keptFields)
                ++index;
            else
                index = keptFields; // every field past the third is judged alike
            previous = c;
            previousKept = false;
            startField();
            return;
        }
        // A mark joins the kana just before it in the line, in the field too when that kana was kept.
        if (const char16_t composed = composedKana(previous, c)) {
            previous = composed;
            if (previousKept)
                fields[index].text.back() = composed;
            return;
        }
        previous = c;
        previousKept = false;
        switch (state) {
        case State::Start:
            if (c == u'"') {
                state = State::Quoted;
            } else if (c != u' ') {
                state = State::Plain;
                append(c);
            }
            break;
        case State::Plain:
            if (c == u' ') {
                ++blanks;
            } else {
                appendBlanks();
                append(c);
            }
            break;
        case State::Quoted:
            if (c == u'"') {
                state = State::QuoteSeen;
            } else if (c == u' ') {
                blanks += holdsText ? 1 : 0;
            } else {
                appendBlanks();
                append(c);
            }
            break;
        case State::QuoteSeen:
            if (c == u'"') {
                appendBlanks();
                append(c);
                state = State::Quoted;
            } else {
                state = c == u' ' ? State::Closed : State::Broken;
            }
            break;
        case State::Closed:
            if (c != u' ')
                state = State::Broken;
            break;
        case State::Broken:
            break;
        }
    }

    bool atLineStart = true;
    std::size_t index = 0; // the field being read, counted from 0; keptFields for any past the third
    State state = State::Start;
    std::size_t blanks = 0;
    bool holdsText = false;    // the field being read has a character that counts
    char16_t previous = 0;     // the character before, for joining a mark to it
    bool previousKept = false; // and whether it is the last character of the field's text
};

// Why a row of a table is left out, if it is; a row is a word, or word and explanation, or word, reading and
// explanation.
std::optional<LineProblem> problemOf(const TableRow& row)
{
    if (row.count > 3)
        return LineProblem::TooManyFields;
    const auto& [word, second, third] = row.fields;
    if (word.empty())
        return LineProblem::NoWord;
    for (std::size_t i = 0; i < row.count; ++i)
        if (row.fields[i].quoteBroken)
            return LineProblem::UnclosedQuote;
    if (word.length() > maxWordUnits)
        return LineProblem::WordTooLong;
    if (row.count == 3) {
        if (second.length() > maxReadingUnits)
            return LineProblem::ReadingTooLong;
        for (const char16_t c : second.text)
            if (!isReadingKana(c))
                return LineProblem::ReadingNotKana;
    }
    if ((row.count == 3 ? third : second).length() > maxExplanationUnits)
        return LineProblem::ExplanationTooLong;
    if ((row.count < 3 || second.text.empty()) && !typedAsShown(word.text))
        return LineProblem::NoReading;
    return std::nullopt;
}

bool holdsUnreadable(std::u16string_view text)
{
    return text.find(u'\uFFFD') != std::u16string_view::npos;
}

} // namespace

bool typedAsShown(std::u16string_view word)
{
    for (const char16_t c : word) {
        const bool typed = (c >= u' ' && c <= u'~') || (c >= u'\u3041' && c <= u'\u3096') ||
                           (c >= u'\u30A1' && c <= u'\u30F6') || typedSymbols.find(c) != std::u16string_view::npos ||
                           (c >= u'\uFF01' && c <= u'\uFF5E' && untypedFullWidth.find(c) == std::u16string_view::npos);
        if (!typed)
            return false;
    }
    return true;
}

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
            lineNumber = add32(lineNumber, 1);
            bool unreadable = false;
            if (format == ListFormat::FixedColumns) {
                std::u16string line = reader.readLine(yield);
                composeKanaMarks(line);
                const auto slot = store();
                if (!slot)
                    return fail(LoadFailure::TooManyLines);
                splitEntry(line, list.words[*slot], list.explanations[*slot]);
                list.readings[*slot].clear();
                unreadable = reader.lineHeldNul() || holdsUnreadable(list.words[*slot]) ||
                             holdsUnreadable(list.explanations[*slot]);
            } else {
                row.start();
                reader.readLineInPieces([&](std::u16string_view piece) { row.take(piece); }, yield);
                row.finish();
                unreadable = reader.lineHeldNul();
                const bool header = !headerPassed && row.count > 0 && !row.fields[0].quoteBroken &&
                                    namesTheWordColumn(row.fields[0].text);
                headerPassed = headerPassed || row.count > 0;
                if (row.comment || row.count == 0 || header) {
                    // nothing to play on this line
                } else if (const auto problem = problemOf(row)) {
                    if (!badLineReported) {
                        badLineReported = true;
                        hooks.reportBadLine(lineNumber, *problem);
                    }
                } else {
                    const auto slot = store();
                    if (!slot)
                        return fail(LoadFailure::TooManyLines);
                    auto& [word, second, third] = row.fields;
                    list.words[*slot].swap(word.text);
                    list.readings[*slot].clear();
                    if (row.count == 3)
                        list.readings[*slot].swap(second.text);
                    list.explanations[*slot].swap(row.count == 3 ? third.text : second.text);
                    unreadable = unreadable || holdsUnreadable(list.words[*slot]) ||
                                 holdsUnreadable(list.readings[*slot]) || holdsUnreadable(list.explanations[*slot]);
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
    case LineProblem::UnclosedQuote:
        reason = u"引用符（\"）が閉じていません";
        break;
    case LineProblem::NoReading:
        reason = u"読みがありません";
        break;
    }
    return u"単語ファイルの" + decimal(line) + u"行目を飛ばしました（" + reason + u"）：" + std::u16string(path);
}

} // namespace fururupo
