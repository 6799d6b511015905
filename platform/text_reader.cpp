#include "platform/text_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fururupo {

namespace {

constexpr char16_t replacement = u'\uFFFD';

// One iconv descriptor per thread, opened on first use: opening one costs far more than a line.
class Cp932Decoder
{
public:
    Cp932Decoder() : cd(iconv_open("UTF-16LE", "CP932")) {}
    ~Cp932Decoder()
    {
        if (cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd);
    }
    Cp932Decoder(const Cp932Decoder&) = delete;
    Cp932Decoder& operator=(const Cp932Decoder&) = delete;

    // With `used`, a character the bytes cut off at their end is left for the next call, and used tells how many
    // bytes were converted; without it, it becomes U+FFFD like any other bad byte.
    std::u16string decode(std::string_view bytes, std::size_t* used = nullptr)
    {
        std::u16string text;
        if (used)
            *used = bytes.size();
        if (bytes.empty())
            return text;
        if (cd == reinterpret_cast<iconv_t>(-1)) {
            // No converter on this system: every byte is unreadable rather than silently misread.
            text.assign(bytes.size(), replacement);
            return text;
        }
        // Every input byte gives at most one UTF-16 unit.
        out.resize(2 * bytes.size() + 8);
        char* in = const_cast<char*>(bytes.data());
        std::size_t inLeft = bytes.size();
        char* outPtr = out.data();
        std::size_t outLeft = out.size();
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        while (inLeft > 0) {
            if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1))
                break;
            if (errno == E2BIG)
                break; // cannot happen with the size above; never loop on it
            if (errno == EINVAL && used) {
                *used = bytes.size() - inLeft;
                break;
            }
            // An invalid or truncated sequence: one replacement character for its first byte, then go on.
            *outPtr++ = static_cast<char>(0xFD);
            *outPtr++ = static_cast<char>(0xFF);
            outLeft -= 2;
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
        const std::size_t produced = static_cast<std::size_t>(outPtr - out.data()) / 2;
        text.resize(produced);
        for (std::size_t i = 0; i < produced; ++i) {
            const auto lo = static_cast<unsigned char>(out[2 * i]);
            const auto hi = static_cast<unsigned char>(out[2 * i + 1]);
            text[i] = static_cast<char16_t>(lo | (hi << 8));
        }
        return text;
    }

private:
    iconv_t cd;
    std::string out;
};

// Walks UTF-8 by the well-formed sequences of the Unicode Standard (shortest forms, no surrogates, at most U+10FFFF).
// For each character it calls emit with its code point, and for each maximal ill-formed subsequence it calls emit
// with U+FFFD once; cutOff tells whether that subsequence ran into the end of the bytes. The walk stops early when
// emit returns false.
template <typename Emit> void walkUtf8(std::string_view bytes, Emit&& emit)
{
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    std::size_t i = 0;
    while (i < bytes.size()) {
        const unsigned char lead = at(i++);
        if (lead < 0x80) {
            if (!emit(lead, false, false))
                return;
            continue;
        }
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xBF; // the range of the second byte
        std::uint32_t code = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, code = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, code = lead & 0x0Fu;
            if (lead == 0xE0)
                low = 0xA0;
            else if (lead == 0xED)
                high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, code = lead & 0x07u;
            if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F;
        } else {
            if (!emit(replacement, true, false))
                return;
            continue;
        }
        std::size_t taken = 1;
        for (; taken < length && i < bytes.size(); ++taken, ++i) {
            const unsigned char next = at(i);
            if (next < (taken == 1 ? low : 0x80) || next > (taken == 1 ? high : 0xBF))
                break;
            code = code << 6 | (next & 0x3Fu);
        }
        const bool going = taken == length ? emit(code, false, false) : emit(replacement, true, i == bytes.size());
        if (!going)
            return;
    }
}

// The UTF-16 code unit in the two bytes at `bytes`, in the byte order given.
char16_t utf16Unit(const char* bytes, bool bigEndian)
{
    const auto first = static_cast<unsigned char>(bytes[0]);
    const auto second = static_cast<unsigned char>(bytes[1]);
    return static_cast<char16_t>(bigEndian ? (first << 8 | second) : (second << 8 | first));
}

void appendCodePoint(std::u16string& text, std::uint32_t code)
{
    if (code >= 0x10000) {
        text += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
        text += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
        text += static_cast<char16_t>(code);
    }
}

// Opens a path too long for one system call by walking it a folder at a time.
int openByParts(const std::filesystem::path& path, int flags)
{
    int folder = AT_FDCWD;
    auto part = path.begin();
    if (path.has_root_directory()) {
        folder = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (folder < 0)
            return -1;
        while (part != path.end() && part->native() == "/")
            ++part;
    }
    int result = -1;
    for (; part != path.end(); ++part) {
        if (part->empty())
            continue;
        const bool last = std::next(part) == path.end() || std::next(part)->empty();
        const int next = ::openat(folder, part->c_str(), last ? flags : (O_PATH | O_DIRECTORY | O_CLOEXEC));
        const int saved = errno;
        if (folder != AT_FDCWD)
            ::close(folder);
        errno = saved;
        if (next < 0)
            return -1;
        if (last) {
            result = next;
            break;
        }
        folder = next;
    }
    if (result < 0 && folder != AT_FDCWD && folder >= 0) {
        ::close(folder);
        errno = ENOENT;
    }
    return result;
}

} // namespace

std::u16string decodeCp932(std::string_view bytes, std::size_t* used)
{
    thread_local Cp932Decoder decoder;
    return decoder.decode(bytes, used);
}

std::u16string decodeUtf8(std::string_view bytes)
{
    std::u16string text;
    text.reserve(bytes.size());
    walkUtf8(bytes, [&](std::uint32_t code, bool, bool) {
        appendCodePoint(text, code);
        return true;
    });
    return text;
}

bool isUtf8Prefix(std::string_view bytes)
{
    bool wellFormed = true;
    walkUtf8(bytes, [&](std::uint32_t, bool illFormed, bool cutOff) {
        if (illFormed && !cutOff)
            wellFormed = false;
        return wellFormed;
    });
    return wellFormed;
}

std::u16string decodeUtf16(std::string_view bytes, bool bigEndian)
{
    std::u16string text;
    text.reserve(bytes.size() / 2 + 1);
    const auto unitAt = [&](std::size_t i) { return utf16Unit(bytes.data() + i, bigEndian); };
    const std::size_t units = bytes.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
        const char16_t unit = unitAt(2 * i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
            const char16_t next = unitAt(2 * i + 2);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                text += unit;
                text += next;
                ++i;
                continue;
            }
        }
        text += (unit >= 0xD800 && unit <= 0xDFFF) ? replacement : unit;
    }
    if (bytes.size() % 2 != 0)
        text += replacement;
    return text;
}

std::u16string decode(std::string_view bytes, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Cp932:
        break;
    case TextEncoding::Utf8:
        return decodeUtf8(bytes);
    case TextEncoding::Utf16LE:
        return decodeUtf16(bytes, false);
    case TextEncoding::Utf16BE:
        return decodeUtf16(bytes, true);
    }
    return decodeCp932(bytes);
}

SequentialTextReader::~SequentialTextReader()
{
    close();
}

SequentialTextReader::OpenResult SequentialTextReader::open(const std::filesystem::path& path, LineFeed lineFeed)
{
    close();
    // Non-blocking, so that a FIFO of that name cannot hang the open; anything but a regular file is refused below.
    constexpr int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    int descriptor = ::open(path.c_str(), flags);
    if (descriptor < 0 && errno == ENAMETOOLONG)
        descriptor = openByParts(path, flags);
    if (descriptor < 0) {
        switch (errno) {
        case ENOENT:
        case ENOTDIR:
        case ELOOP:
        case ENAMETOOLONG:
        case ENXIO:
        case ENODEV:
            return OpenResult::NotFound;
        default:
            return OpenResult::CannotRead;
        }
    }
    struct stat info
    {
    };
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(descriptor);
        return OpenResult::NotFound;
    }
    // A size the system knows is refused before a byte is read; files that report no size (under /proc) are
    // stopped by the count of bytes read instead.
    if (static_cast<std::uintmax_t>(info.st_size) > maxFileBytes) {
        ::close(descriptor);
        return OpenResult::TooLarge;
    }
    const int current = ::fcntl(descriptor, F_GETFL);
    if (current >= 0)
        ::fcntl(descriptor, F_SETFL, current & ~O_NONBLOCK);
    fd = descriptor;
    knownSize = static_cast<std::uintmax_t>(info.st_size);
    textEncoding = TextEncoding::Cp932;
    lineFeedRule = lineFeed;
    lastLineHeldNul = lastLineCut = false;
    encodingDecided = false;
    eof = false;
    bytesRead = 0;
    bytesWatched = 0;
    readLimit = 0;
    carried.clear();
    buffer.resize(blockBytes);
    filled = 0;
    position = 0;
    return OpenResult::Opened;
}

void SequentialTextReader::close()
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
    carried.clear();
    buffer.clear();
    buffer.shrink_to_fit();
    filled = 0;
    position = 0;
    eof = true;
}

bool SequentialTextReader::fill()
{
    if (position < filled)
        return true;
    if (eof || fd < 0)
        return false;
    std::size_t wanted = buffer.size();
    if (readLimit != 0) {
        wanted = static_cast<std::size_t>(std::min<std::uintmax_t>(wanted, readLimit - std::min(readLimit, bytesRead)));
        if (wanted == 0) {
            eof = true;
            return false;
        }
    }
    ssize_t count;
    do {
        count = ::read(fd, buffer.data(), wanted);
    } while (count < 0 && errno == EINTR);
    if (count < 0)
        throw ReadError{errno};
    filled = static_cast<std::size_t>(count);
    position = 0;
    const std::uintmax_t from = bytesRead;
    bytesRead += filled;
    if (byteWatcher && bytesRead > bytesWatched) {
        const auto seen = static_cast<std::size_t>(bytesWatched > from ? bytesWatched - from : 0);
        byteWatcher(std::string_view(buffer.data() + seen, filled - seen));
        bytesWatched = bytesRead;
    }
    if (bytesRead > maxFileBytes)
        throw TooLarge{};
    if (count == 0)
        eof = true;
    return count > 0;
}

void SequentialTextReader::detectEncoding()
{
    if (encodingDecided)
        return;
    encodingDecided = true;
    if (!fill())
        return;
    const std::string_view block(buffer.data() + position, filled - position);
    const auto markedBy = [&](std::string_view mark) { return block.substr(0, mark.size()) == mark; };
    if (markedBy("\xEF\xBB\xBF")) {
        textEncoding = TextEncoding::Utf8;
        position += 3;
    } else if (markedBy("\xFF\xFE")) {
        textEncoding = TextEncoding::Utf16LE;
        position += 2;
    } else if (markedBy("\xFE\xFF")) {
        textEncoding = TextEncoding::Utf16BE;
        position += 2;
    } else {
        textEncoding = guessFromFirstNonAscii();
    }
}

TextEncoding SequentialTextReader::guessFromFirstNonAscii()
{
    // Safe to guess: a code page 932 kana or kanji starts with a byte 0x81-0x9F or 0xE0-0xFC followed by bytes that
    // UTF-8 rarely allows, and a kana's lead byte 0x81-0x9F can never start a UTF-8 sequence at all. A window of fewer
    // bytes than the longest UTF-8 character would judge a cut-off lead byte alone, so the next block is added then.
    constexpr std::size_t enough = 4;
    const auto nonAscii = [](char c) { return static_cast<unsigned char>(c) > 0x7F; };
    const std::size_t start = position;
    bool readAhead = false;
    std::string window; // from the first byte above 0x7F to the end of the block that holds it
    for (;;) {
        const char* begin = buffer.data() + position;
        const char* end = buffer.data() + filled;
        if (window.empty())
            window.assign(std::find_if(begin, end, nonAscii), end);
        else
            window.append(begin, end);
        // A file whose size is known and all read has nothing more to scan; asking would only cost a read.
        const bool more = knownSize == 0 || bytesRead < knownSize;
        if (window.size() >= enough || !more)
            break;
        position = filled;
        readAhead = true;
        if (!fill())
            break;
    }
    if (readAhead)
        rewind();
    else
        position = start;
    return !window.empty() && isUtf8Prefix(window) ? TextEncoding::Utf8 : TextEncoding::Cp932;
}

void SequentialTextReader::rewind()
{
    if (::lseek(fd, 0, SEEK_SET) != 0)
        throw ReadError{errno};
    bytesRead = 0;
    eof = false;
    filled = position = 0;
}

bool SequentialTextReader::atEnd()
{
    detectEncoding();
    return carried.empty() && !fill();
}

std::u16string SequentialTextReader::readLine(const std::function<void()>& betweenBlocks)
{
    std::string line;
    scanLine(
        [&](const char* bytes, std::size_t length) {
            const std::size_t kept = std::min(length, maxLineBytes - line.size());
            lastLineCut = lastLineCut || kept < length;
            line.append(bytes, kept);
        },
        betweenBlocks);
    return decode(line, textEncoding);
}

void SequentialTextReader::readLineInPieces(const std::function<void(std::u16string_view)>& piece,
                                            const std::function<void()>& betweenBlocks)
{
    std::string pending;
    // Hands over what of the pending bytes ends on a whole character, or all of them once the line has ended.
    const auto handOver = [&](bool lineEnded) {
        std::size_t used = pending.size();
        const std::u16string text = lineEnded ? decode(pending, textEncoding) : decodeWhole(pending, used);
        pending.erase(0, used);
        if (!text.empty())
            piece(text);
    };
    scanLine(
        [&](const char* bytes, std::size_t length) {
            while (length > 0) {
                const std::size_t taken = std::min(length, pieceBytes - std::min(pieceBytes, pending.size()) + 1);
                pending.append(bytes, taken);
                bytes += taken;
                length -= taken;
                if (pending.size() > pieceBytes)
                    handOver(false);
            }
        },
        betweenBlocks);
    handOver(true);
}

std::u16string SequentialTextReader::decodeWhole(std::string_view bytes, std::size_t& used) const
{
    std::size_t whole = bytes.size();
    switch (textEncoding) {
    case TextEncoding::Cp932:
        return decodeCp932(bytes, &used);
    case TextEncoding::Utf8: {
        // A lead byte among the last three whose sequence the bytes cut off is held back; a lead byte can never
        // continue a sequence, so what comes before it decodes alike with or without what follows.
        for (std::size_t back = 1; back <= std::min<std::size_t>(3, bytes.size()); ++back) {
            const auto lead = static_cast<unsigned char>(bytes[bytes.size() - back]);
            if (lead < 0xC0)
                continue;
            const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
            if (back < length && isUtf8Prefix(bytes.substr(bytes.size() - back)))
                whole = bytes.size() - back;
            break;
        }
        break;
    }
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
        // Whole units only, and a high surrogate at the end waits for its other half.
        whole -= whole % 2;
        if (whole >= 2) {
            const char16_t last = utf16Unit(bytes.data() + whole - 2, textEncoding == TextEncoding::Utf16BE);
            if (last >= 0xD800 && last <= 0xDBFF)
                whole -= 2;
        }
        break;
    }
    }
    used = whole;
    return decode(bytes.substr(0, whole), textEncoding);
}

void SequentialTextReader::scanLine(const std::function<void(const char*, std::size_t)>& keep,
                                    const std::function<void()>& betweenBlocks)
{
    detectEncoding();
    // Bytes of this line scanned since control was last handed back; a long line hands it back every block.
    std::size_t scanned = 0;
    const auto count = [&](std::size_t bytes) {
        scanned += bytes;
        if (scanned >= blockBytes) {
            scanned = 0;
            if (betweenBlocks)
                betweenBlocks();
        }
    };
    lastLineHeldNul = lastLineCut = false;
    if (textEncoding == TextEncoding::Utf16LE || textEncoding == TextEncoding::Utf16BE) {
        scanUtf16Line(keep, count);
        return;
    }
    const bool lineFeedEnds = lineFeedRule == LineFeed::AlwaysEndsLine || textEncoding != TextEncoding::Cp932;
    while (fill()) {
        const char* start = buffer.data() + position;
        const std::size_t available = std::min(filled - position, blockBytes - scanned);
        const auto* end = static_cast<const char*>(std::memchr(start, '\r', available));
        if (lineFeedEnds) {
            const std::size_t before = end ? static_cast<std::size_t>(end - start) : available;
            if (const auto* lf = static_cast<const char*>(std::memchr(start, '\n', before)))
                end = lf;
        }
        const std::size_t length = end ? static_cast<std::size_t>(end - start) : available;
        if (!lastLineHeldNul && std::memchr(start, '\0', length))
            lastLineHeldNul = true;
        keep(start, length);
        position += length;
        if (end) {
            const bool cr = *end == '\r';
            ++position;
            if (fill()) {
                if (cr && buffer[position] == '\n')
                    ++position;
                else if (buffer[position] == '\0')
                    lastLineHeldNul = true;
            }
            break;
        }
        count(length);
    }
}

void SequentialTextReader::scanUtf16Line(const std::function<void(const char*, std::size_t)>& keep,
                                         const std::function<void(std::size_t)>& count)
{
    const bool bigEndian = textEncoding == TextEncoding::Utf16BE;
    // A code unit's two bytes may lie in two blocks, so units are taken a byte at a time; a unit looked at after a
    // CR and found not to be an LF is given back for the next line.
    const auto nextByte = [&](char& byte) {
        if (!carried.empty()) {
            byte = carried.front();
            carried.erase(0, 1);
            return true;
        }
        if (!fill())
            return false;
        byte = buffer[position++];
        return true;
    };
    std::string unit;
    const auto nextUnit = [&] {
        unit.clear();
        char byte;
        while (unit.size() < 2 && nextByte(byte))
            unit.push_back(byte);
        return !unit.empty();
    };
    // An odd byte at the end of the file is no unit at all.
    const auto isUnit = [&](char16_t value) { return unit.size() == 2 && utf16Unit(unit.data(), bigEndian) == value; };
    while (nextUnit()) {
        if (isUnit(u'\n'))
            break;
        if (isUnit(u'\r')) {
            if (nextUnit() && !isUnit(u'\n'))
                carried = unit;
            break;
        }
        keep(unit.data(), unit.size());
        count(unit.size());
    }
}

} // namespace fururupo
