#include "media/framecache.h"

#include <algorithm>
#include <cstdlib>

namespace media {
namespace {

qint64 pictureBytes(QSize size)
{
    // Pictures are drawn as 32-bit pixels.
    return qint64(size.width()) * size.height() * 4;
}

} // namespace

FrameCache::FrameCache(qint64 budgetBytes)
    : m_budget(budgetBytes)
{}

void FrameCache::reset(QSize size)
{
    const std::lock_guard lock(m_mutex);
    m_size = size;
    m_pictures.clear();
}

QSize FrameCache::pictureSize() const
{
    const std::lock_guard lock(m_mutex);
    return m_size;
}

qint64 FrameCache::capacity() const
{
    const std::lock_guard lock(m_mutex);
    return capacityLocked();
}

void FrameCache::limitTo(qint64 pictures)
{
    const std::lock_guard lock(m_mutex);
    m_limit = pictures;
    evictLocked();
}

qint64 FrameCache::capacityLocked() const
{
    const qint64 each = pictureBytes(m_size);
    return each > 0 ? std::min(m_budget / each, m_limit) : 0;
}

qint64 FrameCache::bytes() const
{
    const std::lock_guard lock(m_mutex);
    return qint64(m_pictures.size()) * pictureBytes(m_size);
}

void FrameCache::setFocus(qint64 frame)
{
    const std::lock_guard lock(m_mutex);
    m_focus = frame;
    evictLocked();
}

bool FrameCache::insert(qint64 frame, const QImage &picture)
{
    const std::lock_guard lock(m_mutex);
    if (picture.size() != m_size || capacityLocked() == 0)
        return false;
    m_pictures.insert_or_assign(frame, picture);
    evictLocked();
    return m_pictures.contains(frame);
}

void FrameCache::evictLocked()
{
    const auto distance = [this](qint64 frame) { return std::abs(frame - m_focus); };
    while (qint64(m_pictures.size()) > capacityLocked()) {
        const auto first = m_pictures.begin();
        const auto last = std::prev(m_pictures.end());
        // Of two equally far, the later goes: steps back are the ones served from here.
        m_pictures.erase(distance(first->first) > distance(last->first) ? first : last);
    }
}

QImage FrameCache::find(qint64 frame) const
{
    const std::lock_guard lock(m_mutex);
    const auto found = m_pictures.find(frame);
    return found != m_pictures.end() ? found->second : QImage();
}

bool FrameCache::contains(qint64 frame) const
{
    const std::lock_guard lock(m_mutex);
    return m_pictures.contains(frame);
}

std::optional<qint64> FrameCache::highestMissing(qint64 first, qint64 last) const
{
    const std::lock_guard lock(m_mutex);
    for (qint64 frame = last; frame >= first; --frame) {
        if (!m_pictures.contains(frame))
            return frame;
    }
    return std::nullopt;
}

} // namespace media
