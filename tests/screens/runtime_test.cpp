#include "screen_test_support.h"

#include "platform/checked.h"
#include "screens/application.h"
#include "screens/game_app.h"
#include "screens/game_screen.h"
#include "screens/text_and_placement.h"

#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QTimer>

namespace fururupo {
namespace {

using namespace testing;

// An object whose every event handler fails, as a game operation does on an overflow.
class Failing : public QObject
{
public:
    explicit Failing(std::function<void()> fail) : fail(std::move(fail)) {}
    bool event(QEvent*) override
    {
        fail();
        return true;
    }

private:
    std::function<void()> fail;
};

// A run-time error of the rules raised in a clock's slot never travels through Qt's dispatch: the guard catches it, the
// slot returns, and the error box comes afterwards from the event loop, with every clock stopped behind it; then the
// program ends with status 1.
TEST(Runtime, AnErrorInAClockSlotIsShownFromTheEventLoopThenEndsTheProgram)
{
    WordFolder words{{{QStringLiteral("さくら"), QStringLiteral("はな")}}};
    GameApp app(words.folder());
    auto* game = app.startGame(false, true, false);
    ProcessEndRecorder ends;
    MessageBoxAnswerer answerer;

    QTimer clock;
    clock.setSingleShot(true);
    int slotsReturned = 0;
    std::size_t boxesDuringTheSlot = 99;
    QObject::connect(&clock, &QTimer::timeout, [&] {
        guarded([] { throw RuntimeError(RuntimeError::Kind::Overflow); });
        boxesDuringTheSlot = answerer.seen.size();
        ++slotsReturned;
    });
    clock.start(0);
    for (int pass = 0; pass < 1000 && answerer.seen.empty(); ++pass)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    EXPECT_EQ(slotsReturned, 1);
    EXPECT_EQ(boxesDuringTheSlot, 0u);
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_TRUE(answerer.seen[0].text.contains(QString::fromUtf8(RuntimeError(RuntimeError::Kind::Overflow).what())))
        << answerer.seen[0].text;
    EXPECT_EQ(answerer.seen[0].icon, QMessageBox::Critical);
    EXPECT_EQ(ends.statuses, std::vector<int>{1});
    EXPECT_FALSE(running(game, "Timer1"));
    closeAllWindows();
}

// The last resort, for anything else that escapes a handler: the same box and the same end.
TEST(Runtime, AnErrorEscapingAHandlerIsShownThenEndsTheProgramWithAFailure)
{
    WordFolder words{{{QStringLiteral("さくら"), QStringLiteral("はな")}}};
    GameApp app(words.folder());
    auto* game = app.startGame(false, true, false);
    ProcessEndRecorder ends;
    MessageBoxAnswerer answerer;

    Failing overflow([] { throw RuntimeError(RuntimeError::Kind::Overflow); });
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&overflow, &event);
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_TRUE(answerer.seen[0].text.contains(QString::fromUtf8(RuntimeError(RuntimeError::Kind::Overflow).what())))
        << answerer.seen[0].text;
    EXPECT_EQ(answerer.seen[0].icon, QMessageBox::Critical);
    EXPECT_EQ(ends.statuses, std::vector<int>{1});
    // Nothing ticks behind the message.
    EXPECT_FALSE(running(game, "Timer1"));

    Failing other([] { throw std::out_of_range("index"); });
    QCoreApplication::sendEvent(&other, &event);
    ASSERT_EQ(answerer.seen.size(), 2u);
    EXPECT_TRUE(answerer.seen[1].text.contains(QStringLiteral("index")));
    EXPECT_EQ(ends.statuses, (std::vector<int>{1, 1}));
    closeAllWindows();
}

TEST(Runtime, ThePopFaceFallsBackOnInstalledJapaneseFaces)
{
    // Qt keeps substitute names in lower case.
    const QStringList substitutes = QFont::substitutes(QStringLiteral("HG創英角ﾎﾟｯﾌﾟ体"));
    EXPECT_EQ(substitutes, (QStringList{QStringLiteral("rocknroll one"), QStringLiteral("noto sans cjk jp")}));
    const auto isSubstitute = [&](const QFont& font) {
        return substitutes.contains(QFontInfo(font).family(), Qt::CaseInsensitive);
    };

    WordFolder words{{{QStringLiteral("さくら"), QStringLiteral("はな")}}};
    GameApp app(words.folder());
    GameScreen& game = *app.startGame(false, true, false);
    auto* prompt = child<QLabel>(&game, "Label4");
    EXPECT_EQ(prompt->font().family(), QStringLiteral("HG創英角ﾎﾟｯﾌﾟ体"));
    EXPECT_EQ(prompt->font().pointSizeF(), 36.0);
    EXPECT_TRUE(prompt->font().italic());
    EXPECT_TRUE(isSubstitute(prompt->font())) << QFontInfo(prompt->font()).family();
    auto* stars = child<QLabel>(&game, "Label2");
    stars->ensurePolished();
    EXPECT_EQ(stars->font().pointSizeF(), 20.25);
    EXPECT_TRUE(isSubstitute(stars->font())) << QFontInfo(stars->font()).family();
}

// The pictures are decoded at build time into the game itself: each must show exactly what a picture reader makes
// of its file, and a name that is not one of them must give nothing rather than another picture.
TEST(Runtime, EveryBundledPictureShowsItsFileExactly)
{
    for (const char* name : {"title.gif", "heart.gif", "start.bmp", "exit.bmp", "fururupo.png"}) {
        const QImage shown = bundledPicture(name).toImage();
        const QImage file(QStringLiteral(FURURUPO_ASSETS_DIR "/") + QString::fromLatin1(name));
        ASSERT_FALSE(file.isNull()) << name;
        EXPECT_EQ(shown, QPixmap::fromImage(file).toImage()) << name;
    }
    EXPECT_EQ(bundledPicture("title.gif").size(), QSize(388, 80));
    EXPECT_EQ(bundledPicture("heart.gif").size(), QSize(50, 50));
    EXPECT_TRUE(bundledPicture("title").isNull());
    EXPECT_TRUE(bundledPicture("").isNull());
}

TEST(Runtime, QtsOwnWordsAreJapanese)
{
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("キャンセル"));
    EXPECT_EQ(QLocale().language(), QLocale::Japanese);
}

} // namespace
} // namespace fururupo
