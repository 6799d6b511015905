#include "screens/notices.h"

#include "platform/program_folder.h"
#include "player/list_choice.h"
#include "player/settings.h"
#include "screens/text_and_placement.h"
#include "sound/sound_player.h"

namespace fururupo {
namespace {

using Kind = RecordsProblem::Kind;
using Action = RecordsProblem::Action;

// The verb of an action in 「成績を%1できませんでした」.
QString verbOf(Action action)
{
    switch (action) {
    case Action::Forgetting:
        return QStringLiteral("消去");
    case Action::Reading:
        return QStringLiteral("読み込み");
    case Action::Opening:
    case Action::Saving:
        break;
    }
    return QStringLiteral("保存");
}

// The driver's own words after the sentence, in brackets, when it gave any.
QString withDetail(const QString& line, const QString& detail)
{
    return detail.trimmed().isEmpty() ? line : line + QStringLiteral("（%1）").arg(detail.trimmed());
}

} // namespace

QString sentenceOf(const ListProblem& problem)
{
    using Kind = ListProblem::Kind;
    const QString path = qtext(displayPath(problem.path));
    switch (problem.kind) {
    case Kind::None:
        return {};
    case Kind::NotFound:
        return QStringLiteral("ファイルが見つかりません：") + path;
    case Kind::Folder:
        return QStringLiteral("フォルダーは単語リストにできません：") + path;
    case Kind::NotRegular:
        return QStringLiteral("ふつうのファイルではないので単語リストにできません：") + path;
    case Kind::CannotOpen:
        return QStringLiteral("ファイルを開けないので単語リストにできません：") + path;
    case Kind::TooLarge:
        return QStringLiteral("16 MiB を超えるファイルは単語リストにできません：") + path;
    case Kind::RememberedGone:
        return QStringLiteral("前に選んだ単語リストが見つからないので、MSG.txt で遊びます：") + path;
    case Kind::RememberedUnusable:
        return QStringLiteral("前に選んだ単語リストが使えないので、MSG.txt で遊びます：") + path;
    case Kind::ChosenGone:
        return QStringLiteral("選んだ単語リストが見つからないので、MSG.txt で遊びます：") + path;
    case Kind::ChosenUnusable:
        return QStringLiteral("選んだ単語リストが使えないので、MSG.txt で遊びます：") + path;
    }
    return {};
}

QString sentenceOf(const SettingsProblem& problem)
{
    using Kind = SettingsProblem::Kind;
    switch (problem.kind) {
    case Kind::None:
        return {};
    case Kind::MovedAside:
        return QStringLiteral("設定ファイルが壊れていたので別の名前で残し、新しく始めます：") + problem.aside;
    case Kind::CannotMoveAside:
        return QStringLiteral(
                   "設定ファイルが壊れていて別の名前に移せないので、選んだ単語リストや設定を覚えておけません：") +
               problem.path;
    case Kind::Unreadable:
        return QStringLiteral("設定ファイルを読めないので、前に選んだ単語リストや設定がわかりません：") + problem.path;
    case Kind::NotKept:
        return QStringLiteral("選んだ単語リストや設定を次回のために覚えておけませんでした：") + problem.path;
    }
    return {};
}

QString sentenceOf(const RecordsProblem& problem)
{
    const QString& path = problem.path;
    switch (problem.kind) {
    case Kind::None:
        return {};
    case Kind::MovedAside:
        return QStringLiteral("成績のファイルが壊れていたので %1 に移し、新しく始めました。").arg(problem.aside);
    case Kind::CannotMoveAside:
        return QStringLiteral("成績のファイルが壊れていて、よけることもできません。この回の成績は保存しません：") +
               path;
    case Kind::NewerVersion:
        return QStringLiteral("成績のファイルは新しい版のふるるぽで作られています。この版では成績を保存しません：") +
               path;
    case Kind::ReadOnly:
        return QStringLiteral("成績のファイルに書き込めないので、成績は%1しません：").arg(verbOf(problem.action)) +
               path;
    case Kind::DiskFull:
        return QStringLiteral("ディスクがいっぱいで、成績を%1できませんでした：").arg(verbOf(problem.action)) + path;
    case Kind::Busy:
        if (problem.action == Action::Saving)
            return QStringLiteral("成績のファイルがほかのプログラムに使われています。この成績は、使えるようになりしだい"
                                  "保存します：") +
                   path;
        return QStringLiteral("成績のファイルがほかのプログラムに使われていて、成績を%1できませんでした：")
                   .arg(verbOf(problem.action)) +
               path;
    case Kind::SpecialFile:
        return QStringLiteral(
                   "成績のファイルの場所に、ふつうのファイルでないものがあります。この回の成績は保存しません：") +
               path;
    case Kind::NoFolder:
        return QStringLiteral("成績のフォルダを作れません。この回の成績は保存しません：") + path;
    case Kind::Uncreatable:
        return withDetail(QStringLiteral("成績のファイルを作れません。この回の成績は保存しません：") + path,
                          problem.detail);
    case Kind::Unopenable:
        return withDetail(QStringLiteral("成績のファイルを開けません。この回の成績は保存しません：") + path,
                          problem.detail);
    case Kind::Damaged:
        return QStringLiteral("成績のファイルが壊れていて、成績を%1できませんでした：").arg(verbOf(problem.action)) +
               path;
    case Kind::Impossible:
        return QStringLiteral("ありえない値のある成績なので、保存しませんでした：") + path;
    case Kind::Failed:
        return withDetail(QStringLiteral("成績を%1できませんでした：").arg(verbOf(problem.action)) + path,
                          problem.detail);
    case Kind::NoDriver:
        return QStringLiteral("成績を保存するための SQLite が見つかりません。この回の成績は保存しません。");
    }
    return {};
}

QString sentenceOf(const SoundFault& fault)
{
    switch (fault.kind) {
    case SoundFault::Kind::None:
        return {};
    case SoundFault::Kind::NoLibrary:
        return QStringLiteral("音を出すためのライブラリ（libpulse）が見つからないので、音なしで遊びます。");
    case SoundFault::Kind::NoServer:
        return QStringLiteral("音を出せないので、音なしで遊びます（サウンドサーバーが見つかりません）。"
                              "次のゲームでもう一度試します。");
    case SoundFault::Kind::Lost:
        return QStringLiteral("ゲームの途中で音が出なくなったので、音なしで続けました。次のゲームでもう一度試します。");
    }
    return {};
}

QString historyUnreadableSentence()
{
    return QStringLiteral("成績を読めませんでした。");
}

QString newerHistorySentence()
{
    return QStringLiteral("新しい版のふるるぽの成績なので、読めません。");
}

QString skippedRowsSentence(std::int64_t rows)
{
    return QStringLiteral("読めない記録が %1 件ありました（表示していません）。").arg(rows);
}

QString nothingToPractiseSentence()
{
    return QStringLiteral("練習する言葉がありません。");
}

QString couldNotForgetSentence()
{
    return QStringLiteral("成績を消せませんでした。");
}

} // namespace fururupo
