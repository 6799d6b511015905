#pragma once

// Histories of many games for the records benchmarks, written straight into the file with SQL in one transaction (a
// hundred thousand games through save() would take the better part of an hour) and kept between runs beside the
// benchmarks, then copied for each run so that the copy's saves never change the next run's file.
#include <QByteArray>
#include <QString>

namespace fururupo::bench {

// The list all the fixture's games are of, at ふつう.
inline const QByteArray fixtureList = QByteArray(64, 'c');

// A history file of `games` finished games of fixtureList at ふつう, each of 21 words (about 400 different ones), 50
// kana, and 30 keys with a slip on three of them, made as the game makes them, with every total and chart the store
// keeps; the path of a fresh copy in a temporary folder that lives as long as the program. Empty when it could not be
// made.
QString historyOfGames(int games);

} // namespace fururupo::bench
