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

constexpr std::size_t bufferSize = 64 * 1024;

// One iconv descriptor per source encoding and thread, opened on first use: opening one costs far more than a line.
class Decoder
{
public:
    explicit Decoder(const char* from) : cd(iconv_open("UTF-16LE", from)) {}
    ~Decoder()
    {
        if (cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd);
    }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    std::u16string decode(std::string_view bytes)
    {
        std::u16string text;
        if (bytes.empty())
            return text;
        // Every input byte gives at most one UTF-16 unit, except a 4-byte UTF-8 sequence, which gives two.
        out.resize(2 * bytes.size() + 8);
        char* in = const_cast<char*>(bytes.data());
        std::size_t inLeft = bytes.size();
        char* outPtr = out.data();
        std::size_t outLeft = out.size();
        if (cd == reinterpret_cast<iconv_t>(-1)) {
            // No converter on this system: every byte is unreadable rather than silently misread.
            text.assign(bytes.size(), u'\uFFFD');
            return text;
        }
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        while (inLeft > 0) {
            if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1))
                break;
            if (errno == E2BIG)
                break; // cannot happen with the size above; never loop on it
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

} // namespace

std::u16string decodeCp932(std::string_view bytes)
{
    thread_local Decoder decoder("CP932");
    return decoder.decode(bytes);
}

std::u16string decodeUtf8(std::string_view bytes)
{
    thread_local Decoder decoder("UTF-8");
    return decoder.decode(bytes);
}

SequentialTextReader::~SequentialTextReader()
{
    close();
}

SequentialTextReader::OpenResult SequentialTextReader::open(const std::filesystem::path& path)
{
    close();
    // Non-blocking, so that a FIFO of that name cannot hang the open; anything but a regular file is refused below.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
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
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags >= 0)
        ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK);
    fd = descriptor;
    utf8 = false;
    markChecked = false;
    eof = false;
    buffer.resize(bufferSize);
    filled = 0;
    position = 0;
    return OpenResult::Opened;
}

void SequentialTextReader::close()
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
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
    ssize_t count;
    do {
        count = ::read(fd, buffer.data(), buffer.size());
    } while (count < 0 && errno == EINTR);
    if (count < 0)
        throw ReadError{errno};
    filled = static_cast<std::size_t>(count);
    position = 0;
    if (count == 0)
        eof = true;
    return count > 0;
}

void SequentialTextReader::detectByteOrderMark()
{
    if (markChecked)
        return;
    markChecked = true;
    static constexpr unsigned char mark[] = {0xEF, 0xBB, 0xBF};
    // The mark may in principle straddle two reads; keep what was matched and put it back if the rest differs.
    std::string matched;
    while (matched.size() < 3 && fill()) {
        if (static_cast<unsigned char>(buffer[position]) != mark[matched.size()])
            break;
        matched.push_back(buffer[position++]);
    }
    if (matched.size() == 3) {
        utf8 = true;
        return;
    }
    if (matched.empty())
        return;
    // Not a mark: the bytes taken belong to the first line. Rebuild the buffer with them in front.
    std::vector<char> rest(buffer.begin() + static_cast<std::ptrdiff_t>(position),
                           buffer.begin() + static_cast<std::ptrdiff_t>(filled));
    buffer.resize(std::max(buffer.size(), matched.size() + rest.size()));
    std::copy(matched.begin(), matched.end(), buffer.begin());
    std::copy(rest.begin(), rest.end(), buffer.begin() + static_cast<std::ptrdiff_t>(matched.size()));
    filled = matched.size() + rest.size();
    position = 0;
}

bool SequentialTextReader::atEnd()
{
    detectByteOrderMark();
    return !fill();
}

std::u16string SequentialTextReader::readLine()
{
    detectByteOrderMark();
    std::string line;
    while (fill()) {
        const char* start = buffer.data() + position;
        const std::size_t available = filled - position;
        const auto* cr = static_cast<const char*>(std::memchr(start, '\r', available));
        const std::size_t length = cr ? static_cast<std::size_t>(cr - start) : available;
        line.append(start, std::min(length, maxLineBytes - line.size()));
        position += length;
        if (cr) {
            ++position;
            if (fill() && buffer[position] == '\n')
                ++position;
            break;
        }
    }
    return utf8 ? decodeUtf8(line) : decodeCp932(line);
}

} // namespace fururupo
