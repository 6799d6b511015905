// Every sentence the player can read about lists, settings and the history file, checked once, where it is worded.
#include "screens/notices.h"

#include "player/list_choice.h"
#include "player/settings.h"

#include "screen_test_support.h"

#include <vector>

using namespace fururupo;

namespace {

using Kind = RecordsProblem::Kind;
using Action = RecordsProblem::Action;

const QString path = QStringLiteral("/home/player/.local/share/fururupo/records.sqlite3");

TEST(Notices, EachKindOfHistoryProblemReadsAsItsSentence)
{
    struct Case
    {
        Kind kind;
        Action action;
        QString detail;
        QString sentence;
    };
    const QString aside = path + QStringLiteral(".broken-20260101-120000");
    const std::vector<Case> cases = {
        {Kind::None, Action::Saving, {}, {}},
        {Kind::MovedAside,
         Action::Reading,
         {},
         QStringLiteral("成績のファイルが壊れていたので ") + aside + QStringLiteral(" に移し、新しく始めました。")},
        {Kind::CannotMoveAside,
         Action::Opening,
         {},
         QStringLiteral("成績のファイルが壊れていて、よけることもできません。この回の成績は保存しません：") + path},
        {Kind::NewerVersion,
         Action::Opening,
         {},
         QStringLiteral("成績のファイルは新しい版のふるるぽで作られています。この版では成績を保存しません：") + path},
        {Kind::ReadOnly,
         Action::Opening,
         {},
         QStringLiteral("成績のファイルに書き込めないので、成績は保存しません：") + path},
        {Kind::ReadOnly,
         Action::Forgetting,
         {},
         QStringLiteral("成績のファイルに書き込めないので、成績は消去しません：") + path},
        {Kind::DiskFull, Action::Saving, QStringLiteral("database or disk is full"),
         QStringLiteral("ディスクがいっぱいで、成績を保存できませんでした：") + path},
        {Kind::DiskFull,
         Action::Forgetting,
         {},
         QStringLiteral("ディスクがいっぱいで、成績を消去できませんでした：") + path},
        {Kind::Busy, Action::Saving, QStringLiteral("database is locked"),
         QStringLiteral(
             "成績のファイルがほかのプログラムに使われています。この成績は、使えるようになりしだい保存します：") +
             path},
        {Kind::Busy,
         Action::Forgetting,
         {},
         QStringLiteral("成績のファイルがほかのプログラムに使われていて、成績を消去できませんでした：") + path},
        {Kind::Busy,
         Action::Reading,
         {},
         QStringLiteral("成績のファイルがほかのプログラムに使われていて、成績を読み込みできませんでした：") + path},
        {Kind::SpecialFile,
         Action::Opening,
         {},
         QStringLiteral("成績のファイルの場所に、ふつうのファイルでないものがあります。この回の成績は保存しません：") +
             path},
        {Kind::NoFolder,
         Action::Opening,
         {},
         QStringLiteral("成績のフォルダを作れません。この回の成績は保存しません：") + path},
        {Kind::Uncreatable, Action::Opening, QStringLiteral("unable to open database file"),
         QStringLiteral("成績のファイルを作れません。この回の成績は保存しません：") + path +
             QStringLiteral("（unable to open database file）")},
        {Kind::Unopenable,
         Action::Opening,
         {},
         QStringLiteral("成績のファイルを開けません。この回の成績は保存しません：") + path},
        {Kind::Damaged,
         Action::Saving,
         {},
         QStringLiteral("成績のファイルが壊れていて、成績を保存できませんでした：") + path},
        {Kind::Impossible,
         Action::Saving,
         {},
         QStringLiteral("ありえない値のある成績なので、保存しませんでした：") + path},
        {Kind::Failed, Action::Reading, QStringLiteral("disk I/O error"),
         QStringLiteral("成績を読み込みできませんでした：") + path + QStringLiteral("（disk I/O error）")},
        {Kind::NoDriver,
         Action::Opening,
         {},
         QStringLiteral("成績を保存するための SQLite が見つかりません。この回の成績は保存しません。")},
    };
    for (const Case& c : cases) {
        const RecordsProblem problem{c.kind, c.action, path, aside, c.detail};
        EXPECT_EQ(sentenceOf(problem), c.sentence) << static_cast<int>(c.kind) << " " << static_cast<int>(c.action);
    }
    EXPECT_EQ(historyUnreadableSentence(), QStringLiteral("成績を読めませんでした。"));
    EXPECT_EQ(newerHistorySentence(), QStringLiteral("新しい版のふるるぽの成績なので、読めません。"));
    EXPECT_EQ(skippedRowsSentence(3), QStringLiteral("読めない記録が 3 件ありました（表示していません）。"));
    EXPECT_EQ(nothingToPractiseSentence(), QStringLiteral("練習する言葉がありません。"));
    EXPECT_EQ(couldNotForgetSentence(), QStringLiteral("成績を消せませんでした。"));
}


// Each sentence the player reads about lists and settings, worded once here from its kind and facts.
TEST(Notices, EveryKindOfListAndSettingsProblemHasItsSentence)
{
    using List = ListProblem::Kind;
    const std::filesystem::path path = "/home/player/lists/caf\xe9.tsv";
    const QString shown = QStringLiteral("/home/player/lists/caf\uFFFD.tsv");
    const std::vector<std::pair<List, QString>> lists = {
        {List::None, QString()},
        {List::NotFound, QStringLiteral("ファイルが見つかりません：") + shown},
        {List::Folder, QStringLiteral("フォルダーは単語リストにできません：") + shown},
        {List::NotRegular, QStringLiteral("ふつうのファイルではないので単語リストにできません：") + shown},
        {List::CannotOpen, QStringLiteral("ファイルを開けないので単語リストにできません：") + shown},
        {List::TooLarge, QStringLiteral("16 MiB を超えるファイルは単語リストにできません：") + shown},
        {List::RememberedGone, QStringLiteral("前に選んだ単語リストが見つからないので、MSG.txt で遊びます：") + shown},
        {List::RememberedUnusable, QStringLiteral("前に選んだ単語リストが使えないので、MSG.txt で遊びます：") + shown},
        {List::ChosenGone, QStringLiteral("選んだ単語リストが見つからないので、MSG.txt で遊びます：") + shown},
        {List::ChosenUnusable, QStringLiteral("選んだ単語リストが使えないので、MSG.txt で遊びます：") + shown},
    };
    for (const auto& [kind, sentence] : lists)
        EXPECT_EQ(sentenceOf(ListProblem{kind, path}), sentence) << static_cast<int>(kind);

    using Settings = SettingsProblem::Kind;
    const QString file = QStringLiteral("/home/player/.config/fururupo/fururupo.conf");
    const QString aside = file + QStringLiteral(".broken-20261209-120000");
    const std::vector<std::pair<Settings, QString>> settings = {
        {Settings::None, QString()},
        {Settings::MovedAside, QStringLiteral("設定ファイルが壊れていたので別の名前で残し、新しく始めます：") + aside},
        {Settings::CannotMoveAside,
         QStringLiteral("設定ファイルが壊れていて別の名前に移せないので、選んだ単語リストや設定を覚えておけません：") +
             file},
        {Settings::Unreadable,
         QStringLiteral("設定ファイルを読めないので、前に選んだ単語リストや設定がわかりません：") + file},
        {Settings::NotKept, QStringLiteral("選んだ単語リストや設定を次回のために覚えておけませんでした：") + file},
    };
    for (const auto& [kind, sentence] : settings)
        EXPECT_EQ(sentenceOf(SettingsProblem{kind, file, aside, QStringLiteral("detail for the log")}), sentence)
            << static_cast<int>(kind);
}

} // namespace
