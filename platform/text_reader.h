#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace fururupo {

// Reads a text file one line at a time, never the whole file at once. A line ends at CR LF or a lone CR; a lone LF
// stays in the line. Lines are converted from code page 932 to UTF-16 (or from UTF-8 when the file starts with the
// UTF-8 byte order mark); bytes that cannot be converted become U+FFFD.
class SequentialTextReader
{
public:
    enum class OpenResult {
        Opened,
        NotFound,   // missing, or not a regular file (a folder, a FIFO, a device)
        CannotRead, // exists but cannot be opened for reading (permissions, a lock)
    };

    // Only the first this many bytes of a line are kept: enough for 159 characters in either encoding, and a bound on
    // the memory one line can take however long it is.
    static constexpr std::size_t maxLineBytes = 1024;

    SequentialTextReader() = default;
    ~SequentialTextReader();
    SequentialTextReader(const SequentialTextReader&) = delete;
    SequentialTextReader& operator=(const SequentialTextReader&) = delete;

    // Opens for reading only, without blocking on a FIFO and without a lock.
    OpenResult open(const std::filesystem::path& path);

    // True once every byte of the file has been consumed (so a final line end starts no further line).
    // Raises ReadError if the file cannot be read.
    bool atEnd();

    // The next line without its end, converted. Raises ReadError if the file cannot be read.
    std::u16string readLine();

    void close();

    bool isOpen() const { return fd >= 0; }

    struct ReadError
    {
        int error;
    };

private:
    // Makes at least one unread byte available unless the file is exhausted; false at its end.
    bool fill();
    void detectByteOrderMark();

    int fd = -1;
    bool utf8 = false;
    bool markChecked = false;
    bool eof = false;
    std::vector<char> buffer;
    std::size_t filled = 0;
    std::size_t position = 0;
};

// Converts bytes of code page 932 (or UTF-8) to UTF-16, one U+FFFD for each byte that cannot be converted.
std::u16string decodeCp932(std::string_view bytes);
std::u16string decodeUtf8(std::string_view bytes);

} // namespace fururupo
