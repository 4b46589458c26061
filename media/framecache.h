#pragma once

#include <QImage>
#include <QSize>

#include <limits>
#include <map>
#include <mutex>
#include <optional>

namespace media {

// Pictures of a movie's frames as they are shown, kept so that steps back to them need no
// decoding. The pictures all have one size, and together they stay within a budget of bytes:
// beyond it the pictures farthest from the frame the user is on go first. Used from the
// user-interface thread and the thread that decodes ahead.
class FrameCache final
{
public:
    explicit FrameCache(qint64 budgetBytes);

    // Drops every picture; the pictures kept from now on have this size.
    void reset(QSize size);
    QSize pictureSize() const;
    // Keeps at most this many pictures, whatever the budget allows.
    void limitTo(qint64 pictures);
    // How many pictures of the current size fit into the budget and the limit.
    qint64 capacity() const;
    qint64 bytes() const;

    // The frame the user is on: the pictures nearest to it are the ones kept.
    void setFocus(qint64 frame);
    // Keeps a picture of the current size; false when it is not kept (another size, or farther
    // from the focus than every picture the budget holds).
    bool insert(qint64 frame, const QImage &picture);
    QImage find(qint64 frame) const;
    bool contains(qint64 frame) const;
    // The highest frame of first..last that has no picture.
    std::optional<qint64> highestMissing(qint64 first, qint64 last) const;

private:
    qint64 capacityLocked() const;
    void evictLocked();

    mutable std::mutex m_mutex;
    const qint64 m_budget;
    qint64 m_limit = std::numeric_limits<qint64>::max();
    QSize m_size;
    qint64 m_focus = 0;
    std::map<qint64, QImage> m_pictures;
};

} // namespace media
