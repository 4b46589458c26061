#include "app/frameentry.h"

#include "text/integertext.h"

#include <algorithm>

QString FrameEntry::text() const
{
    int end = 0;
    while (end < BufferSize && m_buffer[end] != QChar(0))
        ++end;
    return QString(m_buffer, end);
}

FrameEntry::Outcome FrameEntry::apply(const QString &caption, Key key, int digit)
{
    Outcome outcome;
    // The caption is copied over the buffer with its end mark; what lies beyond stays.
    const int copied = int(std::min<qsizetype>(caption.size(), BufferSize - 1));
    std::copy_n(caption.constData(), copied, m_buffer);
    m_buffer[copied] = QChar(0);

    const bool inProgress = copied > 0 && m_buffer[0].isDigit() && m_buffer[0].unicode() < 128;
    if (!inProgress) {
        if (key == Key::KeypadDigit) {
            std::fill_n(m_buffer, 16, QChar(0));
            m_length = 0;
        }
    } else if (key == Key::Backspace) {
        if (m_length > 0) {
            --m_length;
            m_buffer[m_length] = QChar(0);
            outcome.caption = text();
        }
    } else if (key == Key::Enter && m_length > 0) {
        const std::optional<qint32> frame = integertext::toInteger(caption.toUtf8());
        if (!frame)
            throw NotANumber {caption};
        outcome.seekTo = *frame;
    }

    if (key == Key::KeypadDigit && m_length < MaxDigits) {
        m_buffer[m_length] = QChar(u'0' + digit);
        ++m_length;
        outcome.caption = text();
    }
    return outcome;
}
