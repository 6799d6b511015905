#pragma once

#include "player/records_problem.h"

#include <QString>

#include <cstdint>

namespace fururupo {

// Every sentence the player reads about what the game keeps, in one place: the layers below report kinds and facts,
// and these word them.

// One line about a problem with the history file; empty for Kind::None.
QString sentenceOf(const RecordsProblem& problem);

// The 成績 window's own lines, for what the store reports no problem about.
QString historyUnreadableSentence();
QString newerHistorySentence();
QString skippedRowsSentence(std::int64_t rows);
QString nothingToPractiseSentence();
QString couldNotForgetSentence();

} // namespace fururupo
