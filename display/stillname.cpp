#include "display/stillname.h"

#include "text/pathparts.h"

namespace display {

QByteArray stillFileName(const QByteArray &movie, qint32 frame)
{
    QByteArray name = pathparts::namePart(movie);
    const qsizetype stop = name.lastIndexOf('.');
    if (stop >= 0)
        name.truncate(stop);
    return name + '(' + QByteArray::number(frame) + ").BMP";
}

} // namespace display
