#include "settings/settingsrules.h"

#include "settings/inivalues.h"

#include <algorithm>

namespace settings {
namespace {

QByteArray token(const QList<QByteArray> &tokens, qsizetype index)
{
    return index < tokens.size() ? tokens[index] : QByteArray();
}

} // namespace

WriteError::WriteError(const QString &iniPath)
    : std::runtime_error(QStringLiteral("%1 に書き込めません").arg(iniPath).toStdString())
{}

QByteArray singleLine(QByteArrayView text)
{
    qsizetype end = 0;
    while (end < text.size() && text[end] != '\n' && text[end] != '\r' && text[end] != '\0')
        ++end;
    return text.first(end).toByteArray();
}

int pixelIndex(QByteArrayView text)
{
    const int index = std::clamp(toInteger(text).value_or(1), -1, 2);
    return index < 0 ? 1 : index;
}

ReadAhead readAhead(QByteArrayView text)
{
    const QList<QByteArray> tokens = blankTokens(text);
    return {token(tokens, 0) == "1", token(tokens, 1), token(tokens, 2) == "1", token(tokens, 3)};
}

std::optional<QPoint> windowPosition(QByteArrayView text, QPoint current, QSize screen)
{
    if (text.isEmpty())
        return std::nullopt;
    const QList<QByteArray> tokens = blankTokens(text);
    const int left = toInteger(token(tokens, 0)).value_or(current.x());
    const int top = toInteger(token(tokens, 1)).value_or(current.y());
    if (top < screen.height() - 50 && left < screen.width() - 50)
        return QPoint(left, top);
    return std::nullopt;
}

} // namespace settings
