#pragma once

#include "media/mpegpictures.h"

#include <QtGlobal>

#include <optional>
#include <vector>

namespace media {

// One picture of a movie, in presentation order.
struct TableFrame
{
    // In ticks of the stream's time base, on the container's clock.
    qint64 time = 0;
    bool keyframe = false;
    // An AVI dropped-frame entry: a frame without a picture of its own, so the picture before it
    // shows again.
    bool repeat = false;
    bool operator==(const TableFrame &) const = default;
};

// What one video packet says of its frame.
struct PacketFacts
{
    std::optional<qint64> pts;
    std::optional<qint64> dts;
    bool keyframe = false;
    // For pictures placed by their decoding order: the kind of picture, and one frame time in
    // ticks, which a picture without a time of its own lasts.
    mpegpictures::PictureType picture = mpegpictures::PictureType::Unknown;
    qint64 frameTicks = 0;
};

// Puts a movie's frames in presentation order from its video packets, taken in decoding order.
//
// Most containers stamp each frame with its presentation time: frames are ordered by it, and
// none before the first keyframe counts, since no decoder shows it. AVI instead counts frame
// slots: a packet's decoding time is its slot, frames without a picture of their own (B-frames
// have none in AVI) are shown in slot order, and a slot without a packet is a dropped frame.
// MPEG-1 and MPEG-2 video in program and transport streams stamps only the pictures that start
// a packet of the system layer: pictures are put in the order a decoder shows them from their
// types, and a picture without a time of its own (or with only the demuxer's stand-in) is shown
// one frame time after the one before it, as the engine times it.
class FrameTableBuilder final
{
public:
    enum class Clock { PresentationTimes, Slots, DecodingOrder };

    explicit FrameTableBuilder(Clock clock = Clock::PresentationTimes);

    void add(const PacketFacts &packet);
    // No more packets come: every frame is settled.
    void finish();

    // Frames in presentation order. The first settled() of them are final: no later packet can
    // come before them.
    const std::vector<TableFrame> &frames() const { return m_frames; }
    qsizetype settled() const { return m_settled; }
    // A packet came without any time, so the order of the frames is not known.
    bool untimed() const { return m_untimed; }
    // A frame came without a presentation time: the container has none (elementary streams),
    // and whoever reads it makes them up.
    bool madeUpTimes() const { return m_madeUpTimes; }

private:
    void addSlot(const PacketFacts &packet);
    void addPresentation(const PacketFacts &packet);
    void addInDecodingOrder(const PacketFacts &packet);
    void show(const PacketFacts &picture);

    Clock m_clock;
    std::vector<TableFrame> m_frames;
    qsizetype m_settled = 0;
    std::optional<qint64> m_lastSlot;
    qint64 m_dropped = 0;
    bool m_seenKeyframe = false;
    // The last reference picture, shown once the next one comes; and how many have come.
    std::optional<PacketFacts> m_heldReference;
    qint64 m_references = 0;
    // A picture came shown later than it was decoded: references wait for the next one.
    bool m_delayed = false;
    bool m_untimed = false;
    bool m_madeUpTimes = false;
};

} // namespace media
