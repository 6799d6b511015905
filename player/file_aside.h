#pragma once

#include <QDateTime>
#include <QString>

namespace fururupo {

// Where a file was moved, or why it could not be.
struct MovedAside
{
    QString aside; // the new name; empty when the file stayed where it was
    QString error; // the system's text for why it stayed
    bool moved() const { return !aside.isEmpty(); }
};

// Moves a broken file out of the way for the player to look at: renames it to <file>.broken-<yyyyMMdd-HHmmss>, with
// -2, -3 … after it while that name is taken, and its companions (<file>-wal, -shm, -journal) to the same name with
// their suffix. An existing file is never replaced, even by one that appears between the look and the rename: the
// rename itself refuses a taken name. `now` names the moment (the local time unless given).
MovedAside moveAside(const QString& file, const QDateTime& now = QDateTime::currentDateTime());

} // namespace fururupo
