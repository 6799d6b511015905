#pragma once

#include "player/records_problem.h"

#include <QString>

#include <cstdint>

namespace fururupo {

struct ListProblem;
struct SettingsProblem;
struct SoundFault;

// Every sentence the player reads about what the game finds and keeps is worded here, from the kind the lower layer
// reported and its facts (a path, where a broken file was put). Empty for a kind that is no problem.
QString sentenceOf(const ListProblem& problem);
QString sentenceOf(const SettingsProblem& problem);
QString sentenceOf(const RecordsProblem& problem);
QString sentenceOf(const SoundFault& fault);

// The 成績 window's own lines, for what the store reports no problem about.
QString historyUnreadableSentence();
QString newerHistorySentence();
QString skippedRowsSentence(std::int64_t rows);
QString nothingToPractiseSentence();
QString couldNotForgetSentence();

} // namespace fururupo
