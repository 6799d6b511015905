#include "player/player_test_support.h"
#include "screen_test_support.h"
#include "support/temp_files.h"

#include "platform/program_folder.h"
#include "screens/game_app.h"
#include "screens/game_screen.h"
#include "screens/title_screen.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <random>

namespace fururupo {
namespace {

using namespace testing;

QByteArray linesOf(int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes += QByteArray("\x82\xa0\x82\xa2") + QByteArray(29, ' ') + " \x90\xe0\x96\xbe\r\n"; // あい ... 説明
    return bytes;
}

// What a player sees after the countdown: a word to type, the empty-list message, or a failure line.
struct Outcome
{
    QString failure; // the visible failure line, empty when hidden
    QString prompt;  // the prompt after the first word-clock tick
    std::int32_t entries;
};

Outcome play(const QString& folder)
{
    GameApp app(localPath(folder));
    QPointer<GameScreen> form = app.startGame(false, true, false);
    auto* failureLine = child<QLabel>(form, "loadFailureLine");
    Outcome outcome{failureLine->isVisible() ? failureLine->text() : QString(), {}, form->game().entries()};
    tick(form, "Timer1", 4);
    tick(form, "Timer2");
    outcome.prompt = text(form, "Label4");
    closeAllWindows();
    return outcome;
}

// Whatever stands where MSG.txt should be, the game screen opens, says what happened, and never hangs or crashes.
TEST(HostileWordFiles, EachGivesWordsOrAVisibleReason)
{
    struct Case
    {
        const char* what;
        std::function<void(const QString& file)> make;
        QString failureStart; // empty: the load succeeds
        std::int32_t entries;
    };
    const auto bytes = [](QByteArray content) {
        return [content](const QString& file) {
            QFile out(file);
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            out.write(content);
        };
    };
    const Case cases[] = {
        {"missing", [](const QString&) {}, QStringLiteral("単語ファイルが見つかりません"), 0},
        {"empty", bytes({}), {}, 0},
        {"a folder", [](const QString& file) { QDir().mkpath(file); }, QStringLiteral("単語ファイルが見つかりません"),
         0},
        {"a FIFO", [](const QString& file) { ASSERT_EQ(::mkfifo(QFile::encodeName(file).constData(), 0600), 0); },
         QStringLiteral("単語ファイルが見つかりません"), 0},
        {"a link to /dev/zero", [](const QString& file) { QFile::link(QStringLiteral("/dev/zero"), file); },
         QStringLiteral("単語ファイルが見つかりません"), 0},
        {"1001 lines", bytes(linesOf(1001)), {}, 1001},
        {"1002 lines", bytes(linesOf(1002)), QStringLiteral("単語ファイルの行が多すぎます"), 0},
        {"CR-only line ends", bytes("\x82\xa0\r\x82\xa2\r"), {}, 2},
        {"LF-only line ends", bytes("\x82\xa0\n\x82\xa2\n"), {}, 1},
        // No text has a NUL byte: the line plays, but the player hears of it, as of any unreadable character.
        {"NUL bytes", bytes(QByteArray("\x82\xa0\0\x82\xa2\r\n", 7)),
         QStringLiteral("単語ファイルの1行目に読めない文字があります"), 1},
        {"invalid bytes", bytes("\x80\xa0\xfd\xff\r\n"), QStringLiteral("単語ファイルの1行目に読めない文字があります"),
         1},
        {"a truncated double-byte character", bytes("\x82\xa0\r\n\x82\xa0\x82"),
         QStringLiteral("単語ファイルの2行目に読めない文字があります"), 2},
        {"UTF-8 with its mark", bytes("\xef\xbb\xbf\xe3\x81\x82\xe3\x81\x84\r\n"), {}, 1},
        {"UTF-8 as a Linux editor saves it", bytes("\xe3\x81\x82\xe3\x81\x84\r\n"), {}, 1},
        {"UTF-16 with its mark", bytes(QByteArray("\xff\xfe\x42\x30\x44\x30\r\x00\n\x00", 10)), {}, 1},
        {"a terabyte hole",
         [](const QString& file) {
             QFile out(file);
             ASSERT_TRUE(out.open(QIODevice::WriteOnly));
             ASSERT_TRUE(out.resize(qint64(1) << 40));
         },
         QStringLiteral("単語ファイルが大きすぎます（16 MiBまで）"), 0},
    };
    for (const auto& c : cases) {
        QTemporaryDir folder;
        c.make(folder.filePath(QStringLiteral("MSG.txt")));
        const Outcome outcome = play(folder.path());
        EXPECT_EQ(outcome.entries, c.entries) << c.what;
        if (c.failureStart.isEmpty()) {
            EXPECT_EQ(outcome.failure, "") << c.what;
        } else {
            EXPECT_TRUE(outcome.failure.startsWith(c.failureStart)) << c.what << ": " << outcome.failure;
            EXPECT_TRUE(outcome.failure.contains(folder.filePath(QStringLiteral("MSG.txt")))) << c.what;
        }
        // With no entries the prompt says so instead of playing nothing.
        if (c.entries == 0)
            EXPECT_EQ(outcome.prompt, QStringLiteral("単語がありません")) << c.what;
        else
            EXPECT_NE(outcome.prompt, QStringLiteral("START")) << c.what;
    }
}

// Reading a file the player may not read must be reported, not mistaken for a missing one. Root reads every file, so
// when the tests run as root (as CI runs them) both games play in a child that has become nobody; beside the locked
// file, one that nobody may read shows that only the file's own permissions stop the load.
TEST(HostileWordFiles, AnUnreadableFileIsReportedAsSuch)
{
    TempFolder root;
    openToEveryone(root);
    const auto everyoneMayEnter = std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                  std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                                  std::filesystem::perms::others_exec;
    for (const char* name : {"readable", "locked"}) {
        std::filesystem::create_directory(root.path() / name);
        std::filesystem::permissions(root.path() / name, everyoneMayEnter);
        const QByteArray bytes = linesOf(3);
        root.write(std::string(name) + "/MSG.txt", std::string_view(bytes.constData(), bytes.size()));
    }
    std::filesystem::permissions(root.path() / "readable" / "MSG.txt",
                                 std::filesystem::perms::owner_read | std::filesystem::perms::others_read);
    std::filesystem::permissions(root.path() / "locked" / "MSG.txt", std::filesystem::perms::none);

    // Each game's failure line and entries, one to a line, as the player saw them.
    const std::string seen = withoutPrivileges([&] {
        QStringList lines;
        for (const char* name : {"readable", "locked"}) {
            const Outcome outcome = play(QFile::decodeName((root.path() / name).c_str()));
            lines << outcome.failure << QString::number(outcome.entries);
        }
        return lines.join(QLatin1Char('\n')).toStdString();
    });
    const QStringList lines = QString::fromStdString(seen).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 4) << seen;
    EXPECT_EQ(lines[0], QString()) << "the readable file";
    EXPECT_EQ(lines[1], QStringLiteral("3"));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("単語ファイルを開けません"))) << lines[2];
    EXPECT_EQ(lines[3], QStringLiteral("0"));
}

// A single line of 15 MB: the load keeps only its head, and the rest of the file still loads.
TEST(HostileWordFiles, AFifteenMegabyteLineLoadsAsOneEntry)
{
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("MSG.txt"));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("\x82\xa0\x82\xa2");
    out.write(QByteArray(15 * 1024 * 1024, 'x'));
    out.write("\r\n\x82\xa4\r\n");
    out.close();
    const Outcome outcome = play(folder.path());
    EXPECT_EQ(outcome.entries, 2);
    EXPECT_EQ(outcome.failure, "");
}

// Blank lines are no words: a list of them says it has none, and Enter on the empty box earns no star.
TEST(HostileWordFiles, BlankLinesAreNeverPlayedAsWords)
{
    QTemporaryDir folder;
    QFile out(folder.filePath(QStringLiteral("MSG.txt")));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("\r\n    \r\n\r\n");
    out.close();
    GameApp app(localPath(folder.path()));
    QPointer<GameScreen> form = app.startGame(false, false, true);
    tick(form, "Timer1", 4);
    tick(form, "Timer2");
    EXPECT_EQ(text(form, "Label4"), QStringLiteral("単語がありません"));
    for (int i = 0; i < 10; ++i)
        QTest::keyClick(child<QWidget>(form, "Text1"), Qt::Key_Return);
    EXPECT_EQ(text(form, "Label2"), "");
    closeAllWindows();
}

// Paths are shown as they are: a folder named like a pattern is not substituted into, and bytes that are not UTF-8
// show as U+FFFD rather than vanishing.
TEST(HostileWordFiles, TheFailureLineShowsThePathAsItIs)
{
    TempFolder parent; // removed by bytes: Qt's own temporary folder cannot remove a name that is not UTF-8
    const std::filesystem::path& base = parent.path();
    for (const std::string& name : {std::string("x%1y%2"), std::string("\x83\x51\x81\x5b\x83\x80")}) {
        std::filesystem::create_directories(base / name);
        const Outcome outcome = play(QFile::decodeName(QByteArray::fromStdString((base / name).native())));
        const QString expected = QString::fromStdU16String(displayPath(base / name / "MSG.txt"));
        EXPECT_EQ(outcome.failure,
                  QStringLiteral("単語ファイルが見つかりません：") + expected + QStringLiteral("（読めた行：0）"));
        EXPECT_EQ(outcome.failure.contains(QChar(0xFFFD)), name[0] != 'x') << outcome.failure;
    }
}

// Without a desktop session the game says so in one line and ends with status 2, not with Qt's abort and a core
// file; and whatever is on the command line, Qt never sees it.
TEST(NoDisplay, TheGameSaysItNeedsADesktopSessionAndExitsWithStatus2)
{
    const QString game = QCoreApplication::applicationDirPath() + QStringLiteral("/fururupo");
    ASSERT_TRUE(QFile::exists(game));
    struct Case
    {
        const char* what;
        QStringList environment; // added to one without any display
        QStringList arguments;
    };
    const Case cases[] = {
        {"no display at all", {QStringLiteral("QT_QPA_PLATFORM=xcb")}, {}},
        {"a display nobody answers", {QStringLiteral("QT_QPA_PLATFORM=xcb"), QStringLiteral("DISPLAY=:93")}, {}},
        {"a platform plugin that does not exist", {QStringLiteral("QT_QPA_PLATFORM=nowhere")}, {}},
        {"Qt's own options on the command line",
         {QStringLiteral("QT_QPA_PLATFORM=xcb")},
         {QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("-reverse")}},
    };
    for (const auto& c : cases) {
        QTemporaryDir workingFolder;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        for (const QString& setting : c.environment)
            environment.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(workingFolder.path());
        process.start(game, c.arguments);
        ASSERT_TRUE(process.waitForFinished(60000)) << c.what;
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << c.what;
        EXPECT_EQ(process.exitCode(), 2) << c.what;
        const QString said = QString::fromUtf8(process.readAllStandardError());
        EXPECT_EQ(said.count(QLatin1Char('\n')), 1) << c.what << ": " << said;
        EXPECT_TRUE(said.startsWith(QStringLiteral("ふるるぽにはデスクトップのセッションが必要です / fururupo needs a "
                                                   "desktop session")))
            << c.what << ": " << said;
        EXPECT_TRUE(QDir(workingFolder.path()).isEmpty()) << c.what << ": a file was left behind";
    }
}

// A time-up left running for more than a day's worth of ticks keeps showing the message and raises nothing.
TEST(Endurance, ATimeUpOfAHundredThousandTicks)
{
    WordFolder words{{{QStringLiteral("ねこ"), QStringLiteral("にゃあと なく")}}};
    GameApp app(words.folder());
    QPointer<GameScreen> form = app.startGame(false, false, true);
    tick(form, "Timer1", 4);
    tick(form, "Timer2", 5);
    ASSERT_EQ(text(form, "Label4"), QStringLiteral("お時間になりました。"));
    for (int i = 0; i < 100000; ++i)
        tick(form, "Timer2");
    EXPECT_EQ(text(form, "Label4"), QStringLiteral("お時間になりました。"));
    EXPECT_EQ(form->game().ticksLeft(), -32768);
    EXPECT_EQ(form->game().elapsed(), 100005);
    closeAllWindows();
}

// A hundred thousand random keys, ticks and clicks on 延長, 帰る and START in whatever phase they land: nothing
// may raise, crash or leave a window behind.
TEST(Endurance, AHundredThousandRandomActions)
{
    WordFolder words{{{QStringLiteral("ねこ"), QStringLiteral("にゃあと なく")},
                      {QStringLiteral("いぬ"), QStringLiteral("わんと ほえる")},
                      {QStringLiteral("とり"), QStringLiteral("そらを とぶ")}}};
    ProcessEndRecorder ends;
    std::mt19937 random(20261207);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    GameApp app(words.folder());
    app.showTitle();
    const char* const keys = "nekoinutorixa-'";
    int games = 0;
    for (int step = 0; step < 100000; ++step) {
        const auto titles = openWindows(QStringLiteral("Form1"));
        const auto screens = openWindows(QStringLiteral("Form2"));
        ASSERT_EQ(titles.size() + screens.size(), 1u) << "step " << step;
        if (!titles.empty()) {
            QWidget* title = titles.front();
            if (pick(4) == 0) {
                tick(title, "Timer1");
            } else {
                QTest::mouseClick(child<QWidget>(title, QStringLiteral("Option1_%1").arg(pick(3)).toLatin1()),
                                  Qt::LeftButton);
                click(title, "Command1");
                ++games;
            }
        } else {
            QWidget* screen = screens.front();
            QWidget* box = child<QWidget>(screen, "Text1");
            switch (pick(10)) {
            case 0:
            case 1:
                if (running(screen, "Timer1"))
                    tick(screen, "Timer1");
                if (running(screen, "Timer2"))
                    tick(screen, "Timer2");
                break;
            case 2:
                QTest::keyClick(box, Qt::Key_Return);
                break;
            case 3:
                QTest::keyClick(box, Qt::Key_Backspace);
                break;
            case 4:
                typeText(box, text(screen, "Label4"));
                break;
            case 5:
                if (pick(50) == 0)
                    click(screen, "Label6");
                break;
            case 6:
                if (pick(200) == 0)
                    click(screen, "Label3");
                break;
            default:
                QTest::keyClick(box, keys[pick(15)]);
                break;
            }
        }
        QCoreApplication::processEvents();
        flushDeletes();
    }
    EXPECT_GT(games, 1);
    EXPECT_TRUE(ends.statuses.empty());
    closeAllWindows();
}

} // namespace
} // namespace fururupo
