// Word files a player's disk may really hold, loaded through the real load: each ends in entries or in one failure
// report with its cause, never in a crash, a hang or memory that grows with the file.
#include "logic/word_list.h"

#include "platform/text_reader.h"

#include "support/recording_hooks.h"
#include "support/temp_files.h"
#include "support/word_lines.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

using namespace fururupo;
using namespace fururupo::testing;

namespace {

using Failure = std::pair<std::int32_t, LoadFailure>;
using Failures = std::vector<Failure>;
using Entry = std::pair<std::u16string, std::u16string>;

struct Outcome
{
    std::int32_t count = -1;
    std::int32_t yields = 0;
    Failures failures;
    std::vector<std::int32_t> unreadableLines = {};
};

Outcome load(WordList& list, const std::filesystem::path& path, std::function<void(std::int32_t)> onYield = {})
{
    RecordingHooks hooks;
    hooks.onYield = std::move(onYield);
    const std::int32_t count = loadWordList(list, path, hooks);
    return {count, hooks.yields, hooks.failures, hooks.unreadableLines};
}

// The peak resident size of this process, in KiB, after forgetting earlier peaks, so that a later reading is the peak
// of what ran in between. Empty where the kernel does not let a process reset its peak.
std::optional<long> resetPeakResidentKiB()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    if (!clear)
        return std::nullopt;
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

long peakResidentKiB()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

// Whatever stands at the path instead of a word file, the load neither opens nor reads it, and the player is told the
// file is missing.
TEST(HostileWordFile, PathsThatNameNoRegularFileAreReportedMissing)
{
    TempFolder folder;
    const auto at = [&](const char* name) { return folder.path() / name; };
    std::filesystem::create_symlink("/dev/zero", at("zero.txt"));
    std::filesystem::create_symlink(at("nowhere.txt"), at("dangling.txt"));
    std::filesystem::create_symlink(at("loop-b.txt"), at("loop-a.txt"));
    std::filesystem::create_symlink(at("loop-a.txt"), at("loop-b.txt"));
    std::filesystem::create_directory(at("folder"));
    std::filesystem::create_directory_symlink(at("folder"), at("folder-link.txt"));
    folder.write("plain.txt", "w\r\n");
    // A FIFO with a writer and bytes waiting: the open succeeds, so only the check of the file's kind refuses it.
    ASSERT_EQ(::mkfifo(at("fifo.txt").c_str(), 0600), 0);
    const int reader = ::open(at("fifo.txt").c_str(), O_RDONLY | O_NONBLOCK);
    const int writer = ::open(at("fifo.txt").c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::write(writer, "w\r\n", 3), 3);

    const std::filesystem::path paths[] = {
        at("zero.txt"),        at("dangling.txt"),          at("loop-a.txt"),
        at("folder-link.txt"), at("plain.txt") / "MSG.txt", folder.path() / std::string(NAME_MAX + 1, 'm'),
        at("fifo.txt"),
    };
    for (const auto& path : paths) {
        WordList list;
        list.words[0] = u"kept";
        const Outcome outcome = load(list, path);
        EXPECT_EQ(outcome.count, 0) << path;
        EXPECT_EQ(outcome.yields, 0) << path;
        EXPECT_EQ(outcome.failures, (Failures{{0, LoadFailure::Missing}})) << path;
        EXPECT_EQ(list.words[0], u"kept") << path;
    }
    ::close(writer);
    ::close(reader);
}

// Root reads every file, so the unreadable case runs in a child that gives up root first; it reports through its exit
// status: 0 as expected, 77 when it cannot drop privileges, anything else a wrong outcome.
TEST(HostileWordFile, AnUnreadableFileIsReportedAsSuchEvenWhenStartedAsRoot)
{
    TempFolder folder;
    std::filesystem::permissions(folder.path(), std::filesystem::perms::owner_all | std::filesystem::perms::group_exec |
                                                    std::filesystem::perms::others_exec);
    const auto readable = folder.write("readable.txt", numberedWords(2, "\r\n"));
    const auto locked = folder.write("MSG.txt", numberedWords(2, "\r\n"));
    std::filesystem::permissions(readable, std::filesystem::perms::owner_read | std::filesystem::perms::others_read);
    std::filesystem::permissions(locked, std::filesystem::perms::none);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0) {
            constexpr id_t nobody = 65534;
            if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0)
                ::_exit(77);
        }
        WordList list;
        const Outcome control = load(list, readable);
        if (control.count != 2 || !control.failures.empty())
            ::_exit(1);
        const Outcome outcome = load(list, locked);
        if (outcome.count != 0 || outcome.yields != 0)
            ::_exit(2);
        if (outcome.failures != Failures{{0, LoadFailure::CannotRead}})
            ::_exit(3);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child did not exit normally; status " << status;
    if (WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "cannot change to uid/gid 65534 here, so root reads the file anyway";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the readable control file failed, 2: entries or yields from the locked "
                                         "file, 3: no CannotRead report";
}

// A regular file whose first read fails: the player learns that line 1 cannot be read, and no entry is stored.
TEST(HostileWordFile, AReadThatFailsIsReportedWithTheLineItStoppedAt)
{
    // Address 0 of this process is never mapped, so reading its memory file from the start fails with EIO.
    const std::filesystem::path memory = "/proc/self/mem";
    char probe;
    const int fd = ::open(memory.c_str(), O_RDONLY);
    const bool readFails = fd >= 0 && ::pread(fd, &probe, 1, 0) < 0;
    if (fd >= 0)
        ::close(fd);
    if (!readFails)
        GTEST_SKIP() << "/proc/self/mem cannot be opened or reads without error here";

    WordList list;
    list.words[0] = u"kept";
    const Outcome outcome = load(list, memory);
    EXPECT_EQ(outcome.count, 0);
    EXPECT_EQ(outcome.failures, (Failures{{0, LoadFailure::ReadError}}));
    EXPECT_EQ(list.words[0], u"kept");
    EXPECT_EQ(describeLoadFailure(outcome.failures[0].second, outcome.failures[0].first, u"MSG.txt"),
              u"単語ファイルの1行目が読めません：MSG.txt");
}

// An editor that saves by writing a new file and renaming it over the old one, or a player deleting the file, while a
// load yields: the load goes on reading the file it opened, whole.
TEST(HostileWordFile, AFileReplacedOrDeletedDuringTheLoadIsReadAsOpened)
{
    TempFolder folder;
    const auto path = folder.path() / "MSG.txt";
    const auto replacement = folder.path() / "MSG.txt.new";
    const std::function<void()> changes[] = {
        [&] {
            folder.write("MSG.txt.new", "new\r\n");
            std::filesystem::rename(replacement, path);
        },
        [&] { std::filesystem::remove(path); },
    };
    for (const auto& change : changes) {
        folder.write("MSG.txt", numberedWords(5, "\r\n"));
        WordList list;
        const Outcome outcome = load(list, path, [&](std::int32_t yields) {
            if (yields == 2)
                change();
        });
        EXPECT_EQ(outcome.count, 5);
        EXPECT_TRUE(outcome.failures.empty());
        EXPECT_EQ(list.words[1], u"w1");
        EXPECT_EQ(list.words[4], u"w4");
    }
}

// Without the cap on a line's bytes a line of megabytes would be held whole, twice over once converted; and without the
// hand-backs while it is scanned, the windows would stop painting until it ends.
TEST(HostileWordFile, AHugeLineLoadsInBoundedMemoryAndYieldsEveryBlock)
{
    TempFolder folder;
    const auto path = folder.path() / "MSG.txt";
    constexpr off_t lineBytes = 15L * 1024 * 1024;
    {
        // The line is 15 MB of NUL bytes, written as a hole so the test costs no disk; the read still returns them.
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, lineBytes), 0);
        const std::string tail = "\r\n" + padded("second", 26) + "explanation";
        ASSERT_EQ(::pwrite(fd, tail.data(), tail.size(), lineBytes), static_cast<ssize_t>(tail.size()));
        ::close(fd);
    }
    const auto list = std::make_unique<WordList>();
    const std::optional<long> before = resetPeakResidentKiB();
    const Outcome outcome = load(*list, path);
    const long after = peakResidentKiB();

    EXPECT_EQ(outcome.count, 2);
    EXPECT_TRUE(outcome.failures.empty());
    EXPECT_EQ(outcome.yields, 2 + lineBytes / static_cast<off_t>(SequentialTextReader::blockBytes));
    // NUL is a character like any other: it fills the word's columns and is not trimmed.
    EXPECT_EQ(list->words[0], std::u16string(32, u'\0'));
    EXPECT_EQ(list->explanations[0], std::u16string(128, u'\0'));
    EXPECT_EQ(list->words[1], u"second");
    EXPECT_EQ(list->explanations[1], u"explanation");
    if (!before)
        GTEST_SKIP() << "the peak resident size cannot be reset here, so the memory bound is not measured";
    EXPECT_LT(after - *before, 16 * 1024) << "peak resident KiB went from " << *before << " to " << after;
}

// A table's line is read whole to judge its fields, so a line of megabytes must still cost only a piece of memory,
// be named as the field it overflows, and leave the next line to play.
TEST(HostileWordFile, AHugeTableLineIsJudgedInBoundedMemory)
{
    TempFolder folder;
    const auto path = folder.path() / "list.tsv";
    constexpr off_t lineBytes = 15L * 1024 * 1024;
    {
        // The word, then a hole of 15 MB of NUL bytes in the explanation (no disk spent), then the next line.
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, "w\t", 2, 0), 2);
        ASSERT_EQ(::ftruncate(fd, lineBytes), 0);
        const std::string tail = "\nsecond\texplanation\n";
        ASSERT_EQ(::pwrite(fd, tail.data(), tail.size(), lineBytes), static_cast<ssize_t>(tail.size()));
        ::close(fd);
    }
    const auto list = std::make_unique<WordList>();
    RecordingHooks hooks;
    const std::optional<long> before = resetPeakResidentKiB();
    const std::int32_t count = loadWordList(*list, path, hooks);
    const long after = peakResidentKiB();

    EXPECT_EQ(count, 1);
    EXPECT_EQ(hooks.badLines,
              (std::vector<std::pair<std::int32_t, LineProblem>>{{1, LineProblem::ExplanationTooLong}}));
    EXPECT_EQ(hooks.unreadableLines, std::vector<std::int32_t>{1});
    EXPECT_EQ(hooks.yields, 2 + lineBytes / static_cast<off_t>(SequentialTextReader::blockBytes));
    EXPECT_EQ(list->words[0], u"second");
    EXPECT_EQ(list->explanations[0], u"explanation");
#ifdef __SANITIZE_ADDRESS__
    // AddressSanitizer keeps freed memory aside for a while, so every piece converted and freed would count.
    GTEST_SKIP() << "under AddressSanitizer the peak resident size counts freed memory, so the bound is not measured";
#endif
    if (!before)
        GTEST_SKIP() << "the peak resident size cannot be reset here, so the memory bound is not measured";
    EXPECT_LT(after - *before, 16 * 1024) << "peak resident KiB went from " << *before << " to " << after;
}

// A file far larger than any word list is refused before a byte is read, and one whose size the system does not
// tell (under /proc, often endless) is stopped at the limit: START never stays busy for minutes.
TEST(HostileWordFile, AFileAboveTheSizeLimitIsRefusedQuickly)
{
    TempFolder folder;
    const auto sparse = folder.path() / "MSG.txt";
    {
        const int fd = ::open(sparse.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, 1L << 40), 0); // a terabyte hole
        ::close(fd);
    }
    WordList list;
    list.words[0] = u"kept";
    Outcome outcome = load(list, sparse);
    EXPECT_EQ(outcome.count, 0);
    EXPECT_EQ(outcome.yields, 0);
    EXPECT_EQ(outcome.failures, (Failures{{0, LoadFailure::TooLarge}}));
    EXPECT_EQ(list.words[0], u"kept");

    // The page map of this process reports no size and reads on for gigabytes.
    const auto link = folder.path() / "proc.txt";
    std::filesystem::create_symlink("/proc/self/pagemap", link);
    outcome = load(list, link);
    if (outcome.failures == Failures{{0, LoadFailure::Missing}})
        GTEST_SKIP() << "/proc/self/pagemap cannot be opened here";
    EXPECT_EQ(outcome.count, 0);
    ASSERT_EQ(outcome.failures.size(), 1u);
    EXPECT_EQ(outcome.failures[0].second, LoadFailure::TooLarge);
}

// Line ends of every kind count toward the 1001-line limit, and a load that passes it stops at the 1002nd line
// instead of reading the rest of the file.
TEST(HostileWordFile, TheLineLimitCountsEveryKindOfLineEnd)
{
    TempFolder folder;
    struct Case
    {
        const char* what;
        std::string bytes;
        Outcome expected;
    };
    const Outcome full{1001, 1001, {}};
    const Outcome tooLong{0, 1002, {{1001, LoadFailure::TooManyLines}}};
    const Case cases[] = {
        {"1001 lines, no end after the last", numberedWords(1000, "\r\n") + "last", full},
        {"1001 lines ended by lone CRs", numberedWords(1001, "\r"), full},
        {"1001 lines after the UTF-8 mark", "\xEF\xBB\xBF" + numberedWords(1001, "\r\n"), full},
        {"an extra line end makes an empty 1002nd line", numberedWords(1001, "\r\n") + "\r\n", tooLong},
        {"a stray LF after the last line end is a 1002nd line", numberedWords(1001, "\r\n") + "\n", tooLong},
        {"a megabyte of lone CRs", std::string(1 << 20, '\r'), tooLong},
        {"five thousand lone LFs are one line", std::string(5000, '\n'), Outcome{1, 1, {}}},
    };
    for (const auto& c : cases) {
        WordList list;
        const Outcome outcome = load(list, folder.write("MSG.txt", c.bytes));
        EXPECT_EQ(outcome.count, c.expected.count) << c.what;
        EXPECT_EQ(outcome.yields, c.expected.yields) << c.what;
        EXPECT_EQ(outcome.failures, c.expected.failures) << c.what;
    }
}

// The columns count converted characters: a NUL, an unconvertible byte or a cut-off double-byte character is one
// character each, so a damaged word cannot shift the explanation or swallow a line end.
TEST(HostileWordFile, DamagedBytesStayOneCharacterEachAndKeepTheColumns)
{
    TempFolder folder;
    const std::u16string bad(1, u'\uFFFD');
    std::string utf8Long;
    for (int i = 0; i < 130; ++i)
        utf8Long += "\xE8\xAA\xAC"; // 説
    struct Case
    {
        const char* what;
        std::string bytes;
        std::vector<Entry> entries;
    };
    const Case cases[] = {
        {"NUL inside the word",
         padded(std::string("ab\0cd", 5), 27) + "explanation",
         {{std::u16string(u"ab\0cd", 5), u"explanation"}}},
        {"NUL at character 32",
         std::string(31, 'x') + std::string(1, '\0') + "rest",
         {{std::u16string(31, u'x') + u'\0', std::u16string(1, u'\0') + u"rest"}}},
        {"bytes that are no character (not UTF-8 either)",
         padded("\x80\xA0\xFD\xFE\xFF", 27) + "explanation",
         {{std::u16string(5, u'\uFFFD'), u"explanation"}}},
        {"a lead byte before a blank keeps the blank",
         std::string(30, 'x') + "\x82 explanation",
         {{std::u16string(30, u'x') + bad, u"explanation"}}},
        {"a double-byte character cut off at the end of the file", "\x82\xA0\x82", {{u"あ" + bad, u""}}},
        {"a lead byte before CR LF does not take the CR", "\x82\xA0\x82\r\nnext", {{u"あ" + bad, u""}, {u"next", u""}}},
        {"a trail byte 0x5C is not a backslash", padded("\x83\x5C", 31) + "\x95\x5C", {{u"ソ", u"表"}}},
        {"UTF-8 columns count characters, not bytes",
         "\xEF\xBB\xBF" + padded("\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86", 29) + utf8Long,
         {{u"あいう", std::u16string(127, u'説')}}},
        {"code page 932 bytes in a UTF-8 file", "\xEF\xBB\xBF\x82\xA0", {{bad + bad, u""}}},
        {"a UTF-8 file without its mark", padded("\xE3\x81\x82", 31) + "\xE8\xAA\xAC", {{u"あ", u"説"}}},
        {"a cut-off UTF-8 character is one column",
         "\xEF\xBB\xBF" + padded("\xE3\x81", 31) + "\xE8\xAA\xAC",
         {{bad, u"説"}}},
    };
    for (const auto& c : cases) {
        WordList list;
        const Outcome outcome = load(list, folder.write("MSG.txt", c.bytes));
        EXPECT_TRUE(outcome.failures.empty()) << c.what;
        ASSERT_EQ(outcome.count, static_cast<std::int32_t>(c.entries.size())) << c.what;
        for (std::size_t i = 0; i < c.entries.size(); ++i)
            EXPECT_EQ((Entry{list.words[i], list.explanations[i]}), c.entries[i]) << c.what << ", line " << i + 1;
    }
}

// Files with no text in them load without a failure: no entries when there is no line, empty entries when there are
// only blanks, so the game says it has no words rather than that the file is broken.
TEST(HostileWordFile, FilesWithoutTextGiveNoEntriesOrEmptyOnes)
{
    TempFolder folder;
    struct Case
    {
        const char* what;
        std::string bytes;
        std::int32_t count;
    };
    const Case cases[] = {
        {"only the UTF-8 mark", "\xEF\xBB\xBF", 0},
        {"the UTF-8 mark and a line end", "\xEF\xBB\xBF\r\n", 1},
        {"blanks and line ends", "    \r\n \r", 2},
    };
    for (const auto& c : cases) {
        WordList list;
        list.words[0] = list.explanations[0] = u"kept";
        const Outcome outcome = load(list, folder.write("MSG.txt", c.bytes));
        EXPECT_EQ(outcome.count, c.count) << c.what;
        EXPECT_TRUE(outcome.failures.empty()) << c.what;
        if (c.count > 0)
            EXPECT_EQ((Entry{list.words[0], list.explanations[0]}), (Entry{u"", u""})) << c.what;
        else
            EXPECT_EQ(list.words[0], u"kept") << c.what;
    }
}
