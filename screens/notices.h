#pragma once

#include <QString>

namespace fururupo {

struct ListProblem;
struct SettingsProblem;

// Every sentence the player reads about what the game finds and keeps is worded here, from the kind the lower layer
// reported and its facts (a path, where a broken file was put). Empty for a kind that is no problem.
QString sentenceOf(const ListProblem& problem);
QString sentenceOf(const SettingsProblem& problem);

} // namespace fururupo
