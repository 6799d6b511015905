#pragma once

#include "logic/game_tally.h"
#include "logic/typing_game.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <vector>

namespace fururupo {

// One game as it is kept.
struct GameRecord
{
    QDateTime playedAt;  // when it ended, kept in UTC
    QString listPath;    // the list file played, as an absolute path
    QString listName;    // the list's name as the title screen shows it
    QByteArray listHash; // the list's identity (ListIdentity) as it was played: an edited list is a new list
    SpeedLevel speed = SpeedLevel::Normal;
    bool finished = false;    // all 21 words; false for a game left or started again after at least one word
    bool practice = false;    // a practice game on missed words
    std::int32_t seconds = 0; // the record, or the seconds played when left
    std::int32_t keys = 0;
    std::int32_t mistakes = 0;
    std::vector<WordOutcome> words;
    std::vector<KanaCount> kana;
};

} // namespace fururupo
