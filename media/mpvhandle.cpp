#include "media/mpvhandle.h"

#include <QDeadlineTimer>

#include <mpv/client.h>

#include <vector>

namespace media {

std::unique_ptr<MpvHandle> MpvHandle::create(const MpvOptions &options)
{
    mpv_handle *handle = mpv_create();
    if (handle == nullptr)
        return nullptr;
    std::unique_ptr<MpvHandle> owned(new MpvHandle(handle));
    for (const auto &[name, value] : options) {
        if (mpv_set_option_string(handle, name.constData(), value.constData()) < 0)
            return nullptr;
    }
    if (mpv_initialize(handle) < 0)
        return nullptr;
    return owned;
}

MpvHandle::MpvHandle(mpv_handle *handle)
    : m_handle(handle)
{}

MpvHandle::~MpvHandle()
{
    mpv_set_wakeup_callback(m_handle, nullptr, nullptr);
    mpv_terminate_destroy(m_handle);
}

int MpvHandle::command(std::initializer_list<const char *> arguments)
{
    std::vector<const char *> argv(arguments);
    argv.push_back(nullptr);
    return mpv_command(m_handle, argv.data());
}

int MpvHandle::setFlag(const char *name, bool value)
{
    int flag = value ? 1 : 0;
    return mpv_set_property(m_handle, name, MPV_FORMAT_FLAG, &flag);
}

int MpvHandle::setDouble(const char *name, double value)
{
    return mpv_set_property(m_handle, name, MPV_FORMAT_DOUBLE, &value);
}

int MpvHandle::observe(const char *name)
{
    return mpv_observe_property(m_handle, 0, name, MPV_FORMAT_NONE);
}

std::optional<double> MpvHandle::doubleProperty(const char *name) const
{
    double value = 0;
    if (mpv_get_property(m_handle, name, MPV_FORMAT_DOUBLE, &value) < 0)
        return std::nullopt;
    return value;
}

std::optional<qint64> MpvHandle::intProperty(const char *name) const
{
    int64_t value = 0;
    if (mpv_get_property(m_handle, name, MPV_FORMAT_INT64, &value) < 0)
        return std::nullopt;
    return qint64(value);
}

std::optional<bool> MpvHandle::flagProperty(const char *name) const
{
    int value = 0;
    if (mpv_get_property(m_handle, name, MPV_FORMAT_FLAG, &value) < 0)
        return std::nullopt;
    return value != 0;
}

std::optional<QByteArray> MpvHandle::stringProperty(const char *name) const
{
    char *value = mpv_get_property_string(m_handle, name);
    if (value == nullptr)
        return std::nullopt;
    const QByteArray text(value);
    mpv_free(value);
    return text;
}

void MpvHandle::discardEvents()
{
    for (;;) {
        const mpv_event *event = mpv_wait_event(m_handle, 0);
        if (event->event_id == MPV_EVENT_NONE || event->event_id == MPV_EVENT_SHUTDOWN)
            return;
    }
}

bool MpvHandle::waitForEvent(const std::function<bool(const mpv_event &)> &accept,
                             std::chrono::milliseconds deadline)
{
    const QDeadlineTimer timer(deadline);
    while (!timer.hasExpired() && !m_interrupted) {
        const double seconds = double(timer.remainingTime()) / 1000.0;
        const mpv_event *event = mpv_wait_event(m_handle, seconds);
        if (event->event_id == MPV_EVENT_SHUTDOWN)
            return false;
        if (event->event_id != MPV_EVENT_NONE && accept(*event))
            return true;
    }
    return false;
}

void MpvHandle::interrupt()
{
    m_interrupted = true;
    mpv_wakeup(m_handle);
}

} // namespace media
