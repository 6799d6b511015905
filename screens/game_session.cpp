#include "screens/game_session.h"

#include "platform/program_folder.h"
#include "platform/rnd.h"

namespace fururupo {

namespace {

std::filesystem::path wordFileIn(const std::optional<std::filesystem::path>& folder)
{
    if (!folder || folder->empty())
        return {};
    return *folder / "MSG.txt";
}

std::u16string shownPath(const std::filesystem::path& path)
{
    return path.empty() ? std::u16string(u"（実行ファイルのフォルダがわかりません）") : displayPath(path);
}

} // namespace

GameSession::GameSession(const std::optional<std::filesystem::path>& wordFolder)
    : wordFilePath(wordFileIn(wordFolder)), wordFileText(shownPath(wordFilePath)), game(idle, words, &rnd, wordFileText)
{
}

void GameSession::attach(GameDisplay& display)
{
    current = &display;
    game.setDisplay(display);
}

void GameSession::detach(GameDisplay& display)
{
    if (current != &display)
        return;
    current = &idle;
    game.setDisplay(idle);
}

} // namespace fururupo
