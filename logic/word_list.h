#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

namespace fururupo {

// The words and their explanations, slot i holding line i + 1 of the word file. A load replaces only the slots it
// reaches; the others keep what an earlier load put there.
struct WordList
{
    static constexpr std::int32_t slotCount = 1001;

    std::array<std::u16string, slotCount> words;
    std::array<std::u16string, slotCount> explanations;

    // Bounds-checked access: an index outside 0..1000 raises RuntimeError(IndexOutOfRange).
    const std::u16string& word(std::int32_t index) const;
    const std::u16string& explanation(std::int32_t index) const;
};

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
    // Called at most once per load, when line (counted from 1) is the first whose stored word or explanation holds a
    // character that could not be decoded (U+FFFD); the load goes on and its entries are played.
    virtual void reportUnreadableText(std::int32_t line) = 0;
};

// Fills the list from the word file at path and returns the number of entries, or 0 after reporting a failure.
// Each line is cut by character position: 1-32 is the word, 32-159 the explanation, each trimmed of U+0020.
// The load yields before every line and, within a very long line, between the reads of its blocks.
std::int32_t loadWordList(WordList& list, const std::filesystem::path& path, LoadHooks& hooks);

// Splits one converted line into its word and explanation.
void splitEntry(std::u16string_view line, std::u16string& word, std::u16string& explanation);

// A short Japanese sentence saying what went wrong with which file, for the game screen.
std::u16string describeLoadFailure(LoadFailure why, std::int32_t count, std::u16string_view path);

// A short Japanese sentence saying which line of which file first held characters that could not be read.
std::u16string describeUnreadableText(std::int32_t line, std::u16string_view path);

} // namespace fururupo
