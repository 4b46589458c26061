#include "support/testmovierecipes.h"

#include <stdexcept>

QStringList argumentList(std::initializer_list<const char *> words)
{
    QStringList list;
    for (const char *word : words)
        list.append(QString::fromLatin1(word));
    return list;
}

Recipe recipeOf(MovieKind kind)
{
    Recipe recipe;
    switch (kind) {
    case MovieKind::MjpegAvi:
        recipe.suffix = QStringLiteral("avi");
        recipe.sampleRate = 44100;
        recipe.codecArguments = argumentList({"-c:v", "mjpeg", "-q:v", "3", "-c:a", "pcm_s16le"});
        break;
    case MovieKind::Mpeg4Avi:
        recipe.suffix = QStringLiteral("avi");
        recipe.rateNumerator = 30000;
        recipe.rateDenominator = 1001;
        recipe.sampleRate = 44100;
        recipe.codecArguments
                = argumentList({"-c:v", "mpeg4", "-q:v", "3", "-bf", "2", "-c:a", "pcm_s16le"});
        break;
    case MovieKind::H264Mov:
        recipe.suffix = QStringLiteral("mov");
        recipe.rateNumerator = 30;
        recipe.codecArguments = argumentList({"-c:v", "libx264", "-preset", "veryfast", "-pix_fmt",
                                              "yuv420p", "-c:a", "pcm_s16le"});
        break;
    case MovieKind::Mpeg1Mpg:
    case MovieKind::Mpeg1Dat:
        recipe.suffix = QStringLiteral("mpg");
        recipe.rateNumerator = 30000;
        recipe.rateDenominator = 1001;
        recipe.sampleRate = 44100;
        recipe.codecArguments = argumentList(
                {"-c:v", "mpeg1video", "-q:v", "3", "-c:a", "mp2", "-b:a", "128k", "-f", "mpeg"});
        break;
    case MovieKind::VcdDat:
        // The target fixes codecs, bit rates, 352x240 and 29.97 fps; the source already has
        // that size and rate so that nothing is scaled or dropped.
        recipe.suffix = QStringLiteral("dat");
        recipe.width = 352;
        recipe.height = 240;
        recipe.rateNumerator = 30000;
        recipe.rateDenominator = 1001;
        recipe.sampleRate = 44100;
        recipe.codecArguments = argumentList({"-target", "ntsc-vcd"});
        break;
    case MovieKind::Mpeg2Mpg:
        recipe.suffix = QStringLiteral("mpg");
        recipe.codecArguments = argumentList({"-c:v", "mpeg2video", "-q:v", "3", "-bf", "2", "-c:a",
                                              "mp2", "-b:a", "128k", "-f", "mpeg"});
        break;
    case MovieKind::H264Mp4:
        recipe.suffix = QStringLiteral("mp4");
        recipe.codecArguments = argumentList({"-c:v", "libx264", "-preset", "veryfast", "-pix_fmt",
                                              "yuv420p", "-g", "250", "-keyint_min", "250",
                                              "-sc_threshold", "0", "-c:a", "aac"});
        break;
    case MovieKind::Vp9Webm:
        recipe.suffix = QStringLiteral("webm");
        recipe.rateNumerator = 30000;
        recipe.rateDenominator = 1001;
        recipe.codecArguments = argumentList({"-c:v", "libvpx-vp9", "-deadline", "realtime",
                                              "-cpu-used", "8", "-c:a", "libopus"});
        break;
    case MovieKind::H264Ts:
    case MovieKind::H264M2ts:
        recipe.suffix = kind == MovieKind::H264Ts ? QStringLiteral("ts") : QStringLiteral("m2ts");
        recipe.usualFrames = 120;
        recipe.codecArguments = argumentList({"-c:v",
                                              "libx264",
                                              "-preset",
                                              "veryfast",
                                              "-pix_fmt",
                                              "yuv420p",
                                              "-g",
                                              "50",
                                              "-keyint_min",
                                              "50",
                                              "-sc_threshold",
                                              "0",
                                              "-bf",
                                              "2",
                                              "-c:a",
                                              "aac",
                                              "-f",
                                              "mpegts",
                                              "-mpegts_m2ts_mode",
                                              kind == MovieKind::H264Ts ? "0" : "1"});
        break;
    case MovieKind::Mpeg2Ts:
        recipe.suffix = QStringLiteral("ts");
        recipe.usualFrames = 80;
        recipe.codecArguments = argumentList({"-c:v", "mpeg2video", "-q:v", "3", "-bf", "2", "-g",
                                              "15", "-c:a", "mp2", "-f", "mpegts"});
        break;
    case MovieKind::VfrMov:
    case MovieKind::VfrMkv:
        recipe.suffix = kind == MovieKind::VfrMov ? QStringLiteral("mov") : QStringLiteral("mkv");
        recipe.rateNumerator = 30;
        recipe.usualFrames = 90;
        recipe.filter = QStringLiteral("setpts='(N+floor(N/5)+floor(N/7))/30/TB'");
        recipe.codecArguments = argumentList({"-fps_mode", "passthrough", "-c:v", "libx264",
                                              "-preset", "veryfast", "-pix_fmt", "yuv420p", "-bf",
                                              "2", "-c:a", "pcm_s16le"});
        break;
    case MovieKind::LateMp4:
        recipe.suffix = QStringLiteral("mp4");
        recipe.codecArguments
                = argumentList({"-c:v", "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p",
                                "-c:a", "aac", "-output_ts_offset", "1.5"});
        break;
    case MovieKind::DroppedAvi:
        recipe.suffix = QStringLiteral("avi");
        recipe.usualFrames = 90;
        recipe.filter = QStringLiteral("select='not(between(n,20,29))'");
        recipe.codecArguments
                = argumentList({"-fps_mode", "passthrough", "-c:v", "mjpeg", "-q:v", "3", "-an"});
        break;
    case MovieKind::FieldMjpegAvi:
        recipe.suffix = QStringLiteral("avi");
        break;
    case MovieKind::Mpeg1Es:
        recipe.suffix = QStringLiteral("mpg");
        recipe.codecArguments
                = argumentList({"-c:v", "mpeg1video", "-q:v", "3", "-an", "-f", "mpeg1video"});
        break;
    case MovieKind::QtrleMov:
        recipe.suffix = QStringLiteral("mov");
        recipe.rateNumerator = 96;
        recipe.usualFrames = 120;
        recipe.filter = QStringLiteral("format=rgb24");
        recipe.codecArguments = argumentList({"-c:v", "qtrle", "-c:a", "pcm_s16le"});
        break;
    case MovieKind::Msvideo1Avi:
        recipe.suffix = QStringLiteral("avi");
        recipe.rateNumerator = 10;
        recipe.filter = QStringLiteral("select='not(mod(n,2))',fps=10,format=rgb555le");
        recipe.codecArguments = argumentList({"-c:v", "msvideo1", "-c:a", "pcm_s16le"});
        break;
    case MovieKind::HevcMkv:
        recipe.suffix = QStringLiteral("mkv");
        recipe.codecArguments
                = argumentList({"-c:v", "libx265", "-preset", "ultrafast", "-x265-params",
                                "log-level=error", "-c:a", "libopus"});
        break;
    case MovieKind::Av1Mkv:
        recipe.suffix = QStringLiteral("mkv");
        recipe.codecArguments
                = argumentList({"-c:v", "libsvtav1", "-preset", "12", "-svtav1-params",
                                "svt-log-level=0", "-c:a", "libopus"});
        break;
    case MovieKind::ProresMov:
        recipe.suffix = QStringLiteral("mov");
        recipe.codecArguments = argumentList({"-c:v", "prores_ks", "-c:a", "pcm_s16le"});
        break;
    case MovieKind::PortraitH264Mp4:
        recipe.suffix = QStringLiteral("mp4");
        recipe.width = 144;
        recipe.height = 192;
        recipe.rateNumerator = 30;
        recipe.turn = 90;
        recipe.codecArguments = argumentList(
                {"-c:v", "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p", "-c:a", "aac"});
        break;
    case MovieKind::PortraitHevc10Mp4:
        recipe.suffix = QStringLiteral("mp4");
        recipe.width = 144;
        recipe.height = 192;
        recipe.rateNumerator = 30;
        recipe.turn = 270;
        recipe.codecArguments = argumentList(
                {"-c:v", "libx265", "-preset", "ultrafast", "-pix_fmt", "yuv420p10le",
                 "-x265-params", "keyint=30:log-level=error", "-tag:v", "hvc1", "-c:a", "aac"});
        break;
    case MovieKind::UpsideDownMov:
        recipe.suffix = QStringLiteral("mov");
        recipe.rateNumerator = 30;
        recipe.turn = 180;
        recipe.codecArguments = argumentList({"-c:v", "libx264", "-preset", "veryfast", "-pix_fmt",
                                              "yuv420p", "-c:a", "pcm_s16le"});
        break;
    case MovieKind::PortraitVfrMp4:
        recipe = recipeOf(MovieKind::VfrMov);
        recipe.suffix = QStringLiteral("mp4");
        recipe.width = 144;
        recipe.height = 192;
        recipe.turn = 90;
        recipe.codecArguments.last() = QStringLiteral("aac");
        break;
    case MovieKind::AnamorphicMpeg2Mpg:
        recipe.suffix = QStringLiteral("mpg");
        recipe.width = 720;
        recipe.height = 480;
        recipe.rateNumerator = 30000;
        recipe.rateDenominator = 1001;
        recipe.codecArguments
                = argumentList({"-c:v", "mpeg2video", "-q:v", "3", "-bf", "2", "-aspect", "16:9",
                                "-c:a", "mp2", "-b:a", "128k", "-f", "vob"});
        break;
    case MovieKind::PalDvAvi:
        recipe.suffix = QStringLiteral("avi");
        recipe.width = 720;
        recipe.height = 576;
        recipe.codecArguments = argumentList(
                {"-c:v", "dvvideo", "-pix_fmt", "yuv420p", "-aspect", "4:3", "-c:a", "pcm_s16le"});
        break;
    case MovieKind::InterlacedH264Mts:
        recipe = recipeOf(MovieKind::H264M2ts);
        recipe.suffix = QStringLiteral("mts");
        recipe.codecArguments
                = argumentList({"-c:v", "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p",
                                "-flags", "+ildct+ilme", "-top", "1", "-c:a", "aac", "-f", "mpegts",
                                "-mpegts_m2ts_mode", "1"});
        break;
    case MovieKind::IntraRefreshH264Mp4:
        recipe.suffix = QStringLiteral("mp4");
        recipe.codecArguments
                = argumentList({"-c:v", "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p",
                                "-x264-params", "intra-refresh=1:keyint=20", "-c:a", "aac"});
        break;
    case MovieKind::Hdr10HevcMkv:
        recipe.suffix = QStringLiteral("mkv");
        recipe.codecArguments = argumentList(
                {"-c:v", "libx265", "-preset", "ultrafast", "-pix_fmt", "yuv420p10le",
                 "-color_primaries", "bt2020", "-color_trc", "smpte2084", "-colorspace", "bt2020nc",
                 "-x265-params",
                 "log-level=error:hdr10=1:colorprim=bt2020:transfer=smpte2084:colormatrix=bt2020nc:"
                 "master-display=G(13250,34500)B(7500,3000)R(34000,16000)WP(15635,16450)"
                 "L(10000000,1):max-cll=1000,400",
                 "-c:a", "libopus"});
        break;
    case MovieKind::H264Mp4At854:
    case MovieKind::H264Mp4At1366:
        recipe.suffix = QStringLiteral("mp4");
        recipe.width = kind == MovieKind::H264Mp4At854 ? 854 : 1366;
        recipe.height = kind == MovieKind::H264Mp4At854 ? 480 : 768;
        recipe.rateNumerator = 30;
        recipe.codecArguments = argumentList(
                {"-c:v", "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p", "-c:a", "aac"});
        break;
    case MovieKind::Wmv:
        recipe.suffix = QStringLiteral("wmv");
        recipe.sampleRate = 44100;
        recipe.codecArguments = argumentList({"-c:v", "wmv2", "-q:v", "3", "-c:a", "wmav2"});
        break;
    case MovieKind::Flv:
        recipe.suffix = QStringLiteral("flv");
        recipe.rateNumerator = 30;
        recipe.sampleRate = 44100;
        recipe.codecArguments = argumentList(
                {"-c:v", "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p", "-c:a", "aac"});
        break;
    case MovieKind::Gp3:
        recipe.suffix = QStringLiteral("3gp");
        recipe.width = 176;
        recipe.rateNumerator = 15;
        recipe.sampleRate = 8000;
        recipe.codecArguments
                = argumentList({"-c:v", "h263", "-q:v", "3", "-c:a", "aac", "-ac", "1"});
        break;
    case MovieKind::OggTheora:
        recipe.suffix = QStringLiteral("ogv");
        recipe.codecArguments
                = argumentList({"-c:v", "libtheora", "-q:v", "7", "-c:a", "libvorbis"});
        break;
    case MovieKind::LowRateMpeg1Mpg:
        recipe = recipeOf(MovieKind::Mpeg1Mpg);
        recipe.codecArguments = argumentList(
                {"-c:v", "mpeg1video", "-b:v", "40k", "-c:a", "mp2", "-b:a", "128k", "-f", "mpeg"});
        break;
    case MovieKind::LowRateMpeg2Mpg:
        recipe = recipeOf(MovieKind::Mpeg2Mpg);
        recipe.codecArguments = argumentList({"-c:v", "mpeg2video", "-q:v", "31", "-bf", "2",
                                              "-c:a", "mp2", "-b:a", "128k", "-f", "mpeg"});
        break;
    case MovieKind::LowRateVcdDat:
        recipe = recipeOf(MovieKind::VcdDat);
        recipe.codecArguments = argumentList({"-c:v", "mpeg1video", "-q:v", "31", "-bf", "2",
                                              "-c:a", "mp2", "-b:a", "224k", "-f", "vcd"});
        break;
    case MovieKind::DvdVob:
        // The target's 29.97 fps repeats pictures of the 25 fps source.
        recipe.suffix = QStringLiteral("vob");
        recipe.width = 352;
        recipe.height = 240;
        recipe.usualFrames = 150;
        recipe.codecArguments
                = argumentList({"-target", "ntsc-dvd", "-s", "352x240", "-q:v", "31", "-shortest"});
        break;
    }
    if (recipe.suffix.isEmpty())
        throw std::runtime_error("unknown movie kind");
    return recipe;
}

// The kinds, their names and their usual lengths.

QList<MovieKind> allMovieKinds()
{
    return {MovieKind::MjpegAvi, MovieKind::Mpeg4Avi, MovieKind::H264Mov,
            MovieKind::Mpeg1Mpg, MovieKind::Mpeg1Dat, MovieKind::VcdDat,
            MovieKind::Mpeg2Mpg, MovieKind::H264Mp4,  MovieKind::Vp9Webm};
}

QList<MovieKind> exactnessMovieKinds()
{
    return allMovieKinds()
            + QList<MovieKind> {MovieKind::H264Ts,     MovieKind::H264M2ts,      MovieKind::Mpeg2Ts,
                                MovieKind::VfrMov,     MovieKind::VfrMkv,        MovieKind::LateMp4,
                                MovieKind::DroppedAvi, MovieKind::FieldMjpegAvi, MovieKind::Mpeg1Es,
                                MovieKind::QtrleMov,   MovieKind::Msvideo1Avi,   MovieKind::HevcMkv,
                                MovieKind::Av1Mkv,     MovieKind::ProresMov}
    + everydayMovieKinds() + lowRateMpegMovieKinds();
}

QList<MovieKind> lowRateMpegMovieKinds()
{
    return {MovieKind::LowRateMpeg1Mpg, MovieKind::LowRateMpeg2Mpg, MovieKind::LowRateVcdDat,
            MovieKind::DvdVob};
}

QList<MovieKind> everydayMovieKinds()
{
    return {MovieKind::PortraitH264Mp4,
            MovieKind::PortraitHevc10Mp4,
            MovieKind::UpsideDownMov,
            MovieKind::PortraitVfrMp4,
            MovieKind::AnamorphicMpeg2Mpg,
            MovieKind::PalDvAvi,
            MovieKind::InterlacedH264Mts,
            MovieKind::IntraRefreshH264Mp4,
            MovieKind::Hdr10HevcMkv,
            MovieKind::H264Mp4At854,
            MovieKind::H264Mp4At1366,
            MovieKind::Wmv,
            MovieKind::Flv,
            MovieKind::Gp3,
            MovieKind::OggTheora};
}

QString movieKindName(MovieKind kind)
{
    switch (kind) {
    case MovieKind::MjpegAvi:
        return QStringLiteral("mjpeg-avi");
    case MovieKind::Mpeg4Avi:
        return QStringLiteral("mpeg4-avi");
    case MovieKind::H264Mov:
        return QStringLiteral("h264-mov");
    case MovieKind::Mpeg1Mpg:
        return QStringLiteral("mpeg1-mpg");
    case MovieKind::Mpeg1Dat:
        return QStringLiteral("mpeg1-dat");
    case MovieKind::VcdDat:
        return QStringLiteral("vcd-dat");
    case MovieKind::Mpeg2Mpg:
        return QStringLiteral("mpeg2-mpg");
    case MovieKind::H264Mp4:
        return QStringLiteral("h264-mp4");
    case MovieKind::Vp9Webm:
        return QStringLiteral("vp9-webm");
    case MovieKind::H264Ts:
        return QStringLiteral("h264-ts");
    case MovieKind::H264M2ts:
        return QStringLiteral("h264-m2ts");
    case MovieKind::Mpeg2Ts:
        return QStringLiteral("mpeg2-ts");
    case MovieKind::VfrMov:
        return QStringLiteral("vfr-mov");
    case MovieKind::VfrMkv:
        return QStringLiteral("vfr-mkv");
    case MovieKind::LateMp4:
        return QStringLiteral("late-mp4");
    case MovieKind::DroppedAvi:
        return QStringLiteral("dropped-avi");
    case MovieKind::FieldMjpegAvi:
        return QStringLiteral("field-mjpeg-avi");
    case MovieKind::Mpeg1Es:
        return QStringLiteral("mpeg1-es");
    case MovieKind::QtrleMov:
        return QStringLiteral("qtrle-mov");
    case MovieKind::Msvideo1Avi:
        return QStringLiteral("msvideo1-avi");
    case MovieKind::HevcMkv:
        return QStringLiteral("hevc-mkv");
    case MovieKind::Av1Mkv:
        return QStringLiteral("av1-mkv");
    case MovieKind::ProresMov:
        return QStringLiteral("prores-mov");
    case MovieKind::PortraitH264Mp4:
        return QStringLiteral("portrait-h264-mp4");
    case MovieKind::PortraitHevc10Mp4:
        return QStringLiteral("portrait-hevc10-mp4");
    case MovieKind::UpsideDownMov:
        return QStringLiteral("upside-down-mov");
    case MovieKind::PortraitVfrMp4:
        return QStringLiteral("portrait-vfr-mp4");
    case MovieKind::AnamorphicMpeg2Mpg:
        return QStringLiteral("anamorphic-mpeg2-mpg");
    case MovieKind::PalDvAvi:
        return QStringLiteral("pal-dv-avi");
    case MovieKind::InterlacedH264Mts:
        return QStringLiteral("interlaced-h264-mts");
    case MovieKind::IntraRefreshH264Mp4:
        return QStringLiteral("intra-refresh-h264-mp4");
    case MovieKind::Hdr10HevcMkv:
        return QStringLiteral("hdr10-hevc-mkv");
    case MovieKind::H264Mp4At854:
        return QStringLiteral("h264-mp4-854");
    case MovieKind::H264Mp4At1366:
        return QStringLiteral("h264-mp4-1366");
    case MovieKind::Wmv:
        return QStringLiteral("wmv");
    case MovieKind::Flv:
        return QStringLiteral("flv");
    case MovieKind::Gp3:
        return QStringLiteral("3gp");
    case MovieKind::OggTheora:
        return QStringLiteral("ogg-theora");
    case MovieKind::LowRateMpeg1Mpg:
        return QStringLiteral("low-rate-mpeg1-mpg");
    case MovieKind::LowRateMpeg2Mpg:
        return QStringLiteral("low-rate-mpeg2-mpg");
    case MovieKind::LowRateVcdDat:
        return QStringLiteral("low-rate-vcd-dat");
    case MovieKind::DvdVob:
        return QStringLiteral("dvd-vob");
    }
    return QStringLiteral("unknown");
}

int usualFrameCount(MovieKind kind)
{
    if (kind == MovieKind::H264Mp4)
        return 300;
    const Recipe recipe = recipeOf(kind);
    if (recipe.usualFrames > 0)
        return recipe.usualFrames;
    return qRound(2.0 * recipe.rateNumerator / recipe.rateDenominator);
}
