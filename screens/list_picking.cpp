#include "screens/list_picking.h"

#include <QByteArray>
#include <QMimeData>
#include <QUrl>

#include <string>

namespace fururupo {

bool mayBeAList(const QMimeData* data)
{
    return data && data->hasUrls();
}

DroppedList droppedList(const QMimeData* data)
{
    if (!mayBeAList(data) || data->urls().isEmpty())
        return {{}, QStringLiteral("ドロップされたものはファイルではないので、単語リストにできません。")};
    // Of several files, the first is played: a game has one list.
    const QUrl url = data->urls().constFirst();
    if (!url.isLocalFile() || !url.host().isEmpty())
        return {{},
                QStringLiteral("このコンピューターの中のファイルではないので、単語リストにできません：") +
                    url.toDisplayString()};
    // The path as the drop sent it, percent-decoded to bytes: a file name that is not valid UTF-8 keeps its bytes,
    // where QUrl::toLocalFile would replace them and name some other file.
    const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (bytes.isEmpty() || bytes.contains('\0'))
        return {{}, QStringLiteral("ドロップされたファイルの名前が読めません。")};
    return {std::filesystem::path(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()))), {}};
}

} // namespace fururupo
