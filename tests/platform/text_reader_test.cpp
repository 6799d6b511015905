#include "platform/text_reader.h"

#include "support/temp_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <vector>

using namespace fururupo;
using fururupo::testing::TempFolder;

namespace {

std::vector<std::u16string> readAll(const std::filesystem::path& path)
{
    SequentialTextReader reader;
    EXPECT_EQ(reader.open(path), SequentialTextReader::OpenResult::Opened);
    std::vector<std::u16string> lines;
    while (!reader.atEnd())
        lines.push_back(reader.readLine());
    return lines;
}

using Lines = std::vector<std::u16string>;

} // namespace

TEST(SequentialTextReader, SplitsAtCrLfAndLoneCrButNotAtLoneLf)
{
    TempFolder folder;
    struct Case
    {
        std::string bytes;
        Lines lines;
    };
    const Case cases[] = {
        {"", {}},
        {"a\r\nb\r\n", {u"a", u"b"}},
        {"a\r\nb", {u"a", u"b"}},
        {"a\r\n\r\n", {u"a", u""}},
        {"a\rb\r", {u"a", u"b"}},
        {"a\nb\nc\n", {u"a\nb\nc\n"}},
        {"a\r\n\nb", {u"a", u"\nb"}},
        {"\r\n", {u""}},
        {"a\r\r\nb", {u"a", u"", u"b"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readAll(folder.write("MSG.txt", c.bytes)), c.lines) << "bytes: " << c.bytes;
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

// Invalid bytes never stop a load: each becomes one replacement character and reading goes on.
TEST(SequentialTextReader, ReplacesInvalidBytesAndGoesOn)
{
    EXPECT_EQ(decodeCp932("a\x80"
                          "b"),
              u"a\uFFFDb");
    EXPECT_EQ(decodeCp932("\xff\xfd"), u"\uFFFD\uFFFD");
    EXPECT_EQ(decodeCp932("\x82"), u"\uFFFD"); // a lead byte cut off at the end of the line
    EXPECT_EQ(decodeUtf8("\xe3\x81"), u"\uFFFD\uFFFD");
    EXPECT_EQ(decodeCp932(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(SequentialTextReader, ReadsUtf8WhenTheFileStartsWithItsMark)
{
    TempFolder folder;
    EXPECT_EQ(readAll(folder.write("MSG.txt", "\xef\xbb\xbf\xe3\x81\x82\xe3\x81\x84\r\n\xe2\x98\x85")),
              (Lines{u"あい", u"★"}));
    // Without the mark the same bytes are code page 932, and a lone 0xEF is not mistaken for one.
    EXPECT_EQ(readAll(folder.write("MSG.txt", "\xef\x82\xa0")), (Lines{u"\uFFFDあ"}));
    EXPECT_EQ(readAll(folder.write("MSG.txt", "\xef\xbb")), (Lines{u"\uFFFD\uFF7B"}));
    // A file that is only the mark has no lines.
    EXPECT_EQ(readAll(folder.write("MSG.txt", "\xef\xbb\xbf")), Lines{});
}

// A line of any length costs bounded memory: only its head is kept, and the next line still starts in the right place.
TEST(SequentialTextReader, KeepsOnlyTheHeadOfAVeryLongLine)
{
    TempFolder folder;
    const std::string longLine(3 * 1024 * 1024, 'x');
    const auto lines = readAll(folder.write("MSG.txt", longLine + "\r\nnext"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::u16string(SequentialTextReader::maxLineBytes, u'x'));
    EXPECT_EQ(lines[1], u"next");
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
