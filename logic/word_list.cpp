#include "logic/word_list.h"

#include "platform/checked.h"
#include "platform/text_reader.h"

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

std::int32_t loadWordList(WordList& list, const std::filesystem::path& path, LoadHooks& hooks)
{
    std::int32_t count = 0;
    SequentialTextReader reader;
    switch (reader.open(path)) {
    case SequentialTextReader::OpenResult::Opened:
        break;
    case SequentialTextReader::OpenResult::NotFound:
        hooks.reportLoadFailure(count, LoadFailure::Missing);
        return 0;
    case SequentialTextReader::OpenResult::CannotRead:
        hooks.reportLoadFailure(count, LoadFailure::CannotRead);
        return 0;
    }
    try {
        while (!reader.atEnd()) {
            hooks.yieldToEvents();
            const std::u16string line = reader.readLine();
            if (count >= WordList::slotCount) {
                reader.close();
                hooks.reportLoadFailure(count, LoadFailure::TooManyLines);
                return 0;
            }
            const auto slot = checkIndex(count, WordList::slotCount);
            splitEntry(line, list.words[slot], list.explanations[slot]);
            count = add32(count, 1);
        }
    } catch (const SequentialTextReader::ReadError&) {
        reader.close();
        hooks.reportLoadFailure(count, LoadFailure::ReadError);
        return 0;
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
    }
    text += path;
    return text;
}

} // namespace fururupo
