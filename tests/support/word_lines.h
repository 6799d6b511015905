#pragma once

#include <string>
#include <string_view>

namespace fururupo::testing {

// UTF-16 text of the basic plane as UTF-8 bytes, for writing word files and printing failures.
inline std::string utf8(std::u16string_view text)
{
    std::string out;
    for (const char16_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Text followed by that many blanks.
inline std::string padded(std::string_view text, std::size_t blanks)
{
    return std::string(text) + std::string(blanks, ' ');
}

// A well-formed line of single-byte characters: the word padded to 31 characters, a blank at 32, the explanation
// from 33 on.
inline std::string entry(std::string_view word, std::string_view explanation)
{
    return padded(word, 31 - word.size()) + " " + std::string(explanation);
}

// count well-formed lines "w0" … with explanations "e0" …, each ended by end.
inline std::string numberedEntries(int count, std::string_view end = "\r\n")
{
    std::string bytes;
    for (int i = 0; i < count; ++i)
        bytes += entry("w" + std::to_string(i), "e" + std::to_string(i)) + std::string(end);
    return bytes;
}

// count bare words "w0" … without explanations, each ended by end.
inline std::string numberedWords(int count, std::string_view end)
{
    std::string bytes;
    for (int i = 0; i < count; ++i)
        bytes.append("w").append(std::to_string(i)).append(end);
    return bytes;
}

} // namespace fururupo::testing
