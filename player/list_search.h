#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace fururupo {

// Where word lists are looked for: the program's own folder, then the player's and the system's data folders.
struct ListFolders
{
    std::filesystem::path programFolder;
    std::vector<std::filesystem::path> searchFolders;
    // The player's home folder, written ~ where a folder is shown; empty when unknown.
    std::filesystem::path homeFolder = {};

    // The search folders from the environment, in XDG order: $XDG_DATA_HOME/fururupo/lists (~/.local/share when unset,
    // empty or relative; left out when HOME is not absolute either), then fururupo/lists under each absolute entry of
    // $XDG_DATA_DIRS (/usr/local/share:/usr/share when unset or empty); the home folder from HOME when it is absolute.
    // The bytes of the variables are kept as given.
    static ListFolders fromEnvironment(const std::filesystem::path& programFolder);
};

// One word list the player can pick, with the name shown for it.
struct ListFile
{
    enum class Origin { Bundled, Found, Picked };

    std::filesystem::path path;
    // The name for people: the one a table gives itself in its first line (see listNameOf), else the file name without
    // its extension; as UTF-8, each undecodable part shown as U+FFFD. The path keeps the bytes.
    std::u16string name;
    Origin origin = Origin::Bundled;
    // For a list whose name another list shares, what tells them apart (see tellApart); empty otherwise.
    std::u16string folderHint = {};
};

// How many bytes at the head of a file are read for the name it gives itself.
inline constexpr std::uintmax_t listNameBytes = 1024;
// The most characters of such a name that are kept.
inline constexpr std::size_t maxListNameCharacters = 31;

// The name for people of the list at path. A table (a .tsv name) may give itself one in its first line, a comment
// written `# NAME-WORD: NAME`, where NAME-WORD is the Japanese word for name (U+540D U+524D) or "name" in any case
// (blanks around each part optional, the colon half- or full-width); the name is read from the first listNameBytes of
// the file in whichever encoding the list's load would use, its kana marks joined, trimmed and cut to
// maxListNameCharacters. Without such a line, or when the name is empty, holds a control character or bytes that could
// not be read, or the file cannot be read, the name is the file name without its extension (the whole file name when
// that would leave nothing but dots).
std::u16string listNameOf(const std::filesystem::path& path);

// The entry for the list at path, named by listNameOf, with no folder hint yet.
ListFile listFileAt(const std::filesystem::path& path, ListFile::Origin origin);

// Gives each list whose name another of the lists shares a folder hint that tells them apart: its folder as the player
// reads it, with the home folder written ~ ("~/lessons", "/usr/share/fururupo/lists"), or, when another list of that
// name lies in the same folder, its file name. Every other list's hint is emptied. homeFolder may be empty.
void tellApart(std::vector<ListFile>& lists, const std::filesystem::path& homeFolder);

// The most lists findLists returns, so that a folder of thousands of files cannot flood the choice.
inline constexpr std::size_t maxListFiles = 500;

// The lists in the folders: programFolder/MSG.txt first and always (even when missing), then the .tsv and .txt files
// of programFolder/lists, then those of each search folder in order, each folder's sorted by the bytes of their
// names. Only regular files (links to them too), the extension in any case, no hidden files. A file already listed,
// by identity or by file name, is left out, so an earlier folder wins as in XDG. At most maxListFiles entries; a folder
// that is missing or cannot be read is passed over. Each is named by listNameOf and told apart by tellApart. Never
// throws on a file system error.
std::vector<ListFile> findLists(const ListFolders& folders);

} // namespace fururupo
