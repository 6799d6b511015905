#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace fururupo {

// How the bytes of a text file are read as characters.
enum class TextEncoding {
    Cp932,   // code page 932 (Shift-JIS), the word list's native encoding
    Utf8,    // with or without its byte order mark
    Utf16LE, // after the mark FF FE
    Utf16BE, // after the mark FE FF
};

// Whether a lone LF ends a line in a file read as code page 932 (which a file of ASCII alone is). In UTF-8 and UTF-16
// it always does, since that is how editors on Linux save; in code page 932 the word lists of old keep an LF as part
// of the line unless the caller's format says otherwise.
enum class LineFeed {
    EndsLineUnlessCp932,
    AlwaysEndsLine,
};

// Reads a text file one line at a time, never the whole file at once. A line ends at CR LF or a lone CR, and also at
// a lone LF as LineFeed says. The encoding is decided once, before the first line: a byte order mark (UTF-8, UTF-16
// little or big endian, the mark itself no text), else the bytes above 0x7F decide wherever the first of them comes:
// UTF-8 when the block that holds it is valid UTF-8 from that byte on (a sequence cut at the block's end counts as
// valid, and a character cut so close to the end is judged with the next block too), else code page 932, which is
// also the answer for a file of ASCII alone. Finding that byte past the first block reads ahead (never past
// maxFileBytes) and then starts again from the top. Bytes that cannot be converted become U+FFFD.
class SequentialTextReader
{
public:
    enum class OpenResult {
        Opened,
        NotFound,   // missing, or not a regular file (a folder, a FIFO, a device)
        CannotRead, // exists but cannot be opened for reading (permissions, a lock)
        TooLarge,   // its size is known to be above maxFileBytes
    };

    // Only the first this many bytes of a line are kept: enough for 159 characters in any of the encodings, and a
    // bound on the memory one line can take however long it is.
    static constexpr std::size_t maxLineBytes = 1024;
    // No file is read past this many bytes: about fifty times a full word list, and a bound on the time a load takes
    // on a huge or endless file.
    static constexpr std::uintmax_t maxFileBytes = 16 * 1024 * 1024;
    // The size of one read, and how much of one line is scanned before control is handed back (see readLine).
    static constexpr std::size_t blockBytes = 64 * 1024;
    // How many bytes of a line readLineInPieces gathers before it converts and hands them over.
    static constexpr std::size_t pieceBytes = 1024;

    SequentialTextReader() = default;
    ~SequentialTextReader();
    SequentialTextReader(const SequentialTextReader&) = delete;
    SequentialTextReader& operator=(const SequentialTextReader&) = delete;

    // Opens for reading only, without blocking on a FIFO and without a lock. Paths of any length are opened.
    OpenResult open(const std::filesystem::path& path, LineFeed lineFeed = LineFeed::EndsLineUnlessCp932);

    // Reads no further than the first `bytes` bytes of the file from now on, as if it ended there: for a look at the
    // head of a file that costs the same however large the file is.
    void stopAfter(std::uintmax_t bytes) { readLimit = bytes; }

    // True once every byte of the file has been consumed (so a final line end starts no further line).
    // Raises ReadError if the file cannot be read, TooLarge past maxFileBytes.
    bool atEnd();

    // The next line without its end, converted, of which only the first maxLineBytes are kept. betweenBlocks, when
    // given, runs each time one line has been scanned for another blockBytes, so that a very long line never holds
    // the caller for longer than one block. Raises ReadError if the file cannot be read, TooLarge once more than
    // maxFileBytes have been read.
    std::u16string readLine(const std::function<void()>& betweenBlocks = {});

    // The next line whole, however long, handed to `piece` in converted pieces of about pieceBytes as it is read, in
    // the memory of one piece. No piece ends inside a character, so the pieces joined are the line as one conversion
    // would give it. An empty line gives no piece. Raises as readLine does.
    void readLineInPieces(const std::function<void(std::u16string_view)>& piece,
                          const std::function<void()>& betweenBlocks = {});

    void close();

    bool isOpen() const { return fd >= 0; }

    // Shows watcher every byte of the file once, in order, as it is first read (a look ahead that starts again from
    // the top shows nothing twice), so that whoever needs the file's bytes too, to know the list by its content, never
    // reads it a second time.
    void watchBytes(std::function<void(std::string_view bytes)> watcher) { byteWatcher = std::move(watcher); }

    // The encoding decided before the first line; Cp932 before it.
    TextEncoding encoding() const { return textEncoding; }

    // Whether the line last read had a NUL byte in a UTF-8 or code page 932 file, where no text has one. A NUL right
    // after its lone CR or LF counts too: that is the other half of the line end of a UTF-16 file without its mark.
    bool lineHeldNul() const { return lastLineHeldNul; }
    // Whether the line last read by readLine was longer than the maxLineBytes kept of it.
    bool lineWasCut() const { return lastLineCut; }

    struct ReadError
    {
        int error;
    };
    struct TooLarge
    {
    };

private:
    // Makes at least one unread byte available unless the file is exhausted; false at its end.
    bool fill();
    void detectEncoding();
    TextEncoding guessFromFirstNonAscii();
    void rewind();
    // Scans the next line to its end, handing its bytes to keep as they are scanned.
    void scanLine(const std::function<void(const char*, std::size_t)>& keep,
                  const std::function<void()>& betweenBlocks);
    void scanUtf16Line(const std::function<void(const char*, std::size_t)>& keep,
                       const std::function<void(std::size_t)>& count);
    // Converts the bytes up to the last whole character, and says in `used` how many that was.
    std::u16string decodeWhole(std::string_view bytes, std::size_t& used) const;

    int fd = -1;
    TextEncoding textEncoding = TextEncoding::Cp932;
    LineFeed lineFeedRule = LineFeed::EndsLineUnlessCp932;
    bool encodingDecided = false;
    bool lastLineHeldNul = false;
    bool lastLineCut = false;
    std::uintmax_t knownSize = 0; // as the system reported it on opening; 0 when it reports none
    bool eof = false;
    std::uintmax_t bytesRead = 0;
    std::uintmax_t bytesWatched = 0; // how many bytes from the top the watcher has seen
    std::function<void(std::string_view)> byteWatcher;
    std::uintmax_t readLimit = 0; // 0 for none
    std::vector<char> buffer;
    std::string carried; // bytes given back in front of the buffer
    std::size_t filled = 0;
    std::size_t position = 0;
};

// Converts bytes to UTF-16. Code page 932 gives one U+FFFD for each byte that cannot be converted (with `used`, a lead
// byte cut off at the end is left unconverted instead, and used says how many bytes were); UTF-8 gives one for each
// maximal ill-formed subsequence, as the Unicode Standard recommends; UTF-16 gives one for each unpaired surrogate and
// for an odd byte at the end.
std::u16string decodeCp932(std::string_view bytes, std::size_t* used = nullptr);
std::u16string decodeUtf8(std::string_view bytes);
std::u16string decodeUtf16(std::string_view bytes, bool bigEndian);
std::u16string decode(std::string_view bytes, TextEncoding encoding);

// True when bytes are well-formed UTF-8, except that a sequence cut off at the very end counts as well-formed.
bool isUtf8Prefix(std::string_view bytes);

} // namespace fururupo
