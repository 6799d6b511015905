#include "screen_test_support.h"

#include "screens/game_app.h"
#include "screens/title_screen.h"

#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

namespace fururupo {
namespace {

using namespace testing;

class TitleWindow : public ::testing::Test
{
protected:
    void TearDown() override { closeAllWindows(); }

    TitleScreen* open() { return app.showTitle(); }

    static std::vector<bool> heartsShown(QWidget* form)
    {
        std::vector<bool> shown;
        for (int i = 0; i < 10; ++i)
            shown.push_back(child<QLabel>(form, QStringLiteral("Image2_%1").arg(i).toLatin1())->isVisible());
        return shown;
    }

    WordFolder words{{{QStringLiteral("さくら"), QStringLiteral("はるに さく はな")}}};
    GameApp app{words.folder()};
    ProcessEndRecorder ends;
};

TEST_F(TitleWindow, OpensWithEveryHeartLitNormalSpeedChosenAndStartFocused)
{
    TitleScreen* form = open();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Form1"));
    EXPECT_EQ(form->size(), QSize(470, 295));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_EQ(heartsShown(form), std::vector<bool>(10, true));
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(text(form, QStringLiteral("Label2_%1").arg(i).toLatin1()), QStringLiteral("★"));
    EXPECT_FALSE(child<QRadioButton>(form, "Option1_0")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(form, "Option1_1")->isChecked());
    EXPECT_FALSE(child<QRadioButton>(form, "Option1_2")->isChecked());
    EXPECT_EQ(text(form, "Option1_0"), QStringLiteral("おそい"));
    EXPECT_EQ(text(form, "Option1_2"), QStringLiteral("はやい"));
    EXPECT_EQ(form->focusWidget(), child<QWidget>(form, "Command1"));
    EXPECT_EQ(form->blinkPhase, 0);
    EXPECT_EQ(child<QTimer>(form, "Timer1")->interval(), 500);
    EXPECT_TRUE(running(form, "Timer1"));
    // The picture buttons carry their bitmap and no caption.
    auto* start = child<QPushButton>(form, "Command1");
    EXPECT_TRUE(start->text().isEmpty());
    EXPECT_FALSE(start->icon().isNull());
    EXPECT_EQ(start->iconSize(), QSize(121, 40));
}

// The banner and hearts are set by the window rather than its design, and the hearts come scaled once: each must look
// exactly as a label stretching the picture file to its own size would show it.
TEST_F(TitleWindow, TheBannerAndEveryHeartLookAsTheirStretchedPictureFiles)
{
    TitleScreen* form = open();
    // What a label paints by itself, on a transparent ground.
    const auto painted = [](QLabel& label) {
        QImage image(label.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        label.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
        return image;
    };
    const auto shownLike = [&](QLabel* label, const QString& file) {
        QLabel plain;
        plain.setScaledContents(true);
        plain.setPixmap(QPixmap::fromImage(QImage(file)));
        plain.resize(label->size());
        return painted(plain) == painted(*label);
    };
    auto* banner = child<QLabel>(form, "Image1");
    EXPECT_EQ(banner->size(), QSize(388, 80));
    EXPECT_TRUE(shownLike(banner, QStringLiteral(FURURUPO_ASSETS_DIR "/title.gif")));
    for (int i = 0; i < 10; ++i) {
        auto* heart = child<QLabel>(form, QStringLiteral("Image2_%1").arg(i).toLatin1());
        EXPECT_EQ(heart->size(), QSize(33, 33)) << i;
        EXPECT_TRUE(shownLike(heart, QStringLiteral(FURURUPO_ASSETS_DIR "/heart.gif"))) << i;
    }
}

// The first paint loads a font file for every face it draws in (several megabytes and milliseconds each): a caption
// or star that names another face, or keeps the default Latin one, brings that cost back.
TEST_F(TitleWindow, EveryCaptionAndStarIsDrawnInTheOneJapaneseFace)
{
    TitleScreen* form = open();
    int controls = 0;
    for (QWidget* control : form->findChildren<QWidget*>()) {
        const auto* label = qobject_cast<QLabel*>(control);
        if ((label && label->pixmap().isNull()) || qobject_cast<QAbstractButton*>(control) ||
            qobject_cast<QComboBox*>(control)) {
            EXPECT_EQ(QFontInfo(control->font()).family(), QStringLiteral("Noto Sans CJK JP")) << control->objectName();
            ++controls;
        }
    }
    // Ten stars, the notice line, three speeds, START, EXIT, 成績, 設定, the list chooser and its caption.
    EXPECT_EQ(controls, 20);
}

TEST_F(TitleWindow, BlinkHidesTheEvenHeartsThenTheOddOnesInTurn)
{
    TitleScreen* form = open();
    const std::vector<bool> oddLit{false, true, false, true, false, true, false, true, false, true};
    std::vector<bool> evenLit;
    for (bool lit : oddLit)
        evenLit.push_back(!lit);

    tick(form, "Timer1");
    EXPECT_EQ(heartsShown(form), oddLit);
    EXPECT_EQ(form->blinkPhase, 1);
    tick(form, "Timer1");
    EXPECT_EQ(heartsShown(form), evenLit);
    EXPECT_EQ(form->blinkPhase, 0);
    tick(form, "Timer1");
    EXPECT_EQ(heartsShown(form), oddLit);
}

TEST_F(TitleWindow, LooksPinkAndAHiddenHeartUncoversItsYellowStar)
{
    TitleScreen* form = open();
    const QImage lit = form->grab().toImage();
    EXPECT_EQ(lit.pixelColor(2, 2), QColor(255, 192, 255));
    EXPECT_EQ(lit.pixelColor(466, 150), QColor(255, 192, 255));
    const QRect heart0 = child<QWidget>(form, "Image2_0")->geometry();
    const QColor yellow(255, 255, 0);
    const int yellowWhileLit = countNear(lit, heart0, yellow);

    tick(form, "Timer1");
    const int yellowWhileHidden = countNear(form->grab().toImage(), heart0, yellow);
    EXPECT_GT(yellowWhileHidden, 40);
    EXPECT_GT(yellowWhileHidden, 3 * yellowWhileLit);
}

TEST_F(TitleWindow, StartOpensTheGameAtTheChosenSpeedAndClosesItself)
{
    const struct
    {
        const char* option;
        QString caption;
        int limit;
    } speeds[] = {{"Option1_0", QStringLiteral("おそい"), 19},
                  {"Option1_1", QStringLiteral("ふつう"), 14},
                  {"Option1_2", QStringLiteral("はやい"), 4}};
    for (const auto& speed : speeds) {
        SCOPED_TRACE(speed.option);
        QPointer<TitleScreen> form = open();
        click(form, speed.option);
        click(form, "Command1");
        flushDeletes();
        EXPECT_TRUE(form.isNull());
        const auto games = openWindows(QStringLiteral("Form2"));
        ASSERT_EQ(games.size(), 1u);
        QWidget* game = games.front();
        EXPECT_EQ(text(game, "Label1"), speed.caption);

        tick(game, "Timer1", 4);
        tick(game, "Timer2");
        EXPECT_EQ(text(game, "Label4"), QStringLiteral("さくら"));
        tick(game, "Timer2", speed.limit - 1);
        EXPECT_EQ(text(game, "Label4"), QStringLiteral("さくら"));
        tick(game, "Timer2");
        EXPECT_EQ(text(game, "Label4"), QStringLiteral("お時間になりました。"));
        closeAllWindows();
    }
}

TEST_F(TitleWindow, ExitSaysFarewellAndEndsTheProgram)
{
    TitleScreen* form = open();
    MessageBoxAnswerer answerer;
    click(form, "Command2");
    ASSERT_EQ(answerer.seen.size(), 1u);
    const auto& farewell = answerer.seen.front();
    EXPECT_EQ(farewell.title, QStringLiteral("ふるるぽ"));
    EXPECT_EQ(farewell.text,
              QStringLiteral("\r\n     ありがとうございました。    \r\n またのご来店お待ちしております。"));
    EXPECT_EQ(farewell.icon, QMessageBox::NoIcon);
    EXPECT_EQ(farewell.buttonCount, 1);
    EXPECT_EQ(farewell.windowsBehind, QStringList{QStringLiteral("Form1")});
    EXPECT_EQ(ends.statuses, std::vector<int>{0});
}

// START runs the word-list load, which lets other clicks in: a second START must not open a second game screen, and
// EXIT must wait until the title screen is done starting rather than end the program under it.
TEST_F(TitleWindow, ClicksArrivingWhileStartLoadsTheWordsWaitForIt)
{
    std::vector<WordFolder::Entry> many(60, {QStringLiteral("ねこ"), QStringLiteral("どうぶつ")});
    words.write(many);
    QPointer<TitleScreen> form = open();
    MessageBoxAnswerer answerer;
    postClick(form, "Command1");
    postClick(form, "Command2");
    click(form, "Command1");

    EXPECT_EQ(existingWindows(QStringLiteral("Form2")).size(), 1u);
    EXPECT_EQ(openWindows(QStringLiteral("Form2")).size(), 1u);
    EXPECT_TRUE(openWindows(QStringLiteral("Form1")).empty());
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen.front().text, TitleScreen::farewellText());
    EXPECT_EQ(answerer.seen.front().windowsBehind, QStringList{QStringLiteral("Form2")});
    EXPECT_EQ(ends.statuses, std::vector<int>{0});
    flushDeletes();
    EXPECT_TRUE(form.isNull());
}

} // namespace
} // namespace fururupo
