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
    else
        addPresentation(packet);
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
    m_settled = qsizetype(m_frames.size());
}

} // namespace media
