#include "player/list_identity.h"

#include "player/logging.h"
#include "player/player_folders.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fururupo {

namespace {

constexpr qint64 maxListBytes = 16 * 1024 * 1024;

} // namespace

QByteArray listIdentityOf(const std::filesystem::path& file)
{
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        qCInfo(lcLists) << "cannot open" << qtPath(file) << std::strerror(errno);
        return {};
    }
    struct stat status
    {
    };
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > maxListBytes) {
        ::close(descriptor);
        return {};
    }
    QFile input;
    if (!input.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return {};
    }
    // A file that grows while it is read is still read no further than a list may be long.
    const QByteArray bytes = input.read(maxListBytes + 1);
    if (bytes.size() > maxListBytes || input.error() != QFileDevice::NoError)
        return {};
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

} // namespace fururupo
