#include "player/file_aside.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fururupo {
namespace {

constexpr const char* companions[] = {"-wal", "-shm", "-journal"};

bool taken(const QByteArray& name)
{
    struct stat info;
    return ::lstat(name.constData(), &info) == 0 || errno != ENOENT;
}

// Renames from to to unless to exists: 0, or the errno of the failure (EEXIST when the name is taken). Where the
// file system cannot refuse in the rename itself, a hard link does (it never replaces) and the old name goes after.
int renameWithoutReplacing(const QByteArray& from, const QByteArray& to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    if (::link(from.constData(), to.constData()) != 0)
        return errno;
    if (::unlink(from.constData()) != 0) {
        const int error = errno;
        ::unlink(to.constData());
        return error;
    }
    return 0;
}

} // namespace

MovedAside moveAside(const QString& file, const QDateTime& now)
{
    const QByteArray original = QFile::encodeName(file);
    const QByteArray stem = original + ".broken-" + now.toString(QStringLiteral("yyyyMMdd-HHmmss")).toLatin1();
    int error = 0;
    for (int attempt = 1; attempt < 1000; ++attempt) {
        const QByteArray aside = attempt == 1 ? stem : stem + '-' + QByteArray::number(attempt);
        // A name whose companions' names are taken would scatter them; the rename below is what refuses a race.
        bool free = !taken(aside);
        for (const char* suffix : companions)
            free = free && !taken(aside + suffix);
        if (!free)
            continue;
        error = renameWithoutReplacing(original, aside);
        if (error == EEXIST)
            continue;
        if (error != 0)
            break;
        for (const char* suffix : companions) {
            if (!taken(original + suffix))
                continue;
            // Taken only by a race: the companion goes to the first free numbered name after its own.
            QByteArray target = aside + suffix;
            for (int n = 2; renameWithoutReplacing(original + suffix, target) == EEXIST && n < 1000; ++n)
                target = aside + suffix + '-' + QByteArray::number(n);
        }
        return {QFile::decodeName(aside), QString()};
    }
    return {QString(), QString::fromLocal8Bit(std::strerror(error != 0 ? error : EEXIST))};
}

} // namespace fururupo
