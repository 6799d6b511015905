#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace fururupo {

// The words and their explanations, slot i holding line i + 1 of the word file. A load replaces only the slots it
// reaches; the others keep what an earlier load put there.
struct WordList
{
    static constexpr std::int32_t slotCount = 1001;

    std::array<std::u16string, slotCount> words;
    std::array<std::u16string, slotCount> explanations;
    // The kana to type for a word written otherwise (kanji), empty when the word is typed as shown.
    std::array<std::u16string, slotCount> readings;

    // Bounds-checked access: an index outside 0..1000 raises RuntimeError(IndexOutOfRange).
    const std::u16string& word(std::int32_t index) const;
    const std::u16string& explanation(std::int32_t index) const;
    const std::u16string& reading(std::int32_t index) const;
};

// How a list's lines are laid out, chosen by the file's name: a name ending in .tsv (any case) is a table, anything
// else has fixed columns.
enum class ListFormat {
    FixedColumns, // the word in characters 1-31, the explanation from character 33
    Table,        // word, or word TAB explanation, or word TAB reading TAB explanation
};
ListFormat listFormatOf(const std::filesystem::path& path);

// Why one line of a table was left out; the rest of the list still plays.
enum class LineProblem {
    WordTooLong,        // more than 31 characters
    ReadingTooLong,     // more than 31 characters
    ExplanationTooLong, // more than 127 characters
    ReadingNotKana,     // a reading must be hiragana or katakana (and ー)
    TooManyFields,      // more than three fields (word, reading, explanation)
    NoWord,             // a reading or an explanation without a word
    UnclosedQuote,      // a field begins with a double quote that does not close at its end
    NoReading,          // a word that is not typedAsShown, without a reading to type instead
};

// Whether the word can be typed as it is shown in the game's own modes, so that it needs no reading. Those modes type
// printable ASCII (Latin mode) and, in romaji, what the kana modes commit: hiragana U+3041-U+3096, katakana
// U+30A1-U+30F6, ・ and ー, the ideographic space, 、 。 「 」 『 』 〜 … ‥ and ← ↑ → ↓, and the full-width forms
// U+FF01-U+FF5E but for the vowels (a letter that composes a kana never stays a letter) and ， － ． ／ ［ ］ (their
// keys give 、 ー 。 ・ 「 」). Anything else (kanji above all, ゝ ゞ ヽ ヾ, ヷ-ヺ, half-width katakana) is not.
bool typedAsShown(std::u16string_view word);

// Why a load stored no entries for the game.
enum class LoadFailure {
    Missing,      // no such file, or not a regular file
    CannotRead,   // the file exists but cannot be opened for reading
    TooManyLines, // more than 1001 lines
    ReadError,    // reading failed part-way
    TooLarge,     // more bytes than a word file may have
};

// What the load needs from the screen that holds it.
class LoadHooks
{
public:
    virtual ~LoadHooks() = default;
    // Lets the user interface handle its pending events; called once before every line.
    virtual void yieldToEvents() = 0;
    // Called once on failure with the number of lines stored so far.
    virtual void reportLoadFailure(std::int32_t count, LoadFailure why) = 0;
    // Called at most once per load, when line (counted from 1) is the first whose stored text holds a character that
    // could not be decoded (U+FFFD), or that held a NUL byte; the load goes on and its entries are played.
    virtual void reportUnreadableText(std::int32_t line) = 0;
    // Called at most once per load, for the first line (counted from 1) of a table that was left out, and why; the
    // load goes on without it.
    virtual void reportBadLine(std::int32_t line, LineProblem why) = 0;
    // Every byte of the file, once and in order, as the load reads it: after a load that returned entries, exactly
    // the file's bytes, so that the list can be known by its content without reading it again.
    virtual void bytesRead(std::string_view) {}
};

// Fills the list from the word file at path and returns the number of entries, or 0 after reporting a failure.
// Kana followed by a combining sound mark are first joined (composeKanaMarks). With fixed columns each line is one
// entry, cut by character position: 1-32 is the word, 32-159 the explanation, each trimmed of U+0020 (of a line
// longer than the reader keeps, only its head counts). A table (a .tsv name, where a lone LF always ends a line) is
// read whole, however long its lines, and cut at every TAB; each field is trimmed of U+0020 and, when a spreadsheet
// quoted it ("…", each quote inside doubled), unquoted and trimmed again, and empty fields at the end do not count.
// Lines that are blank or begin with # are skipped, and so is the first other line when its first field is 単語,
// ことば, 言葉, word or words; every other line is an entry of one field (word), two (word, explanation) or three
// (word, reading, explanation) unless a LineProblem leaves it out, in which case it takes no slot and the first such
// line is reported. A line with a NUL byte, or an entry that stores U+FFFD, is reported as unreadable text. Lines are
// counted from 1 as they stand in the file. The load yields before every line and, within a very long line, between
// the reads of its blocks.
std::int32_t loadWordList(WordList& list, const std::filesystem::path& path, LoadHooks& hooks);

// Splits one converted line into its word and explanation.
void splitEntry(std::u16string_view line, std::u16string& word, std::u16string& explanation);

// A short Japanese sentence saying what went wrong with which file, for the game screen.
std::u16string describeLoadFailure(LoadFailure why, std::int32_t count, std::u16string_view path);

// A short Japanese sentence saying which line of which file first held characters that could not be read.
std::u16string describeUnreadableText(std::int32_t line, std::u16string_view path);

// A short Japanese sentence saying which line of which file was left out, and why.
std::u16string describeBadLine(std::int32_t line, LineProblem why, std::u16string_view path);

} // namespace fururupo
