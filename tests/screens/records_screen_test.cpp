// The 成績 window on a real history file: what the chart, the lists and the notice show for one list and speed, the
// practice and forget buttons, the keyboard, and a file that cannot be read.
#include "player/records_store.h"
#include "screens/progress_chart.h"
#include "screens/records_screen.h"
#include "screens/text_and_placement.h"

#include "screen_test_support.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QTreeWidget>

#include <memory>
#include <optional>

using namespace fururupo;
using namespace fururupo::testing;

namespace {

const QByteArray animals = QByteArray(64, 'a');
const QByteArray fish = QByteArray(64, 'b');

// One game as data: which list and speed, its figures, and the words and kana it met.
struct Game
{
    QByteArray list;
    SpeedLevel speed;
    int seconds;
    int keys;
    int mistakes;
    std::vector<WordOutcome> words;
    std::vector<KanaCount> kana = {};
    bool finished = true;
    bool practice = false;
};

WordOutcome clean(std::u16string word)
{
    return {word, word, 3, false, 0};
}
WordOutcome missed(std::u16string word, int mistakes)
{
    return {word, word, 5, false, mistakes};
}
WordOutcome timedOut(std::u16string word)
{
    return {word, word, 10, true, 0};
}

// Five finished games of どうぶつ at ふつう (oldest first), with a practice game, a game left unfinished and two games
// at はやい beside them, and a list of fish whose games are better still: none of those may show for どうぶつ at
// ふつう.
const std::vector<Game> prepared = {
    {animals, SpeedLevel::Normal, 60, 120, 12, {missed(u"ねこ", 4), clean(u"うさぎ")}, {{u"し", 4, 2}, {u"こ", 5, 1}}},
    {animals, SpeedLevel::Normal, 48, 130, 6, {missed(u"ねこ", 1), timedOut(u"いぬ")}, {{u"し", 4, 2}, {u"ね", 10, 1}}},
    {fish, SpeedLevel::Normal, 30, 150, 1, {missed(u"さかな", 1)}, {{u"ぬ", 1, 1}}},
    {animals, SpeedLevel::Normal, 55, 125, 5, {clean(u"うさぎ")}, {{u"し", 4, 1}, {u"こ", 5, 1}}},
    {animals, SpeedLevel::Normal, 20, 40, 0, {missed(u"ねこ", 2)}, {}, true, true},
    {animals, SpeedLevel::Normal, 9, 30, 0, {clean(u"うさぎ")}, {}, false},
    {animals, SpeedLevel::Normal, 41, 140, 2, {clean(u"うさぎ")}},
    {animals, SpeedLevel::Fast, 35, 150, 3, {clean(u"うさぎ")}},
    {animals, SpeedLevel::Normal, 50, 135, 3, {clean(u"うさぎ")}},
    {animals, SpeedLevel::Fast, 33, 155, 1, {clean(u"うさぎ")}},
    {fish, SpeedLevel::Normal, 29, 160, 0, {clean(u"さかな")}},
};

// A history file of the test's own and the window on it.
class RecordsWindow : public ::testing::Test
{
protected:
    void TearDown() override { closeAllWindows(); }

    QString file() const { return dir->filePath(QStringLiteral("records.sqlite3")); }

    // Closes the window and the store, and starts on a new folder with no history.
    void startAfresh()
    {
        closeAllWindows();
        store = nullptr;
        stores.clear();
        dir = std::make_unique<QTemporaryDir>();
    }

    void save(const std::vector<Game>& games)
    {
        RecordsStore writer(file());
        QDateTime at(QDate(2024, 4, 1), QTime(9, 30), Qt::UTC);
        for (const Game& game : games) {
            GameRecord record;
            record.playedAt = at;
            record.listPath = QStringLiteral("/home/player/words/MSG.txt");
            record.listName = game.list == animals ? QStringLiteral("どうぶつ") : QStringLiteral("さかな");
            record.listHash = game.list;
            record.speed = game.speed;
            record.finished = game.finished;
            record.practice = game.practice;
            record.seconds = game.seconds;
            record.keys = game.keys;
            record.mistakes = game.mistakes;
            record.words = game.words;
            record.kana = game.kana;
            ASSERT_TRUE(writer.save(record)) << qtext(writer.notice()).toStdString();
            at = at.addSecs(3600);
        }
    }

    RecordsScreen* open(SpeedLevel speed = SpeedLevel::Normal, QByteArray list = animals)
    {
        // Each window keeps the store it was opened on; the test's windows are closed before the stores go.
        stores.push_back(std::make_unique<RecordsStore>(file()));
        store = stores.back().get();
        auto* window = new RecordsScreen(*store, list, QStringLiteral("どうぶつ"), speed);
        window->show();
        QCoreApplication::processEvents();
        return window;
    }

    static ProgressChart* chartOf(QWidget* window) { return child<ProgressChart>(window, "progressChart"); }

    // Every row of a list as its cells.
    static std::vector<QStringList> rows(QWidget* window, const char* name)
    {
        std::vector<QStringList> found;
        auto* view = child<QTreeWidget>(window, name);
        for (int row = 0; view && row < view->topLevelItemCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < view->columnCount(); ++column)
                cells << view->topLevelItem(row)->text(column);
            found.push_back(cells);
        }
        return found;
    }

    std::unique_ptr<QTemporaryDir> dir = std::make_unique<QTemporaryDir>();
    std::vector<std::unique_ptr<RecordsStore>> stores;
    RecordsStore* store = nullptr;
};

// Presses the button of that text on the message box that opens next; fails and cancels if it has none. The box is
// looked for among the visible windows until it shows, so that what earlier tests left active cannot hide it.
void answerNextBox(const QString& answer, QStringList* buttonsSeen = nullptr)
{
    auto* poll = new QTimer;
    auto tries = std::make_shared<int>(0);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [=] {
        QMessageBox* box = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* found = qobject_cast<QMessageBox*>(window); found && found->isVisible())
                box = found;
        }
        if (!box) {
            if (++*tries > 400) {
                ADD_FAILURE() << "no message box opened";
                poll->deleteLater();
                poll->stop();
            }
            return;
        }
        poll->stop();
        poll->deleteLater();
        QAbstractButton* chosen = nullptr;
        for (QAbstractButton* button : box->buttons()) {
            if (buttonsSeen)
                *buttonsSeen << button->text();
            if (button->text() == answer)
                chosen = button;
        }
        if (!chosen) {
            ADD_FAILURE() << "no button " << answer;
            box->reject();
            return;
        }
        chosen->click();
    });
    poll->start();
}

// Runs statements on the history file through a connection of its own, as another program editing it would.
void editByHand(const QString& file, const QStringList& statements)
{
    const QString name = QStringLiteral("edited-by-hand");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
        for (const QString& statement : statements) {
            QSqlQuery query(db);
            EXPECT_TRUE(query.exec(statement))
                << statement.toStdString() << ": " << query.lastError().text().toStdString();
            EXPECT_GT(query.numRowsAffected(), 0) << statement.toStdString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

int gamesOf(const QString& file, const QByteArray& list, SpeedLevel speed)
{
    RecordsStore reader(file);
    return static_cast<int>(reader.history(list, speed).games.size());
}

} // namespace

TEST_F(RecordsWindow, TheChartShowsTheFinishedGamesOfTheListAndSpeedOldestFirst)
{
    save(prepared);
    RecordsScreen* window = open();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("成績"));
    EXPECT_EQ(window->objectName(), QStringLiteral("recordsWindow"));
    EXPECT_TRUE(text(window, "recordsHeading").contains(QStringLiteral("どうぶつ")));
    EXPECT_TRUE(text(window, "recordsHeading").contains(QStringLiteral("ふつう")));

    ProgressChart* chart = chartOf(window);
    ASSERT_EQ(chart->series().size(), 3u);
    EXPECT_EQ(chart->series()[0].name, QStringLiteral("記録（秒）"));
    EXPECT_EQ(chart->series()[0].values, (std::vector<double>{60, 48, 55, 41, 50}));
    EXPECT_EQ(chart->series()[0].axis, ProgressChart::Axis::Left);
    // Keys a minute and the share of keys that were right, for the same games.
    const std::vector<double> keysPerMinute{120, 130 * 60 / 48.0, 125 * 60 / 55.0, 140 * 60 / 41.0, 135 * 60 / 50.0};
    const std::vector<double> accuracy{90, 100 * 124 / 130.0, 96, 100 * 138 / 140.0, 100 * 132 / 135.0};
    for (std::size_t game = 0; game < 5; ++game) {
        EXPECT_NEAR(chart->series()[1].values.at(game), keysPerMinute[game], 1e-6) << game;
        EXPECT_NEAR(chart->series()[2].values.at(game), accuracy[game], 1e-6) << game;
    }
    EXPECT_EQ(chart->games(), 5);
    EXPECT_EQ(chart->gameTicks(), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(chart->leftScale().ticks, (std::vector<double>{0, 20, 40, 60}));
    // The right axis holds keys a minute (up to 204.9) and accuracy together.
    EXPECT_EQ(chart->rightScale().ticks, (std::vector<double>{0, 50, 100, 150, 200, 250}));

    // The speed chooser shows the other speed's games of the same list.
    auto* chooser = child<QComboBox>(window, "speedChooser");
    ASSERT_EQ(chooser->count(), 3);
    EXPECT_EQ(chooser->currentText(), QStringLiteral("ふつう"));
    chooser->setCurrentIndex(chooser->findText(QStringLiteral("はやい")));
    Q_EMIT chooser->activated(chooser->currentIndex());
    EXPECT_EQ(chartOf(window)->series()[0].values, (std::vector<double>{35, 33}));
    EXPECT_TRUE(text(window, "recordsHeading").contains(QStringLiteral("はやい")));
    EXPECT_EQ(rows(window, "bestGames").size(), 2u);
}

TEST_F(RecordsWindow, TheBestGamesAreListedFewestSecondsFirst)
{
    save(prepared);
    RecordsScreen* window = open();
    const auto best = rows(window, "bestGames");
    ASSERT_EQ(best.size(), 5u);
    const QStringList seconds{QStringLiteral("41"), QStringLiteral("48"), QStringLiteral("50"), QStringLiteral("55"),
                              QStringLiteral("60")};
    for (int rank = 0; rank < 5; ++rank) {
        EXPECT_EQ(best[rank][0], QString::number(rank + 1));
        EXPECT_EQ(best[rank][1], seconds[rank]);
    }
    EXPECT_EQ(best[0][2], QStringLiteral("205")); // 140 keys in 41 s
    EXPECT_EQ(best[0][3], QStringLiteral("99%"));
    // The seventh game saved, shown in the player's own time.
    const QDateTime played(QDate(2024, 4, 1), QTime(15, 30), Qt::UTC);
    EXPECT_EQ(best[0][4], played.toLocalTime().toString(QStringLiteral("yyyy/MM/dd HH:mm")));
    EXPECT_TRUE(text(window, "recordsNotice").isEmpty());
}

TEST_F(RecordsWindow, TheMissedListsShowRatesWithBothNumbersAndOnlyThisListsWords)
{
    save(prepared);
    RecordsScreen* window = open();
    const auto kana = rows(window, "missedKana");
    ASSERT_GE(kana.size(), 3u);
    // し: 5 of 12; こ: 2 of 10 ね: 1 of 10. ぬ is of the fish list.
    EXPECT_EQ(kana[0], (QStringList{QStringLiteral("し"), QStringLiteral("42%"), QStringLiteral("5/12")}));
    EXPECT_EQ(kana[1], (QStringList{QStringLiteral("こ"), QStringLiteral("20%"), QStringLiteral("2/10")}));
    EXPECT_EQ(kana[2], (QStringList{QStringLiteral("ね"), QStringLiteral("10%"), QStringLiteral("1/10")}));
    for (const QStringList& row : kana)
        EXPECT_NE(row[0], QStringLiteral("ぬ"));

    const auto words = rows(window, "missedWords");
    ASSERT_EQ(words.size(), 2u);
    EXPECT_EQ(words[0], (QStringList{QStringLiteral("ねこ"), QStringLiteral("3"), QStringLiteral("0")}));
    EXPECT_EQ(words[1], (QStringList{QStringLiteral("いぬ"), QStringLiteral("1"), QStringLiteral("1")}));
}

TEST_F(RecordsWindow, PracticeHandsOnOnlyTheWordsMissedInThisList)
{
    save(prepared);
    RecordsScreen* window = open();
    std::vector<std::vector<std::u16string>> asked;
    QObject::connect(window, &RecordsScreen::practiceRequested,
                     [&](const std::vector<std::u16string>& words) { asked.push_back(words); });
    auto* practice = child<QPushButton>(window, "practiceButton");
    ASSERT_TRUE(practice->isEnabled());
    QTest::mouseClick(practice, Qt::LeftButton);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], (std::vector<std::u16string>{u"ねこ", u"いぬ"}));

    // Forgotten behind the window's back: nothing to practise, so nothing is handed on and the button goes grey.
    ASSERT_TRUE(store->forgetList(animals));
    QTest::mouseClick(practice, Qt::LeftButton);
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_FALSE(practice->isEnabled());
}

// Each answer to the question, on a fresh copy of the history: only the chosen games go, and やめる (or Escape) keeps
// all; both lists are read back from the file afterwards.
TEST_F(RecordsWindow, ForgetDeletesOnlyWhatTheAnswerChose)
{
    struct Case
    {
        QString answer;
        int animalsLeft; // at ふつう
        int animalsFastLeft;
        int fishLeft;
    };
    const std::vector<Case> cases = {
        {QStringLiteral("やめる"), 5, 2, 2},
        {QStringLiteral("この一覧だけ"), 0, 0, 2},
        {QStringLiteral("すべて"), 0, 0, 0},
    };
    for (const Case& answer : cases) {
        SCOPED_TRACE(answer.answer.toStdString());
        startAfresh();
        save(prepared);
        RecordsScreen* window = open();
        QStringList buttons;
        ASSERT_TRUE(child<QPushButton>(window, "forgetButton")->isEnabled()) << text(window, "recordsNotice");
        answerNextBox(answer.answer, &buttons);
        // A click as the button's own signal: a modal window another test may have left open would block a mouse
        // event, and the keyboard test below presses the button by key.
        child<QPushButton>(window, "forgetButton")->click();
        EXPECT_EQ(buttons.size(), 3);
        EXPECT_EQ(chartOf(window)->games(), answer.animalsLeft);
        EXPECT_EQ(rows(window, "bestGames").size(), static_cast<std::size_t>(answer.animalsLeft));
        EXPECT_EQ(child<QPushButton>(window, "practiceButton")->isEnabled(), answer.animalsLeft > 0);
        EXPECT_EQ(gamesOf(file(), animals, SpeedLevel::Normal), answer.animalsLeft);
        EXPECT_EQ(gamesOf(file(), animals, SpeedLevel::Fast), answer.animalsFastLeft);
        EXPECT_EQ(gamesOf(file(), fish, SpeedLevel::Normal), answer.fishLeft);
    }
}

TEST_F(RecordsWindow, AnEmptyHistoryShowsTheEmptyTextAndNothingToPractise)
{
    RecordsScreen* window = open();
    ProgressChart* chart = chartOf(window);
    EXPECT_EQ(chart->games(), 0);
    EXPECT_TRUE(rows(window, "bestGames").empty());
    EXPECT_TRUE(rows(window, "missedKana").empty());
    EXPECT_TRUE(rows(window, "missedWords").empty());
    EXPECT_FALSE(child<QPushButton>(window, "practiceButton")->isEnabled());

    const QImage image = chart->grab().toImage();
    const double ratio = image.devicePixelRatio();
    const QColor ink = chart->palette().color(QPalette::Text);
    const QRect middle(QPoint(0, 0), (QSizeF(chart->size()) * ratio).toSize());
    const QRect band =
        middle.adjusted(0, middle.height() / 2 - int(12 * ratio), 0, -middle.height() / 2 + int(12 * ratio));
    // The text's strokes lie in a band across the middle, and nothing of it (no axis, no tick label) elsewhere.
    EXPECT_GT(countNear(image, band, ink, 60), 30);
    EXPECT_EQ(countNear(image, middle, ink, 60), countNear(image, band, ink, 60));
    EXPECT_EQ(countNear(image, middle, QColor(215, 50, 140), 30), 0);
    EXPECT_EQ(ProgressChart::emptyText(), QStringLiteral("まだ記録がありません"));
}

// The lines are really drawn: each series' colour is on its points and halfway between them, and a single game is a
// point of its own.
TEST_F(RecordsWindow, TheChartDrawsEachSeriesInItsColour)
{
    save(prepared);
    RecordsScreen* window = open();
    ProgressChart* chart = chartOf(window);
    const QImage image = chart->grab().toImage();
    const double ratio = image.devicePixelRatio();
    const auto near = [&](QPointF at, const QColor& colour) {
        const QPoint centre = (at * ratio).toPoint();
        return countNear(image, QRect(centre - QPoint(2, 2), centre + QPoint(2, 2)), colour, 30);
    };
    ASSERT_EQ(chart->series().size(), 3u);
    for (std::size_t series = 0; series < 3; ++series) {
        const QColor colour = chart->series()[series].colour;
        SCOPED_TRACE(chart->series()[series].name.toStdString());
        EXPECT_GT(near(chart->pointOf(series, 0), colour), 4);
        EXPECT_GT(near(chart->pointOf(series, 4), colour), 4);
        EXPECT_GT(near((chart->pointOf(series, 1) + chart->pointOf(series, 2)) / 2, colour), 0);
    }
    // Both scales start at 0 at the bottom: 41 s below 60 s, 204.9 keys a minute above 120.
    EXPECT_GT(chart->pointOf(0, 3).y(), chart->pointOf(0, 0).y());
    EXPECT_LT(chart->pointOf(1, 3).y(), chart->pointOf(1, 0).y());

    startAfresh();
    save({prepared[0]});
    ProgressChart* single = chartOf(open());
    const QImage one = single->grab().toImage();
    const QPoint point = (single->pointOf(0, 0) * one.devicePixelRatio()).toPoint();
    EXPECT_GT(countNear(one, QRect(point - QPoint(2, 2), point + QPoint(2, 2)), QColor(215, 50, 140), 30), 8);
}

// More games than the plot is wide: each pixel column shows its games' range as a pale band and their mean on the
// line, so alternate games of 10 and 50 seconds fill the plot from 10 to 50 with the line at 30.
TEST(ProgressChart, AHistoryWiderThanThePlotIsDrawnAsABandAroundItsMean)
{
    std::vector<double> seconds;
    for (int game = 0; game < 3000; ++game)
        seconds.push_back(game % 2 == 0 ? 10 : 50);
    ProgressChart chart;
    chart.resize(504, 300);
    const QColor colour(215, 50, 140);
    chart.setSeries({{QStringLiteral("記録（秒）"), colour, seconds, ProgressChart::Axis::Left}});
    ASSERT_EQ(chart.games(), 3000);
    const QImage image = chart.grab().toImage();
    const double ratio = image.devicePixelRatio();
    const QRectF plot = chart.plotArea();
    const auto yAt = [&](double seconds) { return plot.bottom() - seconds / chart.leftScale().top() * plot.height(); };
    const auto across = [&](double y) {
        return QRect(QPoint(int((plot.left() + 20) * ratio), int(y * ratio) - 1),
                     QPoint(int((plot.right() - 20) * ratio), int(y * ratio) + 1));
    };
    const QColor white = chart.palette().color(QPalette::Base);
    const auto blend = [&](int ink, int paper) { return paper + (ink - paper) * 60 / 255; };
    const QColor shade(blend(colour.red(), white.red()), blend(colour.green(), white.green()),
                       blend(colour.blue(), white.blue()));
    const int width = across(0).width();
    // The band between the extremes (clear of the grid lines at 20 and 40), the line through the middle, and nothing
    // above the band.
    EXPECT_GT(countNear(image, across(yAt(45)), shade, 12), width * 2);
    EXPECT_GT(countNear(image, across(yAt(15)), shade, 12), width * 2);
    EXPECT_GT(countNear(image, across(yAt(30)), colour, 30), width * 2);
    EXPECT_EQ(countNear(image, across(yAt(55)), shade, 12), 0);
}

// A long word from the history is cut to its column, and the chart's scales still end on a 1-2-5 step.
TEST_F(RecordsWindow, LongWordsAreElidedAndScalesEndOnNiceSteps)
{
    const std::u16string longWord(120, u'あ');
    save({{animals, SpeedLevel::Normal, 333, 700, 7, {missed(longWord, 1)}}});
    RecordsScreen* window = open();
    const auto words = rows(window, "missedWords");
    ASSERT_EQ(words.size(), 1u);
    EXPECT_LT(words[0][0].size(), 60);
    EXPECT_TRUE(words[0][0].endsWith(QChar(0x2026)));
    EXPECT_EQ(chartOf(window)->leftScale().ticks, (std::vector<double>{0, 100, 200, 300, 400}));

    EXPECT_EQ(niceTicks(0), (std::vector<double>{0, 1}));
    EXPECT_EQ(niceTicks(7), (std::vector<double>{0, 2, 4, 6, 8}));
    EXPECT_EQ(niceTicks(100), (std::vector<double>{0, 20, 40, 60, 80, 100}));
    EXPECT_EQ(niceTicks(0.3).size(), 4u); // 0, 0.1, 0.2, 0.3
}

// Rows edited into impossible values are left out of every list and the chart, and the notice says some were.
TEST_F(RecordsWindow, ImpossibleRowsAreNeitherShownNorACrash)
{
    save(prepared);
    editByHand(file(), {
                           QStringLiteral("UPDATE games SET seconds = -7 WHERE seconds = 41"),
                           QStringLiteral("UPDATE games SET played_at = 'yesterday' WHERE seconds = 55"),
                           QStringLiteral("UPDATE games SET mistakes = keys + 1 WHERE seconds = 50"),
                           // The lists read the totals kept for each list beside the games.
                           QStringLiteral("UPDATE list_kana SET missed = typed + 5 WHERE kana = 'ね'"),
                           QStringLiteral("UPDATE list_words SET word = '' WHERE word = 'いぬ'"),
                           QStringLiteral("UPDATE list_words SET missed = 'many' WHERE word = 'うさぎ'"),
                       });
    RecordsScreen* window = open();
    EXPECT_EQ(chartOf(window)->series()[0].values, (std::vector<double>{60, 48}));
    const auto best = rows(window, "bestGames");
    ASSERT_EQ(best.size(), 2u);
    EXPECT_EQ(best[0][1], QStringLiteral("48"));
    for (const QStringList& row : rows(window, "missedKana"))
        EXPECT_NE(row[0], QStringLiteral("ね"));
    // ねこ is the one whole row left: missed in three games, never out of time.
    const auto words = rows(window, "missedWords");
    ASSERT_EQ(words.size(), 1u);
    EXPECT_EQ(words[0], (QStringList{QStringLiteral("ねこ"), QStringLiteral("3"), QStringLiteral("0")}));
    EXPECT_TRUE(text(window, "recordsNotice").contains(QStringLiteral("読めない記録")));

    std::vector<std::u16string> asked;
    QObject::connect(window, &RecordsScreen::practiceRequested,
                     [&](const std::vector<std::u16string>& words) { asked = words; });
    QTest::mouseClick(child<QPushButton>(window, "practiceButton"), Qt::LeftButton);
    EXPECT_EQ(asked, std::vector<std::u16string>{u"ねこ"});
}

// Tab reaches every button, Space and Enter press them, Escape closes; the window opens with the focus on 閉じる.
TEST_F(RecordsWindow, TheKeyboardReachesAndPressesEveryButton)
{
    save(prepared);
    QPointer<RecordsScreen> window = open();
    window->activateWindow();
    QCoreApplication::processEvents();
    ASSERT_TRUE(window->isActiveWindow());
    auto* practice = child<QPushButton>(window, "practiceButton");
    auto* forget = child<QPushButton>(window, "forgetButton");
    auto* close = child<QPushButton>(window, "closeButton");
    ASSERT_EQ(window->focusWidget(), close);

    std::vector<QWidget*> reached;
    for (int i = 0; i < 10; ++i) {
        QTest::keyClick(window->focusWidget(), Qt::Key_Tab);
        reached.push_back(window->focusWidget());
    }
    for (QWidget* button : {static_cast<QWidget*>(practice), static_cast<QWidget*>(forget)})
        EXPECT_NE(std::find(reached.begin(), reached.end(), button), reached.end()) << button->objectName();

    int practised = 0;
    QObject::connect(window, &RecordsScreen::practiceRequested, [&] { ++practised; });
    practice->setFocus();
    QTest::keyClick(practice, Qt::Key_Space);
    QTest::keyClick(practice, Qt::Key_Return);
    EXPECT_EQ(practised, 2);
    answerNextBox(QStringLiteral("やめる"));
    QTest::keyClick(forget, Qt::Key_Return);
    EXPECT_EQ(gamesOf(file(), animals, SpeedLevel::Normal), 5);

    QTest::keyClick(child<QWidget>(window, "bestGames"), Qt::Key_Escape);
    flushDeletes();
    EXPECT_TRUE(window.isNull());

    QPointer<RecordsScreen> second = open();
    QTest::keyClick(child<QWidget>(second, "closeButton"), Qt::Key_Return);
    flushDeletes();
    EXPECT_TRUE(second.isNull());
}

// A history that cannot be opened (here a folder stands where the file should be) leaves a line in the notice and an
// empty window with nothing to practise or delete, never a crash.
TEST_F(RecordsWindow, AnUnreadableFileLeavesANoticeAndAnEmptyWindow)
{
    ASSERT_TRUE(QDir(dir->path()).mkdir(QStringLiteral("records.sqlite3")));
    RecordsScreen* window = open();
    EXPECT_FALSE(text(window, "recordsNotice").isEmpty());
    EXPECT_EQ(chartOf(window)->games(), 0);
    EXPECT_FALSE(child<QPushButton>(window, "practiceButton")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(window, "forgetButton")->isEnabled());
    EXPECT_TRUE(QFileInfo(file()).isDir());
    // The store's line names the file: cut to the label, whole in its tip.
    auto* notice = child<QLabel>(window, "recordsNotice");
    EXPECT_LE(QFontMetrics(notice->font()).horizontalAdvance(notice->text()), notice->width());
    EXPECT_TRUE(notice->toolTip().contains(file()));
}
