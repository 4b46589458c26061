#include "media/frametablebuilder.h"

#include <algorithm>

namespace media {
namespace {

// Frames a decoder may hold back to reorder them: a packet without a decoding time settles
// every frame but this many from the end.
constexpr qsizetype ReorderWindow = 16;
// Dropped frames past which an AVI's slots are taken for damage, not for frames.
constexpr qint64 MaxDropped = 100'000;
// Frames waiting for their place past which the times are taken for damage: decoders reorder
// a few dozen frames at most.
constexpr qsizetype MaxUnsettled = 1024;

} // namespace

FrameTableBuilder::FrameTableBuilder(Clock clock)
    : m_clock(clock)
{}

void FrameTableBuilder::add(const PacketFacts &packet)
{
    if (m_untimed)
        return;
    if (m_clock == Clock::Slots)
        addSlot(packet);
    else if (m_clock == Clock::DecodingOrder)
        addInDecodingOrder(packet);
    else
        addPresentation(packet);
}

void FrameTableBuilder::addInDecodingOrder(const PacketFacts &given)
{
    using mpegpictures::PictureType;
    PacketFacts packet = given;
    // Where references are shown after the next one is decoded, the demuxer stamps a reference
    // picture without a time of its own with its decoding time, one frame early: it has none.
    m_delayed = m_delayed || (packet.pts && packet.dts && *packet.pts > *packet.dts);
    if (m_delayed && packet.picture == PictureType::Reference && packet.pts && packet.dts
        && *packet.pts == *packet.dts)
        packet.pts.reset();
    if (packet.picture == PictureType::Unknown) {
        // Without the picture's type its place cannot be known.
        m_untimed = true;
        return;
    }
    if (packet.picture == PictureType::Reference) {
        // A decoder starts at the first keyframe.
        m_seenKeyframe = m_seenKeyframe || packet.keyframe;
        if (!m_seenKeyframe)
            return;
        if (m_heldReference)
            show(*m_heldReference);
        m_heldReference = packet;
        ++m_references;
        return;
    }
    // A B picture needs a reference on each side: those of an open group of pictures that the
    // movie starts with are never shown.
    if (m_references >= 2)
        show(packet);
}

void FrameTableBuilder::show(const PacketFacts &picture)
{
    qint64 time = 0;
    if (picture.pts)
        time = *picture.pts;
    else if (m_frames.empty())
        time = picture.dts.value_or(0);
    else
        time = m_frames.back().time + picture.frameTicks;
    if (!m_frames.empty() && time <= m_frames.back().time) {
        // The times run backwards: the clock was restarted or the packets lie.
        m_untimed = true;
        return;
    }
    m_frames.push_back({time, picture.keyframe, false});
    m_settled = qsizetype(m_frames.size());
}

void FrameTableBuilder::addSlot(const PacketFacts &packet)
{
    const qint64 slot = packet.dts.value_or(m_lastSlot.value_or(-1) + 1);
    const qint64 first = m_lastSlot ? *m_lastSlot + 1 : 0;
    if (slot < first || m_dropped + (slot - first) > MaxDropped) {
        m_untimed = true;
        return;
    }
    // Slots before the first packet are dropped frames too, but there is no picture to repeat.
    for (qint64 dropped = m_lastSlot ? first : slot; dropped < slot; ++dropped, ++m_dropped)
        m_frames.push_back({dropped, false, true});
    m_frames.push_back({slot, packet.keyframe, false});
    m_lastSlot = slot;
    m_settled = qsizetype(m_frames.size());
}

void FrameTableBuilder::addPresentation(const PacketFacts &packet)
{
    m_seenKeyframe = m_seenKeyframe || packet.keyframe;
    if (!m_seenKeyframe)
        return;
    m_madeUpTimes = m_madeUpTimes || !packet.pts;
    const std::optional<qint64> time = packet.pts ? packet.pts : packet.dts;
    if (!time) {
        m_untimed = true;
        return;
    }
    // Equal times keep their decoding order.
    const auto place = std::upper_bound(
            m_frames.begin(), m_frames.end(), *time,
            [](qint64 value, const TableFrame &frame) { return value < frame.time; });
    if (place - m_frames.begin() < m_settled
        || qsizetype(m_frames.size()) - m_settled >= MaxUnsettled) {
        // A frame before one already settled: the times jump or run backwards.
        m_untimed = true;
        return;
    }
    m_frames.insert(place, {*time, packet.keyframe, false});
    qsizetype settled = 0;
    if (packet.dts) {
        // No frame is shown before it is decoded, so every later packet comes after this one's
        // decoding time.
        settled = std::upper_bound(
                          m_frames.begin(), m_frames.end(), *packet.dts,
                          [](qint64 value, const TableFrame &frame) { return value < frame.time; })
                - m_frames.begin();
    } else {
        settled = qsizetype(m_frames.size()) - ReorderWindow;
    }
    m_settled = std::max(m_settled, settled);
}

void FrameTableBuilder::finish()
{
    if (m_heldReference && !m_untimed)
        show(*m_heldReference);
    m_heldReference.reset();
    m_settled = qsizetype(m_frames.size());
}

} // namespace media
