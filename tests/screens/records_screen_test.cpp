// The 成績 window on a real history file: what the chart, the lists and the notice show for one list and speed, the
// practice and forget buttons, the keyboard, and a file that cannot be read.
#include "player/records_store.h"
#include "screens/key_miss_map.h"
#include "screens/notices.h"
#include "screens/progress_chart.h"
#include "screens/records_screen.h"
#include "screens/text_and_placement.h"

#include "screen_test_support.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
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
    TypingStyle style = TypingStyle::Romaji;
    std::vector<KeyCount> keyCounts = {};
    std::vector<KeyConfusion> confusions = {};
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
            record.style = game.style;
            record.keys = game.keys;
            record.goodKeys = game.keys - game.mistakes;
            record.mistakes = game.mistakes;
            record.words = game.words;
            record.kana = game.kana;
            record.keyCounts = game.keyCounts;
            record.confusions = game.confusions;
            ASSERT_TRUE(writer.save(record)) << sentenceOf(writer.problem()).toStdString();
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
    // Only a safety net for a box that never opens: the box shows as soon as the click's handler runs.
    const QDeadlineTimer deadline(30000);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [=] {
        QMessageBox* box = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* found = qobject_cast<QMessageBox*>(window); found && found->isVisible())
                box = found;
        }
        if (!box) {
            if (deadline.hasExpired()) {
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
    return static_cast<int>(reader.history(list, speed, TypingStyle::Romaji).games);
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
    ASSERT_EQ(chart->series().size(), 4u);
    EXPECT_EQ(chart->series()[0].name, QStringLiteral("記録（秒）"));
    EXPECT_EQ(chart->series()[0].means(), (std::vector<double>{60, 48, 55, 41, 50}));
    EXPECT_EQ(chart->series()[0].axis, ProgressChart::Axis::Left);
    // Correct keys a minute, the score and the share of keys that were right, for the same games.
    const std::vector<GameCounts> games{
        {60, 120, 108, 12}, {48, 130, 124, 6}, {55, 125, 120, 5}, {41, 140, 138, 2}, {50, 135, 132, 3}};
    for (std::size_t game = 0; game < games.size(); ++game) {
        EXPECT_NEAR(chart->series()[1].means().at(game), games[game].keysPerMinute(), 1e-6) << game;
        EXPECT_EQ(chart->series()[2].means().at(game), games[game].score()) << game;
        EXPECT_NEAR(chart->series()[3].means().at(game), games[game].accuracy(), 1e-6) << game;
    }
    EXPECT_EQ(chart->series()[1].axis, ProgressChart::Axis::Right);
    EXPECT_EQ(chart->series()[2].axis, ProgressChart::Axis::Right);
    EXPECT_EQ(chart->series()[3].axis, ProgressChart::Axis::Percent);
    EXPECT_EQ(chart->games(), 5);
    EXPECT_EQ(chart->gameTicks(), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(chart->leftScale().ticks, (std::vector<double>{0, 20, 40, 60}));
    // The right axis holds keys a minute (up to 202) and the scores, never accuracy, which has its own 0–100 %.
    EXPECT_EQ(chart->rightScale().ticks, (std::vector<double>{0, 50, 100, 150, 200, 250}));
    EXPECT_EQ(chart->percentScale().ticks, (std::vector<double>{0, 50, 100}));

    // The speed chooser shows the other speed's games of the same list.
    auto* chooser = child<QComboBox>(window, "speedChooser");
    ASSERT_EQ(chooser->count(), 3);
    EXPECT_EQ(chooser->currentText(), QStringLiteral("ふつう"));
    chooser->setCurrentIndex(chooser->findText(QStringLiteral("はやい")));
    Q_EMIT chooser->activated(chooser->currentIndex());
    EXPECT_EQ(chartOf(window)->series()[0].means(), (std::vector<double>{35, 33}));
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
    EXPECT_EQ(best[0][2], QStringLiteral("202")); // 138 correct keys in 41 s
    EXPECT_EQ(best[0][3], QStringLiteral("99%"));
    EXPECT_EQ(best[0][4], QString::number(GameCounts{41, 140, 138, 2}.score()));
    // The seventh game saved, shown in the player's own time.
    const QDateTime played(QDate(2024, 4, 1), QTime(15, 30), Qt::UTC);
    EXPECT_EQ(best[0][5], played.toLocalTime().toString(QStringLiteral("yyyy/MM/dd HH:mm")));
    // The best score is that of the fastest game here, whose keys were nearly all right.
    EXPECT_TRUE(text(window, "bestGamesHeading").contains(QString::number(GameCounts{41, 140, 138, 2}.score())));
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
    EXPECT_TRUE(rows(window, "keyConfusions").empty());
    auto* map = child<KeyMissMap>(window, "keyMissMap");
    EXPECT_FALSE(map->missRate(KeyboardKey::A).has_value());
    EXPECT_GT(countNear(map->grab().toImage(), map->keyRect(KeyboardKey::A), KeyMissMap::unusedColour(), 8), 200);

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

// The key map shows each key's misses over the games of the list, speed and way of typing shown, filled in the colour
// of its rate, with the key pressed most often in its place; the slips list runs most frequent first, then in the
// keyboard's order. Another speed's and another way's slips are in neither.
TEST_F(RecordsWindow, TheKeyMapAndTheSlipsShowTheKeysMissedAtThisSpeedAndWayOfTyping)
{
    using K = KeyboardKey;
    Game first{animals, SpeedLevel::Normal, 50, 120, 3, {clean(u"ねこ")}};
    first.keyCounts = {{K::A, 10, 2}, {K::S, 8, 1}, {K::K, 5, 0}};
    first.confusions = {{K::A, K::S, 2}, {K::S, K::D, 1}};
    Game second = first;
    second.keyCounts = {{K::A, 10, 3}, {K::J, 4, 4}};
    second.confusions = {{K::A, K::Q, 1}, {K::J, K::H, 4}};
    Game fast = first;
    fast.speed = SpeedLevel::Fast;
    fast.keyCounts = {{K::L, 5, 5}};
    fast.confusions = {{K::L, K::K, 5}};
    Game kana = fast;
    kana.speed = SpeedLevel::Normal;
    kana.style = TypingStyle::Kana;
    save({kana, fast, first, second}); // the window opens on the way of the last game: romaji
    RecordsScreen* window = open();
    window->setKeyboardLayout(KeyboardLayout::Us);
    QCoreApplication::processEvents();

    auto* map = child<KeyMissMap>(window, "keyMissMap");
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->keyboardLayout(), KeyboardLayout::Us);
    EXPECT_EQ(map->missRate(K::A), 0.25);
    EXPECT_EQ(map->missRate(K::S), 0.125);
    EXPECT_EQ(map->missRate(K::K), 0.0);
    EXPECT_EQ(map->missRate(K::J), 1.0);
    EXPECT_FALSE(map->missRate(K::L).has_value());
    EXPECT_EQ(map->mostHitInstead(K::A), K::S);
    EXPECT_EQ(map->mostHitInstead(K::J), K::H);
    EXPECT_FALSE(map->mostHitInstead(K::K).has_value());
    const std::vector<QStringList> slips = {{"J", "H", "4"}, {"A", "S", "2"}, {"A", "Q", "1"}, {"S", "D", "1"}};
    EXPECT_EQ(rows(window, "keyConfusions"), slips);

    // Each key in its rate's colour: none missed, some, and past the top of the scale; a key not typed grey.
    const QImage image = map->grab().toImage();
    ASSERT_GE(map->keyRect(K::K).width(), 20);
    for (const auto& [key, fill] : std::vector<std::pair<K, QColor>>{{K::K, KeyMissMap::colourOfRate(0)},
                                                                     {K::S, KeyMissMap::colourOfRate(0.125)},
                                                                     {K::J, KeyMissMap::colourOfRate(1)},
                                                                     {K::L, KeyMissMap::unusedColour()}}) {
        const QRect place = map->keyRect(key);
        EXPECT_GT(countNear(image, place, fill, 8), place.width() * place.height() / 3) << int(key);
    }
    EXPECT_NE(KeyMissMap::colourOfRate(0), KeyMissMap::colourOfRate(0.125));
    EXPECT_NE(KeyMissMap::colourOfRate(0.125), KeyMissMap::colourOfRate(1));

    // The other way of typing has its own: the slip of kana input, its keys named with their kana.
    auto* styles = child<QComboBox>(window, "styleChooser");
    styles->setCurrentIndex(styles->findData(static_cast<int>(TypingStyle::Kana)));
    Q_EMIT styles->activated(styles->currentIndex());
    EXPECT_EQ(map->missRate(K::L), 1.0);
    EXPECT_FALSE(map->missRate(K::A).has_value());
    const std::vector<QStringList> kanaSlips = {{QStringLiteral("L（り）"), QStringLiteral("K（の）"), "5"}};
    EXPECT_EQ(rows(window, "keyConfusions"), kanaSlips);
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
    ASSERT_EQ(chart->series().size(), 4u);
    for (std::size_t series = 0; series < 4; ++series) {
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

// A long history is kept as runs of games: each run's range shows as a pale band and its mean on the line, so
// alternate games of 10 and 50 seconds fill the plot from 10 to 50 with the line at 30.
TEST(ProgressChart, RunsOfGamesAreDrawnAsABandAroundTheirMean)
{
    std::vector<ProgressBucket> buckets;
    for (int game = 0; game < 3000; ++game)
        addGame(buckets, bucketOfGame({game % 2 == 0 ? 10 : 50, 100, 100, 0}));
    ProgressChart chart;
    chart.resize(504, 300);
    const QColor colour(215, 50, 140);
    chart.setSeries({{QStringLiteral("記録（秒）"), colour, ProgressChart::pointsOf(buckets, &ProgressBucket::seconds),
                      ProgressChart::Axis::Left}});
    ASSERT_EQ(chart.games(), 3000);
    ASSERT_LE(chart.series()[0].points.size(), static_cast<std::size_t>(maxProgressBuckets));
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
    EXPECT_GT(countNear(image, across(yAt(30)), colour, 30), width * 3 / 2);
    EXPECT_EQ(countNear(image, across(yAt(55)), shade, 12), 0);
}

// A long word from the history is cut by its list to the column's width (the columns never outgrow the list), and the
// chart's scales still end on a 1-2-5 step.
TEST_F(RecordsWindow, LongWordsAreElidedAndScalesEndOnNiceSteps)
{
    const std::u16string longWord(120, u'あ');
    save({{animals, SpeedLevel::Normal, 333, 700, 7, {missed(longWord, 1)}}});
    RecordsScreen* window = open();
    const auto words = rows(window, "missedWords");
    ASSERT_EQ(words.size(), 1u);
    auto* view = child<QTreeWidget>(window, "missedWords");
    EXPECT_EQ(view->textElideMode(), Qt::ElideRight);
    EXPECT_LE(view->header()->length(), view->viewport()->width());
    EXPECT_LT(view->columnWidth(0), QFontMetrics(view->font()).horizontalAdvance(words[0][0]));
    EXPECT_EQ(view->topLevelItem(0)->toolTip(0), QString::fromStdU16String(longWord));
    EXPECT_EQ(chartOf(window)->leftScale().ticks, (std::vector<double>{0, 100, 200, 300, 400}));

    EXPECT_EQ(niceTicks(0), (std::vector<double>{0, 1}));
    EXPECT_EQ(niceTicks(7), (std::vector<double>{0, 2, 4, 6, 8}));
    EXPECT_EQ(niceTicks(100), (std::vector<double>{0, 20, 40, 60, 80, 100}));
    EXPECT_EQ(niceTicks(0.3).size(), 4u); // 0, 0.1, 0.2, 0.3
}

// The window is laid out by its layouts: it can be resized, and with the window's font two points larger nothing is cut
// off: every control gets at least the size it asks for, the chart's labels fit its margins, and the heading still
// ends in the speed.
TEST_F(RecordsWindow, TheWindowLaysItselfOutAndClipsNothingWithALargerFont)
{
    save(prepared);
    RecordsScreen* window = open();
    EXPECT_LT(window->minimumSize().width(), window->maximumSize().width());
    EXPECT_LT(window->minimumSize().height(), window->maximumSize().height());
    const QSize before = chartOf(window)->size();
    window->resize(window->size() + QSize(200, 150));
    QCoreApplication::processEvents();
    EXPECT_GT(chartOf(window)->width(), before.width());
    EXPECT_GT(chartOf(window)->height(), before.height());

    for (int larger : {0, 2}) {
        SCOPED_TRACE(larger);
        QFont font = window->font();
        font.setPointSizeF(font.pointSizeF() + larger);
        window->setFont(font);
        QCoreApplication::processEvents(); // the layouts take the new font's sizes
        window->resize(window->minimumSize());
        QCoreApplication::processEvents();
        for (QWidget* control : window->findChildren<QWidget*>()) {
            if (!control->isVisible() || control->parentWidget() != window)
                continue;
            SCOPED_TRACE(control->objectName().toStdString());
            EXPECT_TRUE(window->rect().contains(control->geometry()));
            if (qobject_cast<QPushButton*>(control) || qobject_cast<QComboBox*>(control)) {
                EXPECT_GE(control->width(), control->sizeHint().width());
                EXPECT_GE(control->height(), control->sizeHint().height());
            }
            if (auto* label = qobject_cast<QLabel*>(control)) {
                EXPECT_GE(label->contentsRect().height(), label->fontMetrics().height());
                EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width());
            }
        }
        EXPECT_TRUE(text(window, "recordsHeading").endsWith(QStringLiteral("ふつう")));
        ProgressChart* chart = chartOf(window);
        const QFontMetrics metrics(chart->font());
        for (double tick : chart->leftScale().ticks)
            EXPECT_LE(metrics.horizontalAdvance(QString::number(tick)) + 4, chart->plotArea().left());
        for (double tick : chart->rightScale().ticks)
            EXPECT_LE(chart->plotArea().right() + 6 + metrics.horizontalAdvance(QString::number(tick)), chart->width());
        EXPECT_GE(chart->plotArea().top(), 2 * metrics.height());
        EXPECT_LE(chart->plotArea().bottom() + metrics.height(), chart->height());
    }
}

// Rows edited into impossible values are left out of every list and the chart, and the notice says some were.
TEST_F(RecordsWindow, ImpossibleRowsAreNeitherShownNorACrash)
{
    save(prepared);
    editByHand(file(), {
                           QStringLiteral("UPDATE games SET seconds = -7 WHERE seconds = 41"),
                           QStringLiteral("UPDATE games SET played_at = 'yesterday' WHERE seconds = 55"),
                           QStringLiteral("UPDATE games SET mistakes = keys + 1 WHERE seconds = 50"),
                           // The chart reads the runs of games kept for each list and speed beside the games.
                           QStringLiteral("UPDATE chart_buckets SET seconds_low = -7 WHERE seconds_sum = 41"),
                           QStringLiteral("UPDATE chart_buckets SET games = 2 WHERE seconds_sum = 55"),
                           QStringLiteral("UPDATE chart_buckets SET accuracy_high = 101 WHERE seconds_sum = 50"),
                           // The lists read the totals kept for each list beside the games.
                           QStringLiteral("UPDATE list_kana SET missed = typed + 5 WHERE kana = 'ね'"),
                           QStringLiteral("UPDATE list_words SET word = '' WHERE word = 'いぬ'"),
                           QStringLiteral("UPDATE list_words SET missed = 'many' WHERE word = 'うさぎ'"),
                       });
    RecordsScreen* window = open();
    EXPECT_EQ(chartOf(window)->series()[0].means(), (std::vector<double>{60, 48}));
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

// Bests are per way of typing: the window opens on the way of the list and speed's last game, and its chooser shows
// each way's games alone.
TEST_F(RecordsWindow, ItOpensOnTheWayOfTheLastGameAndTheChooserShowsEachWaysGames)
{
    std::vector<Game> games = prepared;
    games.push_back(
        {animals, SpeedLevel::Normal, 80, 100, 10, {clean(u"うさぎ")}, {}, true, false, TypingStyle::InputMethod});
    games.push_back({animals, SpeedLevel::Normal, 70, 100, 1, {clean(u"うさぎ")}, {}, false, false, TypingStyle::Kana});
    save(games);
    RecordsScreen* window = open();
    auto* chooser = child<QComboBox>(window, "styleChooser");
    ASSERT_EQ(chooser->count(), 3);
    EXPECT_EQ(chooser->currentText(), QStringLiteral("かな入力"));
    // The kana game was left unfinished: nothing on the chart, no best.
    EXPECT_EQ(chartOf(window)->games(), 0);
    EXPECT_TRUE(rows(window, "bestGames").empty());
    // The list's missed words are the list's, whatever the way.
    EXPECT_EQ(rows(window, "missedWords").size(), 2u);

    const auto pick = [&](const QString& way) {
        chooser->setCurrentIndex(chooser->findText(way));
        Q_EMIT chooser->activated(chooser->currentIndex());
    };
    pick(QStringLiteral("日本語入力システム"));
    EXPECT_EQ(chartOf(window)->series()[0].means(), (std::vector<double>{80}));
    pick(QStringLiteral("ローマ字入力"));
    EXPECT_EQ(chartOf(window)->games(), 5);
    // The speed chooser keeps the way chosen.
    auto* speeds = child<QComboBox>(window, "speedChooser");
    speeds->setCurrentIndex(speeds->findText(QStringLiteral("はやい")));
    Q_EMIT speeds->activated(speeds->currentIndex());
    EXPECT_EQ(chartOf(window)->games(), 2);
    EXPECT_EQ(chooser->currentText(), QStringLiteral("ローマ字入力"));

    // A list and speed with no game yet opens on romaji.
    EXPECT_EQ(child<QComboBox>(open(SpeedLevel::Slow), "styleChooser")->currentText(), QStringLiteral("ローマ字入力"));
}

// A drop from 100 % to 87 % must read as a drop: accuracy has a panel of its own below the chart, on 0 to 100 %,
// while the right axis is left to keys a minute however small they are.
TEST(ProgressChart, AccuracyHasAPanelOfItsOwnFromNoneToAll)
{
    ProgressChart chart;
    chart.resize(504, 300);
    const QColor green(60, 150, 50);
    const auto points = [](std::vector<double> values) {
        std::vector<ProgressChart::Point> out;
        for (double value : values)
            out.push_back({value, value, value, 1});
        return out;
    };
    chart.setSeries({{QStringLiteral("打/分"), QColor(0, 130, 200), points({20, 30}), ProgressChart::Axis::Right},
                     {QStringLiteral("正確さ"), green, points({100, 50}), ProgressChart::Axis::Percent}});
    EXPECT_EQ(chart.rightScale().ticks, (std::vector<double>{0, 10, 20, 30}));
    EXPECT_EQ(chart.percentScale().ticks, (std::vector<double>{0, 50, 100}));
    const QRectF plot = chart.plotArea();
    const QRectF panel = chart.percentArea();
    EXPECT_GT(panel.top(), plot.bottom());
    EXPECT_GE(panel.height(), 2 * QFontMetricsF(chart.font()).height());
    EXPECT_DOUBLE_EQ(chart.pointOf(0, 1).y(), plot.top());
    EXPECT_DOUBLE_EQ(chart.pointOf(1, 0).y(), panel.top());
    EXPECT_DOUBLE_EQ(chart.pointOf(1, 1).y(), panel.center().y());
    const QImage image = chart.grab().toImage();
    const double ratio = image.devicePixelRatio();
    for (std::size_t point : {0u, 1u}) {
        const QPoint at = (chart.pointOf(1, point) * ratio).toPoint();
        EXPECT_GT(countNear(image, QRect(at - QPoint(2, 2), at + QPoint(2, 2)), green, 30), 4) << point;
    }

    // Without a series in per cent there is no panel, and the chart has the whole height.
    chart.setSeries({{QStringLiteral("打/分"), QColor(0, 130, 200), points({20, 30}), ProgressChart::Axis::Right}});
    EXPECT_TRUE(chart.percentArea().isEmpty());
    EXPECT_GT(chart.plotArea().height(), plot.height() + panel.height());
}

// With 100,000 games the last number ran into 回目: at any count and width the numbers stand apart, from 1 onwards,
// the word after them, all inside the chart.
TEST(ProgressChart, TheGameNumbersNeverRunIntoEachOtherNorIntoTheWordAfterThem)
{
    for (int width : {300, 504, 900}) {
        for (int games : {1, 2, 5, 10, 11, 99, 101, 1000, 12345, 99999, 100000, 123456789}) {
            SCOPED_TRACE(std::to_string(width) + " wide, " + std::to_string(games) + " games");
            ProgressChart chart;
            chart.resize(width, 300);
            chart.setSeries({{QStringLiteral("記録（秒）"),
                              QColor(215, 50, 140),
                              {{50, 40, 60, games}},
                              ProgressChart::Axis::Left}});
            ASSERT_EQ(chart.games(), games);
            const auto labels = chart.gameLabels();
            ASSERT_GE(labels.size(), 2u);
            EXPECT_EQ(labels.front().text, QStringLiteral("1"));
            EXPECT_EQ(labels.back().text, QStringLiteral("回目"));
            if (games >= 2) {
                EXPECT_GE(labels.size(), 3u);
            }
            for (std::size_t at = 0; at < labels.size(); ++at) {
                EXPECT_GE(labels[at].rect.left(), 0);
                EXPECT_LE(labels[at].rect.right(), width);
                if (at > 0) {
                    EXPECT_LT(labels[at - 1].rect.right(), labels[at].rect.left()) << labels[at].text.toStdString();
                }
            }
            // The numbers cover the axis: the last stands past its middle.
            if (labels.size() > 2) {
                const int last = labels[labels.size() - 2].text.toInt();
                EXPECT_LE(last, games);
                EXPECT_GT(2LL * last, static_cast<long long>(games));
            }
        }
    }
}

// The 成績 window goes to the right of the title screen where the screen has room, else to its left, else over it;
// and always on the screen.
TEST(WindowPlacement, BesideWhereThereIsRoomElseOverAndAlwaysOnTheScreen)
{
    const QRect screen(0, 0, 1920, 1080);
    const QSize frame(836, 560);
    EXPECT_EQ(placedBeside(frame, QRect(100, 200, 836, 560), screen).topLeft(), QPoint(100 + 836 + 8, 200));
    EXPECT_EQ(placedBeside(frame, QRect(1000, 100, 836, 560), screen).topLeft(), QPoint(1000 - 8 - 836, 100));
    // Neither side: centred over it.
    EXPECT_EQ(placedBeside(frame, QRect(542, 260, 836, 560), screen).center(), QRect(542, 260, 836, 560).center());
    // Pushed back onto the screen, up from the bottom edge.
    EXPECT_EQ(placedBeside(frame, QRect(0, 900, 836, 560), screen), QRect(QPoint(844, 1080 - 560), frame));
    // A screen smaller than the window keeps its top left corner in view.
    EXPECT_EQ(placedBeside(frame, QRect(0, 0, 640, 480), QRect(0, 0, 800, 480)).topLeft(), QPoint(0, 0));
}
