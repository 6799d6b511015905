#include "screens/notices.h"

#include "player/list_choice.h"
#include "player/settings.h"

#include "screen_test_support.h"

using namespace fururupo;

namespace {

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
