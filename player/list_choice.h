#pragma once

#include "player/list_search.h"

#include <QString>

#include <filesystem>
#include <string>
#include <vector>

namespace fururupo {

// Where the choice is remembered: fururupo/fururupo.conf in the player's configuration folder; empty when the system
// names none.
QString defaultSettingsFile();

// The word list the next game plays, chosen from the lists found or picked from anywhere, and remembered between runs
// in an INI file under the key list/path, as the path's bytes. Nothing but that file is ever written, and it only
// when the player chooses; a broken one is moved aside, never deleted. Problems never stop a game: they fall back to
// the bundled MSG.txt or keep the choice for this run only, and say so in notice().
class ListChoice
{
public:
    // Finds the lists and restores the remembered choice; an empty settingsFile remembers nothing.
    ListChoice(ListFolders folders, QString settingsFile);

    const std::vector<ListFile>& lists() const { return found; }
    // Searches the folders again; a chosen list that can no longer be read gives way to the bundled one.
    void refresh();

    // The bundled MSG.txt unless another list was remembered or chosen.
    const ListFile& chosen() const { return current; }
    bool chosenIsBundledDefault() const;

    // Makes the file the choice and remembers it, when whyNotAList finds nothing wrong with it; otherwise keeps the
    // choice and puts the reason in notice(). A file not among lists() joins them as Picked. True when chosen, even
    // if it could not be remembered.
    bool choose(const std::filesystem::path& file);
    // Back to the bundled MSG.txt, remembered by forgetting the remembered path.
    void chooseDefault();

    // One short Japanese line for the title screen about the last problem; empty when all is well.
    std::u16string notice() const { return message; }
    void clearNotice() { message.clear(); }

    // Empty when the file can be a word list: a regular file that opens for reading and is at most 16 MiB. Otherwise a
    // short Japanese reason that names the file.
    static std::u16string whyNotAList(const std::filesystem::path& file);

private:
    void restore();
    bool openSettingsForUse();
    void remember(const std::filesystem::path* file);
    ListFile entryFor(const std::filesystem::path& file);
    std::filesystem::path bundledDefault() const;

    ListFolders folders;
    QString settingsFile;
    // Off when a broken settings file could not be moved aside, so that writing would destroy it.
    bool settingsUsable = true;
    std::vector<ListFile> found;
    ListFile current;
    std::u16string message;
};

} // namespace fururupo
