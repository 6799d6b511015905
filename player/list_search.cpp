#include "player/list_search.h"

#include "logic/kana_marks.h"
#include "logic/word_list.h"
#include "platform/program_folder.h"
#include "platform/text_reader.h"
#include "player/player_folders.h"

#include <algorithm>
#include <map>
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

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\u3000';
}

std::u16string_view trimmedBlanks(std::u16string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The name in a first line `# NAME-WORD: NAME`, the word for name in Japanese (U+540D U+524D) or `name`; empty when
// the line is no such comment.
std::u16string nameInComment(std::u16string_view line)
{
    if (!line.starts_with(u'#'))
        return {};
    line = trimmedBlanks(line.substr(1));
    std::u16string_view key;
    for (const std::u16string_view candidate : {std::u16string_view(u"\u540D\u524D"), std::u16string_view(u"name")}) {
        if (line.size() < candidate.size())
            continue;
        bool same = true;
        for (std::size_t i = 0; i < candidate.size(); ++i) {
            const char16_t c = line[i];
            same = same && (c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c) == candidate[i];
        }
        if (same)
            key = candidate;
    }
    if (key.empty())
        return {};
    line = trimmedBlanks(line.substr(key.size()));
    if (!line.starts_with(u':') && !line.starts_with(u'：'))
        return {};
    std::u16string name(trimmedBlanks(line.substr(1)));
    for (const char16_t c : name)
        if (c < u' ' || c == u'\u007F' || c == u'\uFFFD')
            return {};
    // Cut to its first characters, never inside a surrogate pair.
    std::size_t units = 0;
    for (std::size_t characters = 0; characters < maxListNameCharacters && units < name.size(); ++characters)
        units += (name[units] >= 0xD800 && name[units] <= 0xDBFF && units + 1 < name.size()) ? 2 : 1;
    name.resize(units);
    return std::u16string(trimmedBlanks(name));
}

// The first line of the file, from at most listNameBytes of it; empty when it cannot be read.
std::u16string firstLineOf(const fs::path& path)
{
    SequentialTextReader reader;
    if (reader.open(path, LineFeed::AlwaysEndsLine) != SequentialTextReader::OpenResult::Opened)
        return {};
    reader.stopAfter(listNameBytes);
    try {
        return reader.atEnd() ? std::u16string() : reader.readLine();
    } catch (const SequentialTextReader::ReadError&) {
    } catch (const SequentialTextReader::TooLarge&) {
    }
    return {};
}

// The folder as the player reads it, the home folder written ~.
std::u16string shortFolder(const fs::path& folder, const fs::path& home)
{
    if (!home.empty()) {
        const fs::path relative = folder.lexically_relative(home);
        if (!relative.empty() && *relative.begin() != "..")
            return relative == "." ? u"~" : u"~/" + displayPath(relative);
    }
    return displayPath(folder);
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
        lists.push_back(listFileAt(path, ListFile::Origin::Bundled));
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
            lists.push_back(listFileAt(path, origin));
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

std::u16string listNameOf(const std::filesystem::path& path)
{
    if (listFormatOf(path) == ListFormat::Table) {
        std::u16string line = firstLineOf(path);
        composeKanaMarks(line);
        if (std::u16string name = nameInComment(line); !name.empty())
            return name;
    }
    const fs::path file = path.filename();
    const fs::path stem = file.stem();
    const bool onlyDots = stem.native().find_first_not_of('.') == std::string::npos;
    return displayPath(onlyDots ? file : stem);
}

ListFile listFileAt(const std::filesystem::path& path, ListFile::Origin origin)
{
    return {path, listNameOf(path), origin};
}

void tellApart(std::vector<ListFile>& lists, const std::filesystem::path& homeFolder)
{
    std::map<std::u16string, std::vector<ListFile*>> byName;
    for (ListFile& list : lists) {
        list.folderHint.clear();
        byName[list.name].push_back(&list);
    }
    for (auto& [name, alike] : byName) {
        if (alike.size() < 2)
            continue;
        for (ListFile* list : alike) {
            const fs::path folder = list->path.parent_path();
            const bool folderShared = std::count_if(alike.begin(), alike.end(), [&](const ListFile* other) {
                                          return other->path.parent_path() == folder;
                                      }) > 1;
            list->folderHint = folderShared ? displayPath(list->path.filename()) : shortFolder(folder, homeFolder);
        }
    }
}

ListFolders ListFolders::fromEnvironment(const std::filesystem::path& programFolder)
{
    ListFolders folders{programFolder, {}};
    folders.homeFolder = fururupo::homeFolder();
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
    tellApart(lists, folders.homeFolder);
    return lists;
}

} // namespace fururupo
