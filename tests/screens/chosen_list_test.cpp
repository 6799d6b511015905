// Lists the player picks, on the real windows: the chooser on the title screen, its file dialog, drops on either
// window, the list named on the command line, the choice kept for the next run, and a kanji word shown with its
// reading and answered by it.
#include "logic/word_list.h"
#include "platform/program_folder.h"
#include "player/list_choice.h"
#include "screens/application.h"
#include "screens/game_app.h"
#include "screens/game_screen.h"
#include "screens/input_box.h"
#include "screens/notices.h"
#include "screens/text_and_placement.h"
#include "screens/title_screen.h"

#include "screen_test_support.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <fstream>
#include <memory>

using namespace fururupo;
using namespace fururupo::testing;

namespace {

// A drag that enters the window and is dropped in its middle, as a file manager sends them. Returns whether the
// window took the drag.
bool dropOn(QWidget* window, const QList<QUrl>& urls)
{
    QMimeData data;
    data.setUrls(urls);
    const QPoint middle = window->rect().center();
    QDragEnterEvent enter(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(middle), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &drop);
    return true;
}

QUrl fileUrl(const std::filesystem::path& path)
{
    // Percent-encoded from the bytes, so a name that is not UTF-8 arrives as a file manager sends it.
    return QUrl(QStringLiteral("file://") + QString::fromLatin1(QByteArray(path.c_str()).toPercentEncoding("/")));
}

void writeFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// A program folder with its bundled MSG.txt, a data folder of the player's own lists, and a settings file, all in
// one temporary folder; the lists are found as the installed game finds them.
class ChosenList : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        program = localPath(root.filePath(QStringLiteral("program")));
        playerLists = localPath(root.filePath(QStringLiteral("data/fururupo/lists")));
        writeFile(program / "MSG.txt", "\xEF\xBB\xBF" + std::string("ねこ") + std::string(32 - 2, ' ') + "にゃあ\r\n");
        writeFile(playerLists / "kanji.tsv", "単語\t読み\t解説\n新聞\tしんぶん\t毎朝届くニュース\n");
        writeFile(playerLists / "animals.tsv", "いぬ\tわんと鳴く\n");
        settings = root.filePath(QStringLiteral("config/fururupo.conf"));
    }
    void TearDown() override { closeAllWindows(); }

    // A new run of the game: the lists found again and the choice restored from the settings file.
    GameApp& newRun()
    {
        runs.push_back(std::make_unique<GameApp>(ListFolders{program, {playerLists}}, settings, QString()));
        return *runs.back();
    }

    TitleScreen* openTitle(GameApp& run) { return run.showTitle(); }
    TitleScreen* openTitle() { return openTitle(newRun()); }

    static QStringList offered(QWidget* title)
    {
        auto* chooser = child<QComboBox>(title, "listChooser");
        QStringList names;
        for (int i = 0; i < chooser->count(); ++i)
            names << chooser->itemText(i);
        return names;
    }

    static QString shown(QWidget* title) { return child<QComboBox>(title, "listChooser")->currentText(); }

    // START, then the countdown, then the first word.
    static QWidget* startAndShowFirstWord(QWidget* title)
    {
        click(title, "Command1");
        QWidget* form = openWindows(QStringLiteral("Form2")).at(0);
        tick(form, "Timer1", 4);
        tick(form, "Timer2");
        return form;
    }

    QTemporaryDir root;
    std::filesystem::path program;
    std::filesystem::path playerLists;
    QString settings;
    ProcessEndRecorder ends;
    std::vector<std::unique_ptr<GameApp>> runs;
};

} // namespace

// The chooser offers the bundled list first, then the player's lists by name, then the file dialog; the bundled list
// is chosen until the player picks another, and Tab and Enter reach it.
TEST_F(ChosenList, TheChooserOffersTheListsAndIsReachedByTabAndEnter)
{
    QWidget* title = openTitle();
    EXPECT_EQ(offered(title), (QStringList{QStringLiteral("MSG"), QStringLiteral("animals"), QStringLiteral("kanji"),
                                           QStringLiteral("ほかのファイルを選ぶ…")}));
    EXPECT_EQ(shown(title), QStringLiteral("MSG"));
    EXPECT_EQ(text(title, "listNotice"), "");
    // The chooser sits in the free space at the bottom left, clear of the speed options and of the window's edge.
    auto* chooser = child<QComboBox>(title, "listChooser");
    EXPECT_TRUE(title->rect().contains(chooser->geometry()));
    for (const char* name : {"Option1_0", "Command1", "Command2"})
        EXPECT_FALSE(chooser->geometry().intersects(child<QWidget>(title, name)->geometry())) << name;

    auto* start = child<QPushButton>(title, "Command1");
    start->setFocus();
    QTest::keyClick(start, Qt::Key_Tab);
    QTest::keyClick(title->focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(title->focusWidget(), child<QWidget>(title, "Option1_1")); // ふつう, the speed chosen at first
    QTest::keyClick(title->focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(title->focusWidget(), chooser);
    // Without a history there is no 成績: the chooser leads to 設定, and 設定 back to START.
    auto* settings = child<QWidget>(title, "settingsButton");
    QTest::keyClick(chooser, Qt::Key_Tab);
    EXPECT_EQ(title->focusWidget(), settings);
    QTest::keyClick(settings, Qt::Key_Tab);
    EXPECT_EQ(title->focusWidget(), start);
    QTest::keyClick(start, Qt::Key_Backtab);
    QTest::keyClick(settings, Qt::Key_Backtab);
    EXPECT_EQ(title->focusWidget(), chooser);
    // Enter opens it; a key down picks the next list, and START plays it.
    QTest::keyClick(chooser, Qt::Key_Return);
    EXPECT_TRUE(chooser->view()->isVisible());
    chooser->hidePopup();
    QTest::keyClick(chooser, Qt::Key_Down);
    EXPECT_EQ(shown(title), QStringLiteral("animals"));
    QWidget* form = startAndShowFirstWord(title);
    EXPECT_EQ(text(form, "Label4"), QStringLiteral("いぬ"));
    EXPECT_EQ(text(form, "Label5"), QStringLiteral("■解説■\nわんと鳴く"));
}

// Two lists of one name in two folders (animals.txt with the program, animals.tsv among the player's) show their
// folders, and so does a picked list that names itself in its first line after another; the chooser, its caption and
// 設定 are drawn in the screen's pink and white and sit clear of every control of the window's own design.
TEST_F(ChosenList, ListsOfOneNameShowWhereTheyLieInAPinkChooser)
{
    writeFile(program / "lists" / "animals.txt", std::string("\xEF\xBB\xBF") + "ねこ\r\n");
    const std::filesystem::path picked = localPath(root.filePath(QStringLiteral("picked/week3.tsv")));
    writeFile(picked, "# name: kanji\n単語\t読み\t解説\n東京\tとうきょう\t首都\n");
    GameApp& run = newRun();
    ASSERT_TRUE(run.lists().choose(picked));
    QWidget* title = openTitle(run);
    const auto folder = [](const std::filesystem::path& path) { return qtext(displayPath(path)); };
    const QString pickedEntry = QStringLiteral("kanji（%1）").arg(folder(picked.parent_path()));
    EXPECT_EQ(offered(title),
              (QStringList{QStringLiteral("MSG"), QStringLiteral("animals（%1）").arg(folder(program / "lists")),
                           QStringLiteral("animals（%1）").arg(folder(playerLists)),
                           QStringLiteral("kanji（%1）").arg(folder(playerLists)), pickedEntry,
                           QStringLiteral("ほかのファイルを選ぶ…")}));
    EXPECT_EQ(shown(title), pickedEntry);

    auto* caption = child<QLabel>(title, "listCaption");
    EXPECT_TRUE(caption->isVisible());
    EXPECT_FALSE(caption->text().isEmpty());
    for (QWidget* ours : {static_cast<QWidget*>(caption), child<QWidget>(title, "listChooser"),
                          child<QWidget>(title, "settingsButton")}) {
        EXPECT_TRUE(title->rect().contains(ours->geometry())) << ours->objectName();
        for (QWidget* design : title->findChildren<QWidget*>()) {
            const QString name = design->objectName();
            if (name.startsWith(QStringLiteral("Image")) || name.startsWith(QStringLiteral("Label2_")) ||
                name.startsWith(QStringLiteral("Command")) || name.startsWith(QStringLiteral("Option1_"))) {
                EXPECT_FALSE(ours->geometry().intersects(design->geometry())) << ours->objectName() << name;
            }
        }
    }
    // The deep pink of their frames is nowhere in a desktop's grey boxes.
    for (const char* name : {"listChooser", "settingsButton"}) {
        const QImage look = child<QWidget>(title, name)->grab().toImage();
        EXPECT_GT(countNear(look, look.rect(), QColor(214, 51, 160), 30), 40) << name;
    }
}

// A list deleted while a game was played is gone from the chooser when the title screen comes back, with a line
// saying so, and START plays the bundled list; a list deleted while the window was hidden goes when it shows again.
TEST_F(ChosenList, AListDeletedDuringAGameIsLetGoWhenTheTitleShowsAgain)
{
    GameApp& run = newRun();
    ASSERT_TRUE(run.lists().choose(playerLists / "animals.tsv"));
    QWidget* form = startAndShowFirstWord(openTitle(run));
    EXPECT_EQ(text(form, "Label4"), QStringLiteral("いぬ"));
    std::filesystem::remove(playerLists / "animals.tsv");
    click(form, "Label3");
    flushDeletes();
    QWidget* title = openWindows(QStringLiteral("Form1")).at(0);
    EXPECT_EQ(offered(title),
              (QStringList{QStringLiteral("MSG"), QStringLiteral("kanji"), QStringLiteral("ほかのファイルを選ぶ…")}));
    EXPECT_EQ(shown(title), QStringLiteral("MSG"));
    const QString notice = child<QLabel>(title, "listNotice")->toolTip();
    EXPECT_TRUE(notice.contains(sentenceOf(ListProblem{ListProblem::Kind::ChosenGone, playerLists / "animals.tsv"})))
        << notice;

    std::filesystem::remove(playerLists / "kanji.tsv");
    title->hide();
    title->show();
    EXPECT_EQ(offered(title), (QStringList{QStringLiteral("MSG"), QStringLiteral("ほかのファイルを選ぶ…")}));
    EXPECT_EQ(text(startAndShowFirstWord(title), "Label4"), QStringLiteral("ねこ"));
}

// An author who forgot the explanation column must learn which line lost its reading, while the rest of the list plays
// and the word no one could type is never drawn.
TEST_F(ChosenList, ALineWhoseKanjiWordLostItsReadingIsNamedOnTheGameScreen)
{
    writeFile(playerLists / "forgot.tsv", "単語\t解説\n東京\tとうきょう\nねこ\tなく\n");
    GameApp& run = newRun();
    ASSERT_TRUE(run.lists().choose(playerLists / "forgot.tsv"));
    QWidget* form = startAndShowFirstWord(openTitle(run));
    auto* line = child<QLabel>(form, "loadFailureLine");
    EXPECT_TRUE(line->isVisible());
    EXPECT_EQ(line->text(), QString::fromStdU16String(
                                describeBadLine(2, LineProblem::NoReading, displayPath(playerLists / "forgot.tsv"))));
    EXPECT_EQ(text(form, "Label4"), QStringLiteral("ねこ"));
}

// A kanji word is shown as written with its reading above it, and everything the box does follows the reading: the
// guide, the mistake mark, the one-Enter final ん, the check.
TEST_F(ChosenList, AKanjiWordShowsItsReadingAndIsAnsweredByIt)
{
    InputBox::showGuide(false);
    GameApp& run = newRun();
    ASSERT_TRUE(run.lists().choose(playerLists / "kanji.tsv"));
    QWidget* form = startAndShowFirstWord(openTitle(run));
    EXPECT_EQ(text(form, "Label4"), QStringLiteral("新聞"));
    EXPECT_EQ(text(form, "wordReading"), QStringLiteral("しんぶん"));
    EXPECT_EQ(text(form, "Label5"), QStringLiteral("■解説■\n毎朝届くニュース"));
    // The reading sits above the word, inside the window, and is drawn in a colour of its own, never the word's pink.
    auto* reading = child<QLabel>(form, "wordReading");
    EXPECT_TRUE(form->rect().contains(reading->geometry()));
    const QImage readingImage = reading->grab().toImage();
    EXPECT_GT(countNear(readingImage, reading->rect(), QColor(255, 216, 96), 60), 30);
    EXPECT_EQ(countNear(readingImage, reading->rect(), QColor(255, 128, 255), 60), 0);

    auto* box = child<InputBox>(form, "Text1");
    pressKey(box, Qt::Key_F1);
    EXPECT_EQ(box->guideText(), QStringLiteral("shinbun"));
    QTest::keyClicks(box, QStringLiteral("shinbo"));
    EXPECT_EQ(box->markedMistake(), 2);
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, QStringLiteral("bun"));
    // The box knows the reading ends in ん: the lone n is ん at once, and one Enter answers the word.
    EXPECT_EQ(box->text(), QStringLiteral("しんぶん"));
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(text(form, "Label2"), QStringLiteral("★"));
    InputBox::showGuide(false);

    // An input method's kana commit answers it, and so does its conversion committed as written.
    tick(form, "Timer2");
    EXPECT_EQ(text(form, "Label4"), QStringLiteral("新聞"));
    QInputMethodEvent kana;
    kana.setCommitString(QStringLiteral("しんぶん"));
    QCoreApplication::sendEvent(box, &kana);
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(text(form, "Label2"), QStringLiteral("★★"));
    tick(form, "Timer2");
    QInputMethodEvent converted;
    converted.setCommitString(QStringLiteral("新聞"));
    QCoreApplication::sendEvent(box, &converted);
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(text(form, "Label2"), QStringLiteral("★★★"));
}

// The choice outlives the window and the run; a remembered list that has gone is said so, and the bundled list plays.
TEST_F(ChosenList, TheChoiceIsKeptForTheNextRunAndAGoneListFallsBack)
{
    {
        QWidget* title = openTitle();
        auto* chooser = child<QComboBox>(title, "listChooser");
        chooser->setFocus();
        QTest::keyClick(chooser, Qt::Key_Down);
        QTest::keyClick(chooser, Qt::Key_Down);
        ASSERT_EQ(shown(title), QStringLiteral("kanji"));
        // Back from a game, the title screen still shows it.
        QWidget* form = startAndShowFirstWord(title);
        EXPECT_EQ(text(form, "Label4"), QStringLiteral("新聞"));
        click(form, "Label3");
        flushDeletes();
        EXPECT_EQ(shown(openWindows(QStringLiteral("Form1")).at(0)), QStringLiteral("kanji"));
        closeAllWindows();
    }
    EXPECT_EQ(shown(openTitle()), QStringLiteral("kanji"));
    closeAllWindows();

    std::filesystem::remove(playerLists / "kanji.tsv");
    QWidget* title = openTitle();
    EXPECT_EQ(shown(title), QStringLiteral("MSG"));
    const QString notice = child<QLabel>(title, "listNotice")->toolTip();
    EXPECT_TRUE(notice.contains(QStringLiteral("kanji.tsv"))) << notice;
    EXPECT_FALSE(text(title, "listNotice").isEmpty());
    EXPECT_EQ(text(startAndShowFirstWord(title), "Label4"), QStringLiteral("ねこ"));
}

// The last entry opens a file dialog; the file picked there is chosen and played, and a cancel changes nothing.
TEST_F(ChosenList, TheFileDialogPicksAnyFile)
{
    const std::filesystem::path elsewhere = localPath(root.filePath(QStringLiteral("elsewhere/週の単語.tsv")));
    writeFile(elsewhere, std::string("\xEF\xBB\xBF") + "とけい\tじかんをはかる\n");
    QWidget* title = openTitle();
    auto* chooser = child<QComboBox>(title, "listChooser");

    const auto answerDialog = [&](bool accept) {
        QTimer::singleShot(0, [&, accept] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            if (!accept) {
                dialog->reject();
                return;
            }
            dialog->selectFile(QFile::decodeName(elsewhere.c_str()));
            static_cast<QDialog*>(dialog)->accept();
        });
        chooser->setFocus();
        QTest::keyClick(chooser, Qt::Key_End);
    };
    answerDialog(false);
    EXPECT_EQ(shown(title), QStringLiteral("MSG"));
    answerDialog(true);
    EXPECT_EQ(shown(title), QStringLiteral("週の単語"));
    EXPECT_EQ(text(startAndShowFirstWord(title), "Label4"), QStringLiteral("とけい"));
}

// A file dropped on either window becomes the chosen list; what cannot be played is said in one line and the game
// plays on with what it had.
TEST_F(ChosenList, ADroppedFileIsChosenAndWhatCannotBePlayedIsSaid)
{
    QWidget* title = openTitle();
    ASSERT_TRUE(dropOn(title, {fileUrl(playerLists / "kanji.tsv")}));
    EXPECT_EQ(shown(title), QStringLiteral("kanji"));

    // A name that is not UTF-8 keeps its bytes all the way to the load.
    const std::filesystem::path oddName = program / std::string("\xFF\xFE"
                                                                "list.tsv");
    writeFile(oddName, "とり\tとぶ\n");
    ASSERT_TRUE(dropOn(title, {fileUrl(oddName)}));
    EXPECT_TRUE(shown(title).endsWith(QStringLiteral("list"))) << shown(title);
    EXPECT_EQ(text(startAndShowFirstWord(title), "Label4"), QStringLiteral("とり"));
    closeAllWindows();

    title = openTitle();
    const QString before = shown(title);
    const std::filesystem::path huge = program / "huge.tsv";
    {
        std::ofstream(huge, std::ios::binary).put('x');
    }
    std::filesystem::resize_file(huge, std::uintmax_t{4} << 30); // sparse: 4 GiB that take no disk
    struct Case
    {
        const char* what;
        QUrl url;
        QString said; // a part of the line the title screen shows
    };
    const Case cases[] = {
        {"a folder", fileUrl(playerLists), QStringLiteral("フォルダー")},
        {"a file on the web", QUrl(QStringLiteral("https://example.org/words.tsv")), QStringLiteral("example.org")},
        {"a file of 4 GiB", fileUrl(huge), QStringLiteral("huge.tsv")},
        {"a file that is not there", fileUrl(program / "gone.tsv"), QStringLiteral("gone.tsv")},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(dropOn(title, {c.url})) << c.what;
        EXPECT_EQ(shown(title), before) << c.what;
        const QString line = child<QLabel>(title, "listNotice")->toolTip();
        EXPECT_TRUE(line.contains(c.said)) << c.what << ": " << line;
    }
    EXPECT_EQ(text(startAndShowFirstWord(title), "Label4"), QStringLiteral("とり"));
}

// On the game screen a dropped list starts a new game on it at once; a refused one leaves the game as it was.
TEST_F(ChosenList, ADropOnTheGameScreenPlaysThatList)
{
    QWidget* form = startAndShowFirstWord(openTitle());
    ASSERT_EQ(text(form, "Label4"), QStringLiteral("ねこ"));
    ASSERT_TRUE(dropOn(form, {QUrl(QStringLiteral("https://example.org/words.tsv"))}));
    EXPECT_TRUE(text(form, "loadFailureLine").contains(QStringLiteral("example.org")));
    EXPECT_EQ(text(form, "Label4"), QStringLiteral("ねこ"));
    ASSERT_TRUE(dropOn(form, {fileUrl(playerLists / "kanji.tsv")}));
    tick(form, "Timer1", 4);
    tick(form, "Timer2");
    EXPECT_EQ(text(form, "Label4"), QStringLiteral("新聞"));
    EXPECT_EQ(text(form, "Label2"), "");
    // 帰る shows the dropped list chosen.
    click(form, "Label3");
    flushDeletes();
    EXPECT_EQ(shown(openWindows(QStringLiteral("Form1")).at(0)), QStringLiteral("kanji"));
}

// Handles what is pending, as the next window's first paint does, then runs a loop of its own until a timer ends it.
// A quit left behind by the game's loop would be handled first and end every later loop at once (a message box's
// in the next test of this process), so this one would end with -1.
int ownLoopEndsWith()
{
    QCoreApplication::processEvents();
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&loop] { loop.exit(7); });
    return loop.exec();
}

// A list named on the command line is chosen on the title screen of the real start-up, and kept for the next run.
TEST_F(ChosenList, TheListNamedOnTheCommandLineIsChosen)
{
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.filePath(QStringLiteral("config"))));
    QString seen;
    QString notice;
    const auto look = [&](QWidget& title) {
        seen = shown(&title);
        notice = child<QLabel>(&title, "listNotice")->toolTip();
        QTimer::singleShot(0, [] { QCoreApplication::quit(); });
    };
    // The game's own event loop, run as the program runs it, leaves nothing behind for the loops after it.
    const auto play = [&](const std::optional<std::filesystem::path>& listFile) {
        runGame(*qApp, look, listFile);
        EXPECT_EQ(ownLoopEndsWith(), 7);
    };
    play(playerLists / "kanji.tsv");
    EXPECT_EQ(seen, QStringLiteral("kanji"));
    EXPECT_EQ(notice, "");
    play(std::nullopt);
    EXPECT_EQ(seen, QStringLiteral("kanji"));
    // A name that cannot be played is said, over the list that plays.
    play(std::filesystem::path("no-such-list.tsv"));
    EXPECT_EQ(seen, QStringLiteral("kanji"));
    EXPECT_TRUE(notice.contains(QStringLiteral("no-such-list.tsv"))) << notice;
    qputenv("XDG_CONFIG_HOME", oldConfig);
}

// A title screen built on one folder offers nothing to choose and takes no drops: the window as it always was.
TEST_F(ChosenList, ATitleScreenOnOneFolderHasNoChooser)
{
    GameApp run(program);
    auto* title = run.showTitle();
    EXPECT_FALSE(child<QComboBox>(title, "listChooser")->isVisible());
    EXPECT_FALSE(dropOn(title, {fileUrl(playerLists / "kanji.tsv")}));
}
