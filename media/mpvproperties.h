#pragma once

// Names of the libmpv options, properties and commands the player uses, in one place.
namespace mpvnames {

inline constexpr char TimePos[] = "time-pos";
inline constexpr char ContainerFps[] = "container-fps";
inline constexpr char EofReached[] = "eof-reached";
inline constexpr char Pause[] = "pause";
inline constexpr char TrackList[] = "track-list";
inline constexpr char VoConfigured[] = "vo-configured";
inline constexpr char Duration[] = "duration";
inline constexpr char DemuxerStartTime[] = "demuxer-start-time";
inline constexpr char Speed[] = "speed";
inline constexpr char Mute[] = "mute";
inline constexpr char Untimed[] = "untimed";
inline constexpr char FileFormat[] = "file-format";
inline constexpr char HrSeekDemuxerOffset[] = "hr-seek-demuxer-offset";
// The size the picture is meant to be seen at, after the filters and the sample aspect.
inline constexpr char DisplayWidth[] = "dwidth";
inline constexpr char DisplayHeight[] = "dheight";
// Members of each track of the track list.
inline constexpr char TrackType[] = "type";
inline constexpr char TrackAlbumArt[] = "albumart";
inline constexpr char TrackImage[] = "image";
inline constexpr char TrackRotation[] = "demux-rotation";

// Options only set when an engine is made.
inline constexpr char Config[] = "config";
inline constexpr char Terminal[] = "terminal";
inline constexpr char InputDefaultBindings[] = "input-default-bindings";
inline constexpr char InputVoKeyboard[] = "input-vo-keyboard";
inline constexpr char Osc[] = "osc";
inline constexpr char Idle[] = "idle";
inline constexpr char KeepOpen[] = "keep-open";
inline constexpr char HrSeek[] = "hr-seek";
inline constexpr char CoverArtAuto[] = "cover-art-auto";
inline constexpr char AudioDisplay[] = "audio-display";
inline constexpr char AudioFallbackToNull[] = "audio-fallback-to-null";
inline constexpr char Vo[] = "vo";
inline constexpr char Ao[] = "ao";
inline constexpr char Aid[] = "aid";
inline constexpr char KeepAspect[] = "keepaspect";
inline constexpr char HrSeekFramedrop[] = "hr-seek-framedrop";
inline constexpr char LoadStatsOverlay[] = "load-stats-overlay";
inline constexpr char LoadOsdConsole[] = "load-osd-console";
inline constexpr char LoadAutoProfiles[] = "load-auto-profiles";
inline constexpr char Ytdl[] = "ytdl";
inline constexpr char ZimgThreads[] = "zimg-threads";
inline constexpr char VideoRotate[] = "video-rotate";

inline constexpr char Seek[] = "seek";
inline constexpr char LoadFile[] = "loadfile";
// Runs after a file is opened, before its decoders are made.
inline constexpr char PreloadedHook[] = "on_preloaded";
inline constexpr char FrameStep[] = "frame-step";
inline constexpr char AbsoluteExact[] = "absolute+exact";
inline constexpr char AbsolutePercentExact[] = "absolute-percent+exact";

} // namespace mpvnames
