#pragma once

#include "logic/game_tally.h"
#include "logic/key_slips.h"
#include "logic/typing_game.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <vector>

namespace fururupo {

// One game as it is kept. Its score is not given: the store works it out from the counts (GameCounts::score), as the
// results do.
struct GameRecord
{
    QDateTime playedAt;  // when it ended, kept in UTC
    QString listPath;    // the list file played, as an absolute path
    QString listName;    // the list's name as the title screen shows it
    QByteArray listHash; // the list's identity (ListIdentity) as it was played: an edited list is a new list
    SpeedLevel speed = SpeedLevel::Normal;
    TypingStyle style = TypingStyle::Romaji; // the way it was typed (GameTally::typingStyle)
    bool finished = false;                   // all 21 words; false for a game left or started again after a word
    bool practice = false;                   // a practice game on missed words
    std::int32_t seconds = 0;                // the record, or the seconds played when left
    std::int32_t keys = 0;                   // every counted key (GameTally::keys)
    std::int32_t goodKeys = 0;               // GameTally::goodKeys: at most keys - mistakes
    std::int32_t mistakes = 0;
    std::vector<WordOutcome> words;
    std::vector<KanaCount> kana;
    // For each physical key, how often it was next to press and how often missed; each key at most once.
    std::vector<KeyCount> keyCounts;
    // Each slip (the key expected, the key hit instead, which differ) with its count; each pair at most once.
    std::vector<KeyConfusion> confusions;
};

} // namespace fururupo
