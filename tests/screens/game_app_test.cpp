#include "screens/game_app.h"
#include "screens/game_screen.h"
#include "screens/input_box.h"
#include "screens/title_screen.h"

#include "screen_test_support.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>

using namespace fururupo;
using namespace fururupo::testing;

namespace {

// The list hashes the history holds, read from outside the game.
QStringList keptListHashes(const QString& file)
{
    QStringList hashes;
    {
        auto db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("owner-test"));
        db.setDatabaseName(file);
        db.open();
        QSqlQuery query(db);
        query.exec(QStringLiteral("SELECT list_hash FROM games"));
        while (query.next())
            hashes << query.value(0).toString();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("owner-test"));
    return hashes;
}

// Plays the word on show: its kana, then Enter.
void answerWord(QWidget* form)
{
    tick(form, "Timer2");
    auto* box = child<InputBox>(form, "Text1");
    typeText(box, text(form, "Label4"));
    pressKey(box, Qt::Key_Return);
}

} // namespace

// The game is filed under the very bytes its load read: an edit that lands while the list loads (the load lets
// events in) must not file it under content that was never played.
TEST(GameApp, AGameIsKeptUnderTheContentItPlayed)
{
    WordFolder words{{{QStringLiteral("ねこ"), QStringLiteral("にゃあ")}}};
    QTemporaryDir data;
    const QString records = data.filePath(QStringLiteral("records.sqlite3"));
    GameApp app(ListFolders{words.folder(), {}}, QString(), records);
    QFile list(QDir(words.path()).filePath(QStringLiteral("MSG.txt")));
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    const QByteArray played = list.readAll();
    list.close();
    ProcessEndRecorder ends;
    // Runs at the load's first yield, once the first block of the file has been read.
    QTimer::singleShot(0, [&] { words.write({{QStringLiteral("いぬ"), QStringLiteral("わん")}}); });
    GameScreen* form = app.startGame(false, true, false);
    tick(form, "Timer1", 4);
    answerWord(form);
    ASSERT_EQ(text(form, "Label2"), QStringLiteral("★"));
    click(form, "Label3");
    flushDeletes();
    EXPECT_EQ(keptListHashes(records),
              QStringList{QString::fromLatin1(QCryptographicHash::hash(played, QCryptographicHash::Sha256).toHex())});
    closeAllWindows();
}

// 帰る keeps the game left before the title screen shows, so that the title screen can say when it could not be kept;
// the game screen goes, and the title screen comes back with the speed it always has.
TEST(GameApp, LeavingAGameThatCannotBeKeptSaysSoOnTheTitleScreen)
{
    WordFolder words{{{QStringLiteral("ねこ"), QStringLiteral("にゃあ")}}};
    QTemporaryDir data;
    // A folder where the history's file should be: nothing can be kept there.
    const QString records = data.filePath(QStringLiteral("records.sqlite3"));
    ASSERT_TRUE(QDir().mkpath(records));
    GameApp app(ListFolders{words.folder(), {}}, QString(), records);
    ProcessEndRecorder ends;
    TitleScreen* title = app.showTitle();
    ASSERT_EQ(text(title, "listNotice"), QString());
    click(title, "Command1");
    flushDeletes();
    QWidget* form = openWindows(QStringLiteral("Form2")).at(0);
    tick(form, "Timer1", 4);
    answerWord(form);
    click(form, "Label3");
    flushDeletes();
    EXPECT_TRUE(openWindows(QStringLiteral("Form2")).empty());
    const auto titles = openWindows(QStringLiteral("Form1"));
    ASSERT_EQ(titles.size(), 1u);
    EXPECT_FALSE(child<QLabel>(titles.front(), "listNotice")->toolTip().isEmpty());
    EXPECT_TRUE(child<QLabel>(titles.front(), "listNotice")->toolTip().contains(records));
    closeAllWindows();
}
