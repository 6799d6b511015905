#include "player/list_search.h"

#include "platform/program_folder.h"
#include "player/player_folders.h"

#include <algorithm>
#include <set>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <utility>

namespace fururupo {

namespace {

namespace fs = std::filesystem;

const fs::path listsBelowData = fs::path("fururupo") / "lists";

bool hasListExtension(const fs::path& name)
{
    const std::string& bytes = name.native();
    if (bytes.size() < 4 || bytes.front() == '.')
        return false;
    std::string extension = bytes.substr(bytes.size() - 4);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return extension == ".tsv" || extension == ".txt";
}

// The names of the folder's list files, sorted by their bytes; none when the folder cannot be read.
std::vector<fs::path> listNamesIn(const fs::path& folder)
{
    std::vector<fs::path> names;
    std::error_code error;
    fs::directory_iterator entry(folder, error);
    for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
        fs::path name = entry->path().filename();
        if (hasListExtension(name))
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(), [](const fs::path& a, const fs::path& b) { return a.native() < b.native(); });
    return names;
}

// The lists gathered so far, and what is needed to keep a second copy of one out.
class Gathering
{
public:
    explicit Gathering(std::vector<ListFile>& lists) : lists(lists) {}

    bool full() const { return lists.size() >= maxListFiles; }

    void addBundledDefault(const fs::path& path)
    {
        remember(path);
        lists.push_back({path, displayPath(path.filename()), ListFile::Origin::Bundled});
    }

    void addFolder(const fs::path& folder, ListFile::Origin origin)
    {
        for (const fs::path& name : listNamesIn(folder)) {
            if (full())
                return;
            if (names.count(name.native()))
                continue;
            const fs::path path = folder / name;
            // stat follows a link: what counts is the file it ends at, and a file gone since the listing drops out.
            struct stat status
            {
            };
            if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
                continue;
            if (!files.insert({status.st_dev, status.st_ino}).second)
                continue;
            names.insert(name.native());
            lists.push_back({path, displayPath(name), origin});
        }
    }

private:
    void remember(const fs::path& path)
    {
        names.insert(path.filename().native());
        struct stat status
        {
        };
        if (::stat(path.c_str(), &status) == 0)
            files.insert({status.st_dev, status.st_ino});
    }

    std::vector<ListFile>& lists;
    std::set<std::string> names;
    std::set<std::pair<dev_t, ino_t>> files;
};

} // namespace

ListFolders ListFolders::fromEnvironment(const std::filesystem::path& programFolder)
{
    ListFolders folders{programFolder, {}};
    if (const fs::path own = playerListsFolder(); !own.empty())
        folders.searchFolders.push_back(own);
    for (const fs::path& shared : dataDirs())
        folders.searchFolders.push_back(shared / listsBelowData);
    return folders;
}

std::vector<ListFile> findLists(const ListFolders& folders)
{
    std::vector<ListFile> lists;
    Gathering gathering(lists);
    gathering.addBundledDefault(folders.programFolder / "MSG.txt");
    gathering.addFolder(folders.programFolder / "lists", ListFile::Origin::Bundled);
    for (const fs::path& folder : folders.searchFolders)
        gathering.addFolder(folder, ListFile::Origin::Found);
    return lists;
}

} // namespace fururupo
