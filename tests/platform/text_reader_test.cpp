#include "platform/text_reader.h"

#include "support/temp_files.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <fstream>
#include <functional>

#include <vector>

using namespace fururupo;
using fururupo::testing::TempFolder;

namespace {

std::vector<std::u16string> readAll(const std::filesystem::path& path,
                                    LineFeed lineFeed = LineFeed::EndsLineUnlessCp932)
{
    SequentialTextReader reader;
    EXPECT_EQ(reader.open(path, lineFeed), SequentialTextReader::OpenResult::Opened);
    std::vector<std::u16string> lines;
    while (!reader.atEnd())
        lines.push_back(reader.readLine());
    return lines;
}

using Lines = std::vector<std::u16string>;

// Lines "0" to "count - 1", each ended by end.
std::string numbered(int count, const std::string& end = "\n")
{
    std::string bytes;
    for (int i = 0; i < count; ++i)
        bytes += std::to_string(i) + end;
    return bytes;
}

} // namespace

// A code page 932 file, and one of ASCII alone, keeps a lone LF inside its line as the old word lists do, unless the
// caller's format says a lone LF ends a line; CR LF is always one line end.
TEST(SequentialTextReader, SplitsAtCrLfAndLoneCrAndAtLoneLfOnlyWhenAsked)
{
    TempFolder folder;
    struct Case
    {
        std::string bytes;
        Lines lines;
        Lines linesWhenLfEnds;
    };
    const Case cases[] = {
        {"", {}, {}},
        {"a\r\nb\r\n", {u"a", u"b"}, {u"a", u"b"}},
        {"a\r\nb", {u"a", u"b"}, {u"a", u"b"}},
        {"a\r\n\r\n", {u"a", u""}, {u"a", u""}},
        {"a\rb\r", {u"a", u"b"}, {u"a", u"b"}},
        {"a\nb\nc\n", {u"a\nb\nc\n"}, {u"a", u"b", u"c"}},
        {"a\r\n\nb", {u"a", u"\nb"}, {u"a", u"", u"b"}},
        {"\r\n", {u""}, {u""}},
        {"a\r\r\nb", {u"a", u"", u"b"}, {u"a", u"", u"b"}},
        {"a\n\rb", {u"a\n", u"b"}, {u"a", u"", u"b"}},
        {"\x82\xa0\n\x82\xa2", {u"あ\nい"}, {u"あ", u"い"}},
    };
    for (const auto& c : cases) {
        const auto path = folder.write("MSG.txt", c.bytes);
        EXPECT_EQ(readAll(path), c.lines) << "bytes: " << c.bytes;
        EXPECT_EQ(readAll(path, LineFeed::AlwaysEndsLine), c.linesWhenLfEnds) << "bytes: " << c.bytes;
    }
}

// The word list is code page 932: backslash and tilde stay ASCII, and a double-byte character is one unit.
TEST(SequentialTextReader, ConvertsCodePage932)
{
    EXPECT_EQ(decodeCp932("\x5c\x7e"), u"\\~");
    EXPECT_EQ(decodeCp932("\x81\x5f\x81\x60\x87\x40"), u"\uFF3C\uFF5E\u2460");
    EXPECT_EQ(decodeCp932("\x82\xa0\x82\xa2 \xb1"), u"あい ｱ");
    EXPECT_EQ(decodeCp932("\x88\x9f"), u"亜");
}

// Invalid bytes never stop a load: code page 932 gives one replacement character per byte, and reading goes on.
TEST(SequentialTextReader, ReplacesInvalidBytesAndGoesOn)
{
    EXPECT_EQ(decodeCp932("a\x80"
                          "b"),
              u"a\uFFFDb");
    EXPECT_EQ(decodeCp932("\xff\xfd"), u"\uFFFD\uFFFD");
    EXPECT_EQ(decodeCp932("\x82"), u"\uFFFD"); // a lead byte cut off at the end of the line
    EXPECT_EQ(decodeCp932(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
}

// UTF-8 gives one replacement character for each maximal ill-formed subsequence, so a cut-off character is one
// column, not one per byte, and every well-formed character around it survives.
TEST(SequentialTextReader, ReplacesEachMaximalIllFormedUtf8SubsequenceOnce)
{
    const std::u16string bad(1, u'\uFFFD');
    struct Case
    {
        std::string bytes;
        std::u16string text;
    };
    const Case cases[] = {
        {"\xe3\x81\x82\xe2\x98\x85", u"あ★"},
        {"\xf0\x9f\x8c\xb8", u"\U0001F338"},
        {"\xe3\x81", bad}, // a character cut off
        {"\xe3\x81"
         "a",
         bad + u"a"},                                // cut off before an ASCII byte, which stays
        {"\xf0\x9f\x8c", bad},                       // four bytes cut after three
        {"\x80\xbf", bad + bad},                     // lone trail bytes, each its own
        {"\xc0\xaf", bad + bad},                     // an overlong form: C0 never starts a sequence
        {"\xe0\x80\xaf", bad + bad + bad},           // overlong three bytes: E0 must be followed by A0..BF
        {"\xed\xa0\x80", bad + bad + bad},           // a surrogate
        {"\xf4\x90\x80\x80", bad + bad + bad + bad}, // above U+10FFFF
        {"\xf5\xff", bad + bad},
        // The example the Unicode Standard gives for this practice.
        {"\x61\xf1\x80\x80\xe1\x80\xc2\x62\x80\x63\x80\xbf\x64",
         u"a" + bad + bad + bad + u"b" + bad + u"c" + bad + bad + u"d"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decodeUtf8(c.bytes), c.text) << c.bytes;
    EXPECT_TRUE(isUtf8Prefix("\xe3\x81\x82\xe3\x81")); // cut at the end: still a prefix of valid text
    EXPECT_FALSE(isUtf8Prefix("\xe3\x81"
                              "a"));
    EXPECT_FALSE(isUtf8Prefix("\x82\xa0"));
}

TEST(SequentialTextReader, DecodesUtf16AndMarksWhatIsNoCharacter)
{
    const std::u16string bad(1, u'\uFFFD');
    EXPECT_EQ(decodeUtf16(std::string("\x42\x30\x3c\xd8\x38\xdf", 6), false), u"あ\U0001F338");
    EXPECT_EQ(decodeUtf16(std::string("\x30\x42\xd8\x3c\xdf\x38", 6), true), u"あ\U0001F338");
    EXPECT_EQ(decodeUtf16(std::string("\x3c\xd8"
                                      "a\x00",
                                      4),
                          false),
              bad + u"a");                                          // unpaired high surrogate
    EXPECT_EQ(decodeUtf16(std::string("\x38\xdf", 2), false), bad); // lone low surrogate
    EXPECT_EQ(decodeUtf16(std::string("a\x00"
                                      "b",
                                      3),
                          false),
              u"a" + bad); // an odd byte at the end
}

// The encoding is read off a byte order mark, else off the first non-ASCII bytes: valid UTF-8, else code page 932.
// The same line ends work in each, and in UTF-8 and UTF-16 a lone LF ends a line too.
TEST(SequentialTextReader, ChoosesTheEncodingFromTheMarkOrTheFirstNonAsciiBytes)
{
    TempFolder folder;
    struct Case
    {
        const char* what;
        std::string bytes;
        TextEncoding encoding;
        Lines lines;
    };
    const Case cases[] = {
        {"UTF-8 with its mark",
         "\xef\xbb\xbf\xe3\x81\x82\xe3\x81\x84\r\n\xe2\x98\x85",
         TextEncoding::Utf8,
         {u"あい", u"★"}},
        {"only the UTF-8 mark", "\xef\xbb\xbf", TextEncoding::Utf8, {}},
        {"UTF-8 as a Linux editor saves it",
         "\xe3\x81\x97\xe3\x82\x93\r\n\xe3\x81\xb6\rx\ny",
         TextEncoding::Utf8,
         {u"しん", u"ぶ", u"x", u"y"}},
        {"UTF-8 with LF and CR LF mixed",
         "\xef\xbb\xbf\xe3\x81\x82\n\xe3\x81\x84\r\n\n",
         TextEncoding::Utf8,
         {u"あ", u"い", u""}},
        {"UTF-8 cut at the end of the file", "\xe3\x81\x82\xe3\x81", TextEncoding::Utf8, {u"あ\uFFFD"}},
        {"code page 932 kana", "\x82\xb5\x82\xf1\r\n\x83\x4c", TextEncoding::Cp932, {u"しん", u"キ"}},
        {"code page 932 half-width katakana", "\xb1\xb2", TextEncoding::Cp932, {u"ｱｲ"}},
        {"ASCII alone", "abc\r\n", TextEncoding::Cp932, {u"abc"}},
        {"a broken UTF-8 mark", "\xef\xbb", TextEncoding::Utf8, {u"\uFFFD"}},
        {"UTF-16 little endian",
         std::string("\xff\xfe\x42\x30\r\x00\n\x00\x44\x30\r\x00x\x00\n\x00y\x00", 18),
         TextEncoding::Utf16LE,
         {u"あ", u"い", u"x", u"y"}},
        {"UTF-16 big endian",
         std::string("\xfe\xff\x30\x42\x00\r\x00\n\x30\x44\x00\n\x00\n\x30\x46", 16),
         TextEncoding::Utf16BE,
         {u"あ", u"い", u"", u"う"}},
        // The byte 0x0A inside a UTF-16 character is no line end either.
        {"UTF-16 units holding 0x0A",
         std::string("\xff\xfe\x0a\x30\x30\x0a", 6),
         TextEncoding::Utf16LE,
         {u"\u300A\u0A30"}},
        {"UTF-16 with an odd byte at the end",
         std::string("\xff\xfe"
                     "a\x00\r\x00"
                     "b",
                     7),
         TextEncoding::Utf16LE,
         {u"a", u"\uFFFD"}},
        // The byte 0x0D inside a UTF-16 character is no line end.
        {"UTF-16 units holding 0x0D",
         std::string("\xff\xfe\x0d\x30\x30\x0d", 6),
         TextEncoding::Utf16LE,
         {u"\u300D\u0D30"}},
    };
    for (const auto& c : cases) {
        SequentialTextReader reader;
        ASSERT_EQ(reader.open(folder.write("MSG.txt", c.bytes)), SequentialTextReader::OpenResult::Opened);
        Lines lines;
        while (!reader.atEnd())
            lines.push_back(reader.readLine());
        EXPECT_EQ(lines, c.lines) << c.what;
        EXPECT_EQ(reader.encoding(), c.encoding) << c.what;
    }
}

// The first non-ASCII bytes decide wherever they come: a first block of ASCII alone is read past, and the file is read
// again from its start. A character that straddles a block's end still counts as valid UTF-8.
TEST(SequentialTextReader, DecidesOnTheFirstNonAsciiBytesWhereverTheyCome)
{
    TempFolder folder;
    std::string asciiBlock;
    while (asciiBlock.size() + 3 <= SequentialTextReader::blockBytes - 1)
        asciiBlock += "a\r\n";
    asciiBlock.resize(SequentialTextReader::blockBytes - 1, 'a');
    // The block ends with the first byte of あ.
    auto lines = readAll(folder.write("MSG.txt", asciiBlock + "\xe3\x81\x82"));
    EXPECT_EQ(lines.back().substr(lines.back().size() - 1), u"あ");
    // The block ends with a code page 932 lead byte that could start UTF-8; the next block shows it is not.
    lines = readAll(folder.write("MSG.txt", asciiBlock + "\xe8\x40\x82\xa0"));
    EXPECT_EQ(lines.back().substr(lines.back().size() - 2), decodeCp932("\xe8\x40\x82\xa0"));

    struct Case
    {
        const char* what;
        std::string bytes;
        TextEncoding encoding;
        std::size_t lineCount;
        std::u16string last;
    };
    const std::string ascii(SequentialTextReader::blockBytes, 'a');
    const Case cases[] = {
        {"UTF-8 after a block of ASCII", ascii + "\r\n\xe3\x81\x82\nx", TextEncoding::Utf8, 3, u"x"},
        {"UTF-8 after two and a half blocks of ASCII lines", numbered(30000) + "\xe3\x81\x82", TextEncoding::Utf8,
         30001, u"あ"},
        {"code page 932 after a block of ASCII", ascii + "\r\n\x82\xa0\nx", TextEncoding::Cp932, 2, u"あ\nx"},
        {"ASCII alone, past a block", numbered(30000, "\r\n"), TextEncoding::Cp932, 30000, u"29999"},
    };
    for (const auto& c : cases) {
        SequentialTextReader reader;
        ASSERT_EQ(reader.open(folder.write("MSG.txt", c.bytes)), SequentialTextReader::OpenResult::Opened);
        // Whoever watches the bytes (to know the list by its content) sees the file once, the look ahead included.
        std::string watched;
        reader.watchBytes([&](std::string_view bytes) { watched.append(bytes); });
        Lines lines;
        while (!reader.atEnd())
            lines.push_back(reader.readLine());
        EXPECT_EQ(watched, c.bytes) << c.what;
        EXPECT_EQ(reader.encoding(), c.encoding) << c.what;
        ASSERT_EQ(lines.size(), c.lineCount) << c.what;
        // Read again from the start after the look ahead: nothing lost or doubled.
        EXPECT_EQ(lines.front().substr(0, 1), c.bytes.substr(0, 1) == "a" ? u"a" : u"0") << c.what;
        EXPECT_EQ(lines.back(), c.last) << c.what;
    }
}

// A NUL byte is no text in UTF-8 or code page 932: the line that holds it says so, and so does a line whose lone CR is
// followed by one, as every line of a UTF-16 little-endian file without its mark is. A cut line says so too.
TEST(SequentialTextReader, TellsWhichLinesHeldANulAndWhichWereCut)
{
    TempFolder folder;
    struct Case
    {
        const char* what;
        std::string bytes;
        LineFeed lineFeed;
        std::vector<bool> nul;
    };
    const Case cases[] = {
        {"no NUL", "ab\r\ncd", LineFeed::EndsLineUnlessCp932, {false, false}},
        {"a NUL in line 2", std::string("ab\r\nc\0d\r\ne", 10), LineFeed::EndsLineUnlessCp932, {false, true, false}},
        {"UTF-16 little endian without a mark",
         std::string("\x42\x30\r\0\n\0\x44\x30", 8),
         LineFeed::EndsLineUnlessCp932,
         {true, true}},
        {"the same, LF ending lines", std::string("\x42\x30\n\0\x44\x30", 6), LineFeed::AlwaysEndsLine, {true, true}},
        {"UTF-16 big endian without a mark",
         std::string("\x30\x42\0\r\0\n\x30\x44", 8),
         LineFeed::EndsLineUnlessCp932,
         {true, true}},
        {"a NUL after CR LF belongs to the next line",
         std::string("a\r\n\0", 4),
         LineFeed::EndsLineUnlessCp932,
         {false, true}},
    };
    for (const auto& c : cases) {
        SequentialTextReader reader;
        ASSERT_EQ(reader.open(folder.write("MSG.txt", c.bytes), c.lineFeed), SequentialTextReader::OpenResult::Opened);
        std::vector<bool> nul;
        while (!reader.atEnd()) {
            reader.readLine();
            nul.push_back(reader.lineHeldNul());
            EXPECT_FALSE(reader.lineWasCut()) << c.what;
        }
        EXPECT_EQ(nul, c.nul) << c.what;
    }
    for (const auto& [bytes, cut] :
         std::vector<std::pair<std::string, bool>>{{std::string(SequentialTextReader::maxLineBytes, 'x'), false},
                                                   {std::string(SequentialTextReader::maxLineBytes + 1, 'x'), true}}) {
        SequentialTextReader reader;
        ASSERT_EQ(reader.open(folder.write("MSG.txt", bytes + "\r\nnext")), SequentialTextReader::OpenResult::Opened);
        reader.readLine();
        EXPECT_EQ(reader.lineWasCut(), cut) << bytes.size();
        reader.readLine();
        EXPECT_FALSE(reader.lineWasCut());
    }
}

// A line of any length costs bounded memory: only its head is kept, and the next line still starts in the right place.
// While it is scanned, control goes back to the caller every block, so the windows keep painting.
TEST(SequentialTextReader, KeepsOnlyTheHeadOfAVeryLongLineAndHandsBackControlEveryBlock)
{
    TempFolder folder;
    const std::string longLine(3 * 1024 * 1024, 'x');
    for (const bool utf16 : {false, true}) {
        std::string bytes = longLine + "\r\nnext";
        if (utf16) {
            std::string wide = "\xff\xfe";
            for (const char c : bytes)
                wide += std::string{c, '\0'};
            bytes = wide;
        }
        SequentialTextReader reader;
        ASSERT_EQ(reader.open(folder.write("MSG.txt", bytes)), SequentialTextReader::OpenResult::Opened);
        int handedBack = 0;
        const std::function<void()> count = [&] { ++handedBack; };
        ASSERT_FALSE(reader.atEnd());
        EXPECT_EQ(reader.readLine(count), std::u16string(SequentialTextReader::maxLineBytes / (utf16 ? 2 : 1), u'x'));
        const std::size_t lineBytes = longLine.size() * (utf16 ? 2 : 1);
        EXPECT_EQ(handedBack, static_cast<int>(lineBytes / SequentialTextReader::blockBytes)) << utf16;
        handedBack = 0;
        ASSERT_FALSE(reader.atEnd());
        EXPECT_EQ(reader.readLine(count), u"next");
        EXPECT_EQ(handedBack, 0);
        EXPECT_TRUE(reader.atEnd());
    }
}

// A table's line is judged whole however long it is, so its pieces must join into exactly the line one conversion
// would give: no character may be split between two pieces, in any encoding, wherever a piece happens to end.
TEST(SequentialTextReader, HandsOverALongLineInPiecesThatJoinIntoTheWholeLine)
{
    TempFolder folder;
    // UTF-8 of 1, 2, 3 and 4 bytes (a pair in UTF-16), and a code page 932 line of one- and two-byte characters.
    const std::string utf8Unit = "a\xc3\xa9\xe3\x81\x82\xf0\x9f\x90\xb1";
    const std::u16string utf8Text = u"a\u00e9\u3042\U0001F431";
    const std::string cp932Unit = "a\x82\xa0\xb1";
    const std::u16string cp932Text = u"a\u3042\uFF71";
    const auto utf16 = [](std::u16string_view text, bool bigEndian) {
        std::string bytes;
        for (const char16_t c : text) {
            const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
            bytes += bigEndian ? std::string{high, low} : std::string{low, high};
        }
        return bytes;
    };
    struct Case
    {
        const char* what;
        std::string mark, unit;
        std::u16string text;
        std::string lineEnd;
    };
    const Case cases[] = {
        {"UTF-8", "\xef\xbb\xbf", utf8Unit, utf8Text, "\n"},
        {"code page 932", "", cp932Unit, cp932Text, "\r\n"},
        {"UTF-16LE", "\xff\xfe", utf16(utf8Text, false), utf8Text, utf16(u"\n", false)},
        {"UTF-16BE", "\xfe\xff", utf16(utf8Text, true), utf8Text, utf16(u"\n", true)},
    };
    for (const auto& c : cases) {
        // Every shift of the characters against the piece size, by one leading byte (or unit) at a time.
        for (std::size_t shift = 0; shift < 4; ++shift) {
            const bool wide = c.what[0] == 'U' && c.what[4] == '1';
            std::string line = wide ? utf16(std::u16string(shift, u'x'), c.what[6] == 'B') : std::string(shift, 'x');
            std::u16string expected(shift, u'x');
            while (line.size() < 3 * SequentialTextReader::pieceBytes) {
                line += c.unit;
                expected += c.text;
            }
            SequentialTextReader reader;
            ASSERT_EQ(reader.open(folder.write("list.tsv", c.mark + line + c.lineEnd +
                                                               (wide ? utf16(u"z", c.what[6] == 'B') : "z")),
                                  LineFeed::AlwaysEndsLine),
                      SequentialTextReader::OpenResult::Opened);
            std::u16string joined;
            std::size_t pieces = 0;
            reader.readLineInPieces([&](std::u16string_view piece) {
                EXPECT_FALSE(piece.empty());
                EXPECT_LE(piece.size(), SequentialTextReader::pieceBytes + 4);
                joined += piece;
                ++pieces;
            });
            EXPECT_EQ(joined, expected) << c.what << ", shifted by " << shift;
            EXPECT_GE(pieces, 3u) << c.what;
            EXPECT_FALSE(reader.lineWasCut());
            EXPECT_EQ(reader.readLine(), u"z") << c.what;
        }
    }
}

// A look at a file's head reads no further, even where the encoding would otherwise be looked for deep in the file.
TEST(SequentialTextReader, StopsAfterTheBytesItIsAllowed)
{
    TempFolder folder;
    SequentialTextReader reader;
    ASSERT_EQ(reader.open(folder.write("list.tsv", std::string(100, 'a') + "\n" + std::string(100000, 'b') + "\xe9")),
              SequentialTextReader::OpenResult::Opened);
    reader.stopAfter(10);
    EXPECT_EQ(reader.readLine(), u"aaaaaaaaaa");
    EXPECT_TRUE(reader.atEnd());
    EXPECT_EQ(reader.encoding(), TextEncoding::Cp932);
}

// A file of a known size above the limit is refused unread; a file that keeps growing (or a /proc file, which
// reports no size) is stopped once more than the limit has been read.
TEST(SequentialTextReader, StopsAtTheSizeLimit)
{
    TempFolder folder;
    const auto path = folder.path() / "MSG.txt";
    {
        std::ofstream(path, std::ios::binary).write("x", 1);
    }
    std::filesystem::resize_file(path, SequentialTextReader::maxFileBytes + 1);
    SequentialTextReader reader;
    EXPECT_EQ(reader.open(path), SequentialTextReader::OpenResult::TooLarge);
    EXPECT_FALSE(reader.isOpen());

    std::filesystem::resize_file(path, SequentialTextReader::maxFileBytes);
    ASSERT_EQ(reader.open(path), SequentialTextReader::OpenResult::Opened);
    EXPECT_NO_THROW(while (!reader.atEnd()) reader.readLine());

    // Grows by a megabyte each time the reader hands back control.
    folder.write("MSG.txt", std::string(1024 * 1024, 'x'));
    ASSERT_EQ(reader.open(path), SequentialTextReader::OpenResult::Opened);
    std::ofstream grow(path, std::ios::binary | std::ios::app);
    const std::string megabyte(1024 * 1024, 'y');
    int handedBack = 0;
    const std::function<void()> append = [&] {
        ++handedBack;
        grow.write(megabyte.data(), static_cast<std::streamsize>(megabyte.size()));
        grow.flush();
    };
    EXPECT_FALSE(reader.atEnd());
    EXPECT_THROW(reader.readLine(append), SequentialTextReader::TooLarge);
    EXPECT_EQ(handedBack, static_cast<int>(SequentialTextReader::maxFileBytes / SequentialTextReader::blockBytes));
}

// A path longer than the system takes in one call is opened a folder at a time.
TEST(SequentialTextReader, OpensPathsLongerThanTheSystemLimit)
{
    TempFolder folder;
    // The folders are made, and removed again, through descriptors: no single call may name the whole path.
    const std::string name(200, 'd');
    std::vector<int> levels{::open(folder.path().c_str(), O_PATH | O_DIRECTORY)};
    std::filesystem::path deep = folder.path();
    while (deep.native().size() < PATH_MAX + 500) {
        ASSERT_EQ(::mkdirat(levels.back(), name.c_str(), 0700), 0);
        levels.push_back(::openat(levels.back(), name.c_str(), O_PATH | O_DIRECTORY));
        ASSERT_GE(levels.back(), 0);
        deep /= name;
    }
    const int file = ::openat(levels.back(), "MSG.txt", O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(file, 0);
    ASSERT_EQ(::write(file, "deep\r\n", 6), 6);
    ::close(file);

    EXPECT_EQ(readAll(deep / "MSG.txt"), Lines{u"deep"});
    SequentialTextReader reader;
    EXPECT_EQ(reader.open(deep / "missing.txt"), SequentialTextReader::OpenResult::NotFound);

    ::unlinkat(levels.back(), "MSG.txt", 0);
    for (std::size_t i = levels.size() - 1; i > 0; --i) {
        ::close(levels[i]);
        ::unlinkat(levels[i - 1], name.c_str(), AT_REMOVEDIR);
    }
    ::close(levels[0]);
}

// Opening a FIFO, a folder or a device must neither hang nor read forever.
TEST(SequentialTextReader, RefusesAnythingButARegularFile)
{
    TempFolder folder;
    SequentialTextReader reader;
    EXPECT_EQ(reader.open(folder.path() / "missing.txt"), SequentialTextReader::OpenResult::NotFound);
    EXPECT_EQ(reader.open(folder.path()), SequentialTextReader::OpenResult::NotFound);
    const auto fifo = folder.path() / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(reader.open(fifo), SequentialTextReader::OpenResult::NotFound);
    EXPECT_EQ(reader.open("/dev/zero"), SequentialTextReader::OpenResult::NotFound);
    std::filesystem::create_symlink("/dev/zero", folder.path() / "link");
    EXPECT_EQ(reader.open(folder.path() / "link"), SequentialTextReader::OpenResult::NotFound);
    EXPECT_FALSE(reader.isOpen());
    EXPECT_TRUE(reader.atEnd());
}
