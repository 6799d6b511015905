#pragma once

#include "player/list_search.h"
#include "player/settings.h"

#include <filesystem>
#include <vector>

namespace fururupo {

// What went wrong with a word list the player chose, or the one remembered; the screens word it.
struct ListProblem
{
    enum class Kind {
        None,
        // A file that cannot be a word list; the choice before it stays.
        NotFound,
        Folder,
        NotRegular, // a FIFO, a device, a socket
        CannotOpen,
        TooLarge, // more than 16 MiB
        // The list remembered from an earlier run, or the one chosen in this run, cannot be played any more: the
        // bundled MSG.txt plays instead.
        RememberedGone,
        RememberedUnusable,
        ChosenGone,
        ChosenUnusable,
    };
    Kind kind = Kind::None;
    std::filesystem::path path;
};

// Where the choice is remembered: as the path's bytes, so that a name that is not UTF-8 is found again.
inline constexpr Setting<QByteArray> chosenListPath{"list/path", 4096};

// The word list the next game plays, chosen from the lists found or picked from anywhere, and remembered between runs
// in the settings. Nothing is written but the settings, and they only when the player chooses. Problems never stop a
// game: they fall back to the bundled MSG.txt or keep the choice for this run only, and problem() says so.
class ListChoice
{
public:
    // Finds the lists and restores the choice the settings remember.
    ListChoice(ListFolders folders, Settings& settings);

    const std::vector<ListFile>& lists() const { return found; }
    // Searches the folders again; a chosen list that can no longer be read gives way to the bundled one.
    void refresh();
    // Lets go of the lists whose files have gone or are no longer regular files, the bundled MSG.txt excepted, and
    // tells the rest apart again; a chosen list among them gives way to the bundled one, and problem() says so. Only a
    // stat of each path, no search and no open, so it is cheap and never blocks on a pipe. True when a list went.
    bool dropVanished();

    // The bundled MSG.txt unless another list was remembered or chosen.
    const ListFile& chosen() const { return current; }
    bool chosenIsBundledDefault() const;

    // Makes the file the choice and remembers it, when whyNotAList finds nothing wrong with it; otherwise keeps the
    // choice and puts the reason in problem(). A file not among lists() joins them as Picked. True when chosen, even
    // if it could not be remembered (the settings' problem then says so).
    bool choose(const std::filesystem::path& file);
    // Back to the bundled MSG.txt, remembered by forgetting the remembered path.
    void chooseDefault();

    // The last problem with a list; Kind::None when all is well.
    const ListProblem& problem() const { return trouble; }
    void clearProblem() { trouble = {}; }

    // None when the file can be a word list: a regular file that opens for reading and is at most 16 MiB. Never
    // blocks, even on a FIFO.
    static ListProblem::Kind whyNotAList(const std::filesystem::path& file);

private:
    void restore();
    void remember(const std::filesystem::path* file);
    ListFile entryFor(const std::filesystem::path& file);
    void fallBack(ListProblem::Kind kind);
    std::filesystem::path bundledDefault() const;

    ListFolders folders;
    Settings& settings;
    std::vector<ListFile> found;
    ListFile current;
    ListProblem trouble;
};

} // namespace fururupo
