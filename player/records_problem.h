#pragma once

#include <QString>

namespace fururupo {

// Where the history file stands.
enum class RecordsStatus {
    Unopened,     // not needed yet
    Ready,        // open and writable
    ReadOnly,     // open, but the file or its folder may not be written: the history shows, nothing is saved
    NewerVersion, // made by a newer version of the game: read by nobody, written by nobody
    Unavailable,  // could not be opened or created: nothing is kept this run
};

// What went wrong with the history file, as a kind and its facts; the screens turn it into the player's sentence.
struct RecordsProblem
{
    enum class Kind {
        None,
        MovedAside,      // the file was damaged: moved to `aside`, a new one started
        CannotMoveAside, // the file is damaged and could not be moved: nothing is kept this run
        NewerVersion,    // made by a newer version of the game: left untouched
        ReadOnly,        // the file or its folder may not be written
        DiskFull,        // no room for the change
        Busy,            // another program holds the file; a game not saved is kept and saved later
        SpecialFile,     // something other than a plain file (a folder, a pipe, a device) stands at `path`
        NoFolder,        // the folder `path` could not be made
        Uncreatable,     // the file could not be created
        Unopenable,      // the file could not be opened
        Damaged,         // the change met damage that moving the file aside did not cure
        Impossible,      // a game with impossible values, refused
        Failed,          // anything else the driver reported
        NoDriver,        // Qt's SQLite driver is missing
    };
    // What was being done when it happened.
    enum class Action { Opening, Saving, Forgetting, Reading };

    Kind kind = Kind::None;
    Action action = Action::Opening;
    QString path;   // the file (or folder) concerned
    QString aside;  // where a damaged file was moved
    QString detail; // the driver's or the system's own text, for the log and the curious

    bool operator==(const RecordsProblem&) const = default;
};

} // namespace fururupo
