#include "media/framecache.h"
#include "media/framedecoder.h"
#include "media/framerenderer.h"
#include "media/frametable.h"
#include "media/mpvmovie.h"
#include "media/videosurface.h"

#include <algorithm>
#include <cmath>

// Pictures of frames kept as shown: steps back, and steps onto frames kept, show them without
// decoding.
namespace media {

bool MpvMovie::showCached(qint64 frame)
{
    const qint64 shown = std::min(frame, length() - 1);
    if (!m_cacheShown && m_onFrame && shown == std::min(m_frame, length() - 1))
        return false;
    QImage picture = m_cache->find(shown);
    if (picture.isNull() && m_decoder)
        picture = m_decoder->waitFor(shown);
    if (picture.isNull())
        return false;
    if (!m_cacheShown) {
        m_engineFrame = m_onFrame ? m_frame : -1;
        m_cacheShown = true;
    }
    m_onFrame = false;
    m_frame = frame;
    if (m_surface)
        m_surface->showFrame(picture);
    return true;
}

qint64 MpvMovie::keptBytes() const
{
    return m_cache->bytes();
}

void MpvMovie::takeEngineBack()
{
    if (!m_cacheShown)
        return;
    m_cacheShown = false;
    m_onFrame = m_engineFrame >= 0;
    if (m_onFrame)
        m_frame = m_engineFrame;
}

bool MpvMovie::isWorthKeeping(qint64 frame) const
{
    // Where the frame and the one before are keyframes, a step back decodes one picture.
    const FrameTable *frames = table();
    return frames == nullptr || frame < 1 || frames->keyframeBefore(frame) != frame
            || frames->keyframeBefore(frame - 1) != frame - 1;
}

void MpvMovie::keepDrawn(qint64 frame)
{
    if (m_landingDrawn && isWorthKeeping(frame))
        m_cache->insert(frame, m_renderer->lastFrame());
}

void MpvMovie::followUser(qint64 from)
{
    const qint64 shown = std::min(m_frame, length() - 1);
    m_cache->setFocus(shown);
    // Stepping back, by up to a second, or on kept pictures: the frames before are wanted next.
    const bool back = shown < from && double(from - shown) <= std::ceil(m_fps);
    if ((!back && !m_cacheShown) || !isWorthKeeping(shown)) {
        if (m_decoder)
            m_decoder->pause();
        return;
    }
    if (!m_decoder)
        m_decoder = std::make_unique<FrameDecoder>(*this, m_path, m_decoderOptions, *m_cache);
    m_decoder->follow(shown);
}

} // namespace media
