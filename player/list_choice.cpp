#include "player/list_choice.h"

#include "platform/program_folder.h"
#include "player/logging.h"
#include "player/player_folders.h"

#include <QByteArray>

#include <cstdint>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fururupo {

namespace {

namespace fs = std::filesystem;

constexpr std::int64_t maxListBytes = 16 * 1024 * 1024;

bool isGone(const fs::path& file)
{
    std::error_code error;
    return fs::status(file, error).type() == fs::file_type::not_found;
}

} // namespace

ListChoice::ListChoice(ListFolders folders, Settings& settings)
    : folders(std::move(folders)), settings(settings), found(findLists(this->folders)), current(found.front())
{
    restore();
}

void ListChoice::refresh()
{
    found = findLists(folders);
    if (chosenIsBundledDefault()) {
        current = found.front();
        return;
    }
    if (whyNotAList(current.path) != ListProblem::Kind::None) {
        fallBack(isGone(current.path) ? ListProblem::Kind::ChosenGone : ListProblem::Kind::ChosenUnusable);
        return;
    }
    current = entryFor(current.path);
}

bool ListChoice::dropVanished()
{
    std::optional<ListProblem::Kind> chosenWent;
    const fs::path bundled = bundledDefault();
    const auto vanished = [&](const ListFile& list) {
        if (list.path == bundled)
            return false;
        std::error_code error;
        const fs::file_type type = fs::status(list.path, error).type();
        // A stat that fails for another reason (a folder that cannot be searched) says nothing either way.
        const bool gone = type == fs::file_type::not_found;
        const bool unusable = !gone && !error && type != fs::file_type::regular;
        if ((gone || unusable) && list.path == current.path)
            chosenWent = gone ? ListProblem::Kind::ChosenGone : ListProblem::Kind::ChosenUnusable;
        return gone || unusable;
    };
    if (std::erase_if(found, vanished) == 0)
        return false;
    tellApart(found, folders.homeFolder);
    if (chosenWent)
        fallBack(*chosenWent);
    else
        current = entryFor(current.path);
    return true;
}

void ListChoice::fallBack(ListProblem::Kind kind)
{
    trouble = {kind, current.path};
    qCInfo(lcLists) << "the chosen list can no longer be played:" << qtPath(current.path);
    current = found.front();
}

bool ListChoice::chosenIsBundledDefault() const
{
    return current.path == bundledDefault();
}

bool ListChoice::choose(const std::filesystem::path& file)
{
    const ListProblem::Kind reason = whyNotAList(file);
    if (reason != ListProblem::Kind::None) {
        trouble = {reason, file};
        qCInfo(lcLists) << "not a word list:" << qtPath(file) << static_cast<int>(reason);
        return false;
    }
    std::error_code error;
    fs::path absolute = fs::absolute(file, error);
    if (error)
        absolute = file;
    trouble = {};
    current = entryFor(absolute);
    remember(chosenIsBundledDefault() ? nullptr : &current.path);
    return true;
}

void ListChoice::chooseDefault()
{
    trouble = {};
    current = found.front();
    remember(nullptr);
}

ListProblem::Kind ListChoice::whyNotAList(const std::filesystem::path& file)
{
    using Kind = ListProblem::Kind;
    std::error_code error;
    const fs::file_type type = fs::status(file, error).type();
    if (file.empty() || type == fs::file_type::not_found)
        return Kind::NotFound;
    if (type == fs::file_type::directory)
        return Kind::Folder;
    if (!error && type != fs::file_type::regular)
        return Kind::NotRegular;

    // Opening decides what the permissions really allow; non-blocking, in case a pipe has taken the file's place.
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0)
        return Kind::CannotOpen;
    struct stat status
    {
    };
    const bool known = ::fstat(descriptor, &status) == 0;
    ::close(descriptor);
    if (!known)
        return Kind::CannotOpen;
    if (S_ISDIR(status.st_mode))
        return Kind::Folder;
    if (!S_ISREG(status.st_mode))
        return Kind::NotRegular;
    if (status.st_size > maxListBytes)
        return Kind::TooLarge;
    return Kind::None;
}

void ListChoice::restore()
{
    // Whatever is in the file may have been written by anyone: only a path this program could have saved is taken.
    const QByteArray bytes = settings.value(chosenListPath);
    if (bytes.isEmpty())
        return;
    const fs::path file(bytes.toStdString());
    if (!file.is_absolute())
        return;
    if (whyNotAList(file) != ListProblem::Kind::None) {
        trouble = {isGone(file) ? ListProblem::Kind::RememberedGone : ListProblem::Kind::RememberedUnusable, file};
        qCInfo(lcLists) << "the list remembered from the last run cannot be played:" << qtPath(file);
        return;
    }
    current = entryFor(file);
}

void ListChoice::remember(const std::filesystem::path* file)
{
    if (file)
        settings.setValue(chosenListPath, QByteArray::fromStdString(file->native()));
    else
        settings.remove(chosenListPath.key);
}

ListFile ListChoice::entryFor(const std::filesystem::path& file)
{
    for (const ListFile& list : found)
        if (list.path == file)
            return list;
    struct stat wanted
    {
    };
    if (::stat(file.c_str(), &wanted) == 0) {
        for (const ListFile& list : found) {
            struct stat status
            {
            };
            if (::stat(list.path.c_str(), &status) == 0 && status.st_dev == wanted.st_dev &&
                status.st_ino == wanted.st_ino)
                return list;
        }
    }
    // A list picked from elsewhere goes by its name as a found one would, and is told apart from those of that name.
    found.push_back(listFileAt(file, ListFile::Origin::Picked));
    tellApart(found, folders.homeFolder);
    return found.back();
}

std::filesystem::path ListChoice::bundledDefault() const
{
    return folders.programFolder / "MSG.txt";
}

} // namespace fururupo
