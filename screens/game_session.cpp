#include "screens/game_session.h"

#include "platform/rnd.h"

#include <QDir>

namespace fururupo {

namespace {

QString wordFileIn(const QString& folder)
{
    return QDir::cleanPath(QDir(folder).absoluteFilePath(QStringLiteral("MSG.txt")));
}

} // namespace

GameSession::GameSession(const QString& wordFolder)
    : wordFilePath(wordFileIn(wordFolder)), game(idle, words, &rnd, wordFilePath.toStdU16String())
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
