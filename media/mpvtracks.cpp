#include "media/mpvtracks.h"

#include "media/mpvproperties.h"

#include <mpv/client.h>

namespace media {
namespace {

// mpv_node results are freed with mpv_free_node_contents.
class Node final
{
public:
    Node() = default;
    ~Node() { mpv_free_node_contents(&node); }
    Node(const Node &) = delete;
    Node &operator=(const Node &) = delete;
    mpv_node node {};
};

const mpv_node *member(const mpv_node &map, const char *key)
{
    if (map.format != MPV_FORMAT_NODE_MAP)
        return nullptr;
    for (int i = 0; i < map.u.list->num; ++i) {
        if (qstrcmp(map.u.list->keys[i], key) == 0)
            return &map.u.list->values[i];
    }
    return nullptr;
}

bool isFlagSet(const mpv_node &map, const char *key)
{
    const mpv_node *value = member(map, key);
    return value != nullptr && value->format == MPV_FORMAT_FLAG && value->u.flag != 0;
}

bool hasType(const mpv_node &map, const char *type)
{
    const mpv_node *value = member(map, mpvnames::TrackType);
    return value != nullptr && value->format == MPV_FORMAT_STRING
            && qstrcmp(value->u.string, type) == 0;
}

qint64 integer(const mpv_node &map, const char *key)
{
    const mpv_node *value = member(map, key);
    return value != nullptr && value->format == MPV_FORMAT_INT64 ? value->u.int64 : 0;
}

} // namespace

Tracks tracksOf(mpv_handle *handle)
{
    Tracks tracks;
    Node list;
    if (mpv_get_property(handle, mpvnames::TrackList, MPV_FORMAT_NODE, &list.node) < 0
        || list.node.format != MPV_FORMAT_NODE_ARRAY)
        return tracks;
    for (int i = 0; i < list.node.u.list->num; ++i) {
        const mpv_node &track = list.node.u.list->values[i];
        if (hasType(track, "audio"))
            tracks.audio = true;
        if (!hasType(track, "video"))
            continue;
        if (isFlagSet(track, mpvnames::TrackAlbumArt) || isFlagSet(track, mpvnames::TrackImage)) {
            tracks.stillPicture = true;
        } else if (!tracks.movingVideo) {
            tracks.movingVideo = true;
            tracks.rotation = integer(track, mpvnames::TrackRotation);
        }
    }
    return tracks;
}

} // namespace media
