#pragma once

// Names of the libmpv options, properties and commands the player uses, in one place.
namespace mpvnames {

inline constexpr char TimePos[] = "time-pos";
inline constexpr char ContainerFps[] = "container-fps";
inline constexpr char EofReached[] = "eof-reached";
inline constexpr char Pause[] = "pause";
inline constexpr char Width[] = "width";
inline constexpr char Height[] = "height";
inline constexpr char TrackList[] = "track-list";
inline constexpr char VoConfigured[] = "vo-configured";
inline constexpr char Duration[] = "duration";
inline constexpr char DemuxerStartTime[] = "demuxer-start-time";
inline constexpr char Speed[] = "speed";
inline constexpr char Mute[] = "mute";
inline constexpr char Untimed[] = "untimed";
inline constexpr char FileFormat[] = "file-format";
inline constexpr char HrSeekDemuxerOffset[] = "hr-seek-demuxer-offset";

inline constexpr char Seek[] = "seek";
inline constexpr char LoadFile[] = "loadfile";
inline constexpr char FrameStep[] = "frame-step";
inline constexpr char AbsoluteExact[] = "absolute+exact";
inline constexpr char AbsolutePercentExact[] = "absolute-percent+exact";

} // namespace mpvnames
