#pragma once

#include <QByteArray>
#include <QCryptographicHash>

#include <filesystem>
#include <string_view>

namespace fururupo {

// How the history knows a word list: the hex SHA-256 of its bytes, so that an edited list is a new list.
class ListIdentity
{
public:
    void add(std::string_view bytes)
    {
        hash.addData(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    }
    QByteArray result() const { return hash.result().toHex(); }
    void reset() { hash.reset(); }

private:
    QCryptographicHash hash{QCryptographicHash::Sha256};
};

// The identity of the file as it is now; empty when it cannot be a word list (missing, not a regular file, over
// 16 MiB, unreadable). Never blocks on a FIFO put in the file's place, and never reads past 16 MiB.
QByteArray listIdentityOf(const std::filesystem::path& file);

} // namespace fururupo
