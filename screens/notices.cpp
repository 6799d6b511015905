#include "screens/notices.h"

#include "platform/program_folder.h"
#include "player/list_choice.h"
#include "player/settings.h"
#include "screens/text_and_placement.h"

namespace fururupo {

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

} // namespace fururupo
