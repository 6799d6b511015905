#pragma once

#include <QString>

#include <filesystem>

class QMimeData;

namespace fururupo {

// What a drop onto a window offers as a word list: the local file it names, as the bytes the system names it by, or
// a short line saying why it names none. Whether the file can be played is the list choice's to say.
struct DroppedList
{
    std::filesystem::path path;
    QString refusal;
};

// True when the drag carries something that may be a file; the window then accepts the drag and says more on drop.
bool mayBeAList(const QMimeData* data);
DroppedList droppedList(const QMimeData* data);

} // namespace fururupo
