#include "logic/word_list.h"

#include "platform/checked.h"
#include "platform/text_reader.h"

#include <functional>

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
    std::int32_t count = 0;
    SequentialTextReader reader;
    const auto fail = [&](LoadFailure why) {
        reader.close();
        hooks.reportLoadFailure(count, why);
        return 0;
    };
    switch (reader.open(path)) {
    case SequentialTextReader::OpenResult::Opened:
        break;
    case SequentialTextReader::OpenResult::NotFound:
        return fail(LoadFailure::Missing);
    case SequentialTextReader::OpenResult::CannotRead:
        return fail(LoadFailure::CannotRead);
    case SequentialTextReader::OpenResult::TooLarge:
        return fail(LoadFailure::TooLarge);
    }
    const std::function<void()> yield = [&] { hooks.yieldToEvents(); };
    bool unreadableReported = false;
    try {
        while (!reader.atEnd()) {
            hooks.yieldToEvents();
            const std::u16string line = reader.readLine(yield);
            if (count >= WordList::slotCount)
                return fail(LoadFailure::TooManyLines);
            const auto slot = checkIndex(count, WordList::slotCount);
            splitEntry(line, list.words[slot], list.explanations[slot]);
            list.readings[slot].clear();
            count = add32(count, 1);
            if (!unreadableReported && (list.words[slot].find(u'\uFFFD') != std::u16string::npos ||
                                        list.explanations[slot].find(u'\uFFFD') != std::u16string::npos)) {
                unreadableReported = true;
                hooks.reportUnreadableText(count);
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
