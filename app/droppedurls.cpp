#include "app/droppedurls.h"

QList<QByteArray> localFileNames(const QList<QUrl> &urls)
{
    QList<QByteArray> names;
    for (const QUrl &url : urls) {
        if (!url.isLocalFile())
            continue;
        // Decoding the percent escapes by hand keeps bytes that are not valid UTF-8.
        names << QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    }
    return names;
}
