// What a finished game shows and keeps, on the real game and title screens with a real history file: the results
// beside the record, the best marked, games left half-way kept as such, the game playing on whatever becomes of the
// file, and a practice drawn only from the words given.
#include "logic/game_results.h"
#include "logic/game_score.h"
#include "logic/kana_keyboard.h"
#include "player/list_choice.h"
#include "player/list_identity.h"
#include "player/records_store.h"
#include "screens/game_app.h"
#include "screens/game_screen.h"
#include "screens/input_box.h"
#include "screens/notices.h"
#include "screens/records_screen.h"
#include "screens/text_and_placement.h"
#include "screens/title_screen.h"

#include "screen_test_support.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

#include <memory>
#include <set>

using namespace fururupo;
using namespace fururupo::testing;

namespace {

// Reads the history file from outside the game, as a maintainer with the sqlite3 shell would.
class FileReader
{
public:
    explicit FileReader(const QString& file)
    {
        auto db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        db.open();
    }
    ~FileReader()
    {
        QSqlDatabase::database(name).close();
        QSqlDatabase::removeDatabase(name);
    }
    int count(const QString& where) { return number(QStringLiteral("SELECT COUNT(*) FROM games WHERE ") + where); }
    int number(const QString& select)
    {
        QSqlQuery query(QSqlDatabase::database(name));
        if (!query.exec(select) || !query.next())
            return -1;
        return query.value(0).toInt();
    }

private:
    QString name = QStringLiteral("results-test-reader");
};

class Results : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        file = home.filePath(QStringLiteral("data/fururupo/records.sqlite3"));
        app = std::make_unique<GameApp>(ListFolders{words.folder(), {}}, QString(), file);
        records = &app->records();
    }
    void TearDown() override
    {
        InputBox::setKanaInput(false);
        closeAllWindows();
    }

    GameScreen* open(std::vector<std::u16string> practice = {})
    {
        auto* form = app->startGame(false, false, true, practice);
        tick(form, "Timer1", 4);
        return form;
    }

    // Plays one word: its tick, then each kana, a slip on the first word when asked, and Enter. In kana input, each
    // kana is the key at its place (its X keycode), as the platform delivers it.
    static QString playWord(GameScreen* form, bool slip = false)
    {
        tick(form, "Timer2");
        const QString word = text(form, "Label4");
        auto* box = child<InputBox>(form, "Text1");
        if (InputBox::kanaInput()) {
            for (const QChar kana : word) {
                const KeyboardKeyInfo& key = infoOf(strokeOfKana(kana.unicode()).value().key);
                const QString legend = QString::fromStdU16String(std::u16string(key.usName)).toLower();
                for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
                    QKeyEvent event(type, legend.toUpper().front().unicode(), Qt::NoModifier, key.x11Keycode, 0, 0,
                                    legend);
                    QCoreApplication::sendEvent(box, &event);
                }
            }
        } else if (slip) {
            typeText(box, word.left(1) + QStringLiteral("ゑ")); // in none of the words
            pressKey(box, Qt::Key_Backspace);
            typeText(box, word.mid(1));
        } else {
            typeText(box, word);
        }
        pressKey(box, Qt::Key_Return);
        return word;
    }

    // A whole game, each word typed after `secondsEach` ticks; the results are kept and shown once the key has run.
    static void playGame(GameScreen* form, int secondsEach = 1, bool slips = false)
    {
        for (int word = 0; word < 21; ++word) {
            if (secondsEach > 1)
                tick(form, "Timer2", secondsEach - 1);
            playWord(form, slips && word == 0);
        }
        QCoreApplication::processEvents();
    }

    QTemporaryDir home;
    QString file;
    WordFolder words{{{QStringLiteral("ねこ"), QStringLiteral("にゃあと鳴く")},
                      {QStringLiteral("いぬ"), QStringLiteral("わんと鳴く")},
                      {QStringLiteral("とり"), QStringLiteral("空を飛ぶ")}}};
    std::unique_ptr<GameApp> app;
    RecordsStore* records = nullptr;
};

} // namespace

// The results must come beside the record, never in place of it, and the game must be on disk before they show.
TEST_F(Results, AFinishedGameIsKeptThenShowsItsResultsBesideTheUnchangedRecord)
{
    GameScreen* form = open();
    playGame(form, 1, true);
    const QString record = text(form, "Label4");
    EXPECT_TRUE(record.startsWith(QStringLiteral("おめでとう!\n記録：")) ||
                record.startsWith(QStringLiteral("おめでとう!\r\n記録：")))
        << record;
    EXPECT_TRUE(record.endsWith(QStringLiteral("秒")));
    auto* panel = child<QLabel>(form, "resultsPanel");
    ASSERT_TRUE(panel->isVisible());
    const QString results = panel->text();
    EXPECT_TRUE(results.contains(QStringLiteral("ミス 1 回"))) << results;
    EXPECT_TRUE(results.contains(QStringLiteral("正確さ"))) << results;
    EXPECT_TRUE(results.contains(QStringLiteral("いちばん時間がかかったことば"))) << results;
    EXPECT_TRUE(results.contains(QStringLiteral("はじめての記録"))) << results;
    // The design's controls keep their places; the panel sits in the band between the stars and the prompt.
    for (const char* name : {"Label1", "Label2", "Label3", "Label4", "Label5", "Label6", "Text1"})
        EXPECT_FALSE(panel->geometry().intersects(child<QWidget>(form, name)->geometry())) << name;
    FileReader reader(file);
    EXPECT_EQ(reader.count(QStringLiteral("finished = 1 AND mistakes = 1")), 1);
    // The score kept is the score shown, with its grade, and the way of typing is named.
    const int score = reader.number(QStringLiteral("SELECT score FROM games"));
    EXPECT_GT(score, 0);
    EXPECT_TRUE(results.contains(qtext(scoreText(score)))) << results;
    EXPECT_TRUE(results.contains(qtext(styleName(TypingStyle::Romaji)))) << results;
}

// A kana game is not measured against a romaji game's best, however much slower it is: each way of typing keeps its
// own, and the results say which way the game was.
TEST_F(Results, AGameIsMeasuredAgainstTheBestOfItsOwnWayOfTyping)
{
    GameScreen* form = open();
    playGame(form, 1);
    InputBox::setKanaInput(true);
    click(form, "Label6");
    tick(form, "Timer1", 4);
    playGame(form, 3);
    const QString kana = child<QLabel>(form, "resultsPanel")->text();
    EXPECT_TRUE(kana.contains(qtext(styleName(TypingStyle::Kana)))) << kana;
    EXPECT_TRUE(kana.contains(QStringLiteral("はじめての記録"))) << kana;
    click(form, "Label6");
    tick(form, "Timer1", 4);
    playGame(form, 2);
    EXPECT_TRUE(child<QLabel>(form, "resultsPanel")->text().contains(QStringLiteral("★ 自己ベスト更新！ ★")));
    FileReader reader(file);
    EXPECT_EQ(reader.count(QStringLiteral("typing_style = 1 AND finished = 1")), 2);
    EXPECT_EQ(reader.count(QStringLiteral("typing_style = 0 AND finished = 1")), 1);
    const QByteArray list = listIdentityOf(words.folder() / "MSG.txt");
    EXPECT_EQ(records->best(list, SpeedLevel::Fast, TypingStyle::Kana), 42);
    EXPECT_EQ(records->best(list, SpeedLevel::Fast, TypingStyle::Romaji), 21);
}

TEST_F(Results, AFasterGameIsMarkedAsANewBestAndASlowerOneShowsTheBestToBeat)
{
    GameScreen* form = open();
    playGame(form, 3);
    click(form, "Label6");
    tick(form, "Timer1", 4);
    playGame(form, 1);
    const QString best = child<QLabel>(form, "resultsPanel")->text();
    EXPECT_TRUE(best.contains(QStringLiteral("★ 自己ベスト更新！ ★"))) << best;
    click(form, "Label6");
    tick(form, "Timer1", 4);
    playGame(form, 2);
    const QString slower = child<QLabel>(form, "resultsPanel")->text();
    EXPECT_FALSE(slower.contains(QStringLiteral("更新"))) << slower;
    EXPECT_TRUE(slower.contains(QStringLiteral("自己ベスト："))) << slower;
    FileReader reader(file);
    EXPECT_EQ(reader.count(QStringLiteral("finished = 1")), 3);
}

// A game given up is still the player's practice: kept, but marked unfinished, and never a best.
TEST_F(Results, AGameLeftOrStartedAgainAfterAWordIsKeptAsUnfinished)
{
    GameScreen* form = open();
    click(form, "Label6"); // no word yet: nothing to keep
    tick(form, "Timer1", 4);
    playWord(form);
    playWord(form);
    click(form, "Label6"); // two words in
    tick(form, "Timer1", 4);
    playWord(form);
    form->close(); // one word in
    flushDeletes();
    FileReader reader(file);
    EXPECT_EQ(reader.count(QStringLiteral("finished = 0")), 2);
    EXPECT_EQ(reader.count(QStringLiteral("1")), 2);
    EXPECT_FALSE(
        records->best(listIdentityOf(words.folder() / "MSG.txt"), SpeedLevel::Fast, TypingStyle::Romaji).has_value());
}

// Whatever becomes of the history, the game plays to its end and says in one line that the game was not kept: here a
// disk too full for the file to be created (a cap of the store's own, which binds root as well).
TEST_F(Results, AGameThatCannotBeKeptStillFinishesAndSaysSo)
{
    records->setPageLimit(1);
    GameScreen* form = open();
    playGame(form);
    EXPECT_TRUE(text(form, "Label4").startsWith(QStringLiteral("おめでとう!")));
    const QString results = child<QLabel>(form, "resultsPanel")->text();
    EXPECT_TRUE(results.contains(QStringLiteral("正確さ"))) << results;
    EXPECT_FALSE(results.contains(QStringLiteral("ベスト"))) << results;
    const QString notice = sentenceOf(records->problem());
    EXPECT_FALSE(notice.isEmpty());
    EXPECT_TRUE(results.contains(notice)) << results;
}

// A file that is no database is moved aside, and the game is kept in a new one.
TEST_F(Results, AHistoryFileThatIsNoDatabaseIsMovedAsideAndTheGameKeptInANewOne)
{
    QDir().mkpath(QFileInfo(file).path());
    {
        QFile junk(file);
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(8192, '\x5a'));
    }
    GameScreen* form = open();
    playGame(form);
    const QStringList aside =
        QDir(QFileInfo(file).path()).entryList({QStringLiteral("records.sqlite3.broken-*")}, QDir::Files);
    EXPECT_EQ(aside.size(), 1);
    FileReader reader(file);
    EXPECT_EQ(reader.count(QStringLiteral("finished = 1")), 1);
}

// A practice draws from the words it was given and from no other, however many games are played.
TEST_F(Results, APracticeDrawsOnlyTheWordsGivenAndIsKeptAsPractice)
{
    GameScreen* form = open({u"いぬ"});
    std::set<QString> shown;
    for (int word = 0; word < 21; ++word)
        shown.insert(playWord(form));
    QCoreApplication::processEvents();
    EXPECT_EQ(shown, std::set<QString>{QStringLiteral("いぬ")});
    EXPECT_TRUE(child<QLabel>(form, "resultsPanel")->text().contains(QStringLiteral("練習")));
    FileReader reader(file);
    EXPECT_EQ(reader.count(QStringLiteral("practice = 1 AND finished = 1")), 1);
    // A practice never sets the best a real game is measured against.
    EXPECT_FALSE(
        records->best(listIdentityOf(words.folder() / "MSG.txt"), SpeedLevel::Fast, TypingStyle::Romaji).has_value());
}

// 成績 is reached from the title screen by Tab and Enter as well as by the mouse, and its practice opens a game.
TEST_F(Results, TheTitleScreenOpensTheRecordsWindowByKeyboardAndItsPracticeStartsAGame)
{
    {
        GameScreen* form = open();
        playGame(form, 1, true);
        form->close();
        flushDeletes();
    }
    auto* title = app->showTitle();
    child<QRadioButton>(title, "Option1_2")->setChecked(true);
    title->activateWindow();
    QCoreApplication::processEvents();
    ASSERT_TRUE(title->isActiveWindow());
    QWidget* button = child<QPushButton>(title, "recordsButton");
    ASSERT_TRUE(button->isVisible());
    for (int i = 0; i < 5 && QApplication::focusWidget() != button; ++i)
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : title, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), button);
    QTest::keyClick(button, Qt::Key_Return);
    const auto windows = openWindows(QStringLiteral("recordsWindow"));
    ASSERT_EQ(windows.size(), 1u);
    auto* practice = child<QPushButton>(windows[0], "practiceButton");
    ASSERT_TRUE(practice->isEnabled());
    practice->click();
    flushDeletes();
    const auto games = openWindows(QStringLiteral("Form2"));
    ASSERT_EQ(games.size(), 1u);
    EXPECT_TRUE(openWindows(QStringLiteral("recordsWindow")).empty());
    EXPECT_TRUE(openWindows(QStringLiteral("Form1")).empty());
    // The slip was on the first word drawn: the practice is made of that word alone.
    tick(games[0], "Timer1", 4);
    tick(games[0], "Timer2");
    EXPECT_FALSE(text(games[0], "Label4").isEmpty());
    EXPECT_TRUE(text(games[0], "loadFailureLine").contains(QStringLiteral("練習")));
}

// The 成績 window stands beside the title screen where the screen has room, else over it, and the title screen is
// the active window again once it closes.
TEST_F(Results, TheRecordsWindowStandsBesideTheTitleScreenWhichComesBackWhenItCloses)
{
    auto* title = app->showTitle();
    QCoreApplication::processEvents();
    RecordsScreen* window = app->showRecords(SpeedLevel::Normal);
    const QRect available = title->screen()->availableGeometry();
    const QSize decoration = title->frameGeometry().size() - title->size();
    EXPECT_EQ(window->pos(), placedBeside(window->size() + decoration, title->frameGeometry(), available).topLeft());
    EXPECT_TRUE(available.contains(QRect(window->pos(), window->size())) || window->width() > available.width() ||
                window->height() > available.height());
    QCoreApplication::processEvents();
    window->close();
    flushDeletes();
    QCoreApplication::processEvents(); // the activation the window's end asked for
    EXPECT_TRUE(title->isVisible());
    EXPECT_TRUE(title->isActiveWindow());
}
