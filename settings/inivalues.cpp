#include "settings/inivalues.h"

namespace settings {

QList<QByteArray> blankTokens(QByteArrayView text)
{
    text = text.first(qMin(text.size(), TokenBufferSize - 1));
    const qsizetype zero = text.indexOf('\0');
    if (zero >= 0)
        text.truncate(zero);

    QList<QByteArray> tokens;
    qsizetype pos = 0;
    while (pos < text.size()) {
        if (text[pos] == ' ') {
            ++pos;
            continue;
        }
        qsizetype end = text.indexOf(' ', pos);
        if (end < 0)
            end = text.size();
        tokens << text.sliced(pos, end - pos).toByteArray();
        pos = end;
    }
    return tokens;
}

QByteArray decimal(qint32 value)
{
    return QByteArray::number(value);
}

QByteArray formatIntegers(std::initializer_list<qint32> values)
{
    QByteArray text;
    for (qint32 value : values) {
        if (!text.isEmpty())
            text.append(' ');
        text.append(decimal(value));
    }
    return text;
}

} // namespace settings
