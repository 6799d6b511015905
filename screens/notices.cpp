#include "screens/notices.h"

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
