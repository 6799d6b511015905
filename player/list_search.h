#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace fururupo {

// Where word lists are looked for: the program's own folder, then the player's and the system's data folders.
struct ListFolders
{
    std::filesystem::path programFolder;
    std::vector<std::filesystem::path> searchFolders;

    // The search folders from the environment, in XDG order: $XDG_DATA_HOME/fururupo/lists (~/.local/share when unset,
    // empty or relative; left out when HOME is not absolute either), then fururupo/lists under each absolute entry of
    // $XDG_DATA_DIRS (/usr/local/share:/usr/share when unset or empty). The bytes of the variables are kept as given.
    static ListFolders fromEnvironment(const std::filesystem::path& programFolder);
};

// One word list the player can pick, with the name shown for it.
struct ListFile
{
    enum class Origin { Bundled, Found, Picked };

    std::filesystem::path path;
    // The file name as UTF-8, each undecodable part shown as U+FFFD; the path keeps the bytes.
    std::u16string name;
    Origin origin = Origin::Bundled;
};

// The most lists findLists returns, so that a folder of thousands of files cannot flood the choice.
inline constexpr std::size_t maxListFiles = 500;

// The lists in the folders: programFolder/MSG.txt first and always (even when missing), then the .tsv and .txt files
// of programFolder/lists, then those of each search folder in order, each folder's sorted by the bytes of their
// names. Only regular files (links to them too), the extension in any case, no hidden files. A file already listed,
// by identity or by name, is left out, so an earlier folder wins as in XDG. At most maxListFiles entries; a folder
// that is missing or cannot be read is passed over. Never throws on a file system error.
std::vector<ListFile> findLists(const ListFolders& folders);

} // namespace fururupo
