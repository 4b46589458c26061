#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

struct mpv_handle;
struct mpv_event;

namespace media {

using MpvOptions = QList<std::pair<QByteArray, QByteArray>>;

// One libmpv player instance, owned: destroyed with mpv_terminate_destroy. Commands and
// properties are used from the thread that owns the object.
class MpvHandle final
{
public:
    // Null when libmpv cannot create or initialise a player with these options.
    static std::unique_ptr<MpvHandle> create(const MpvOptions &options);
    ~MpvHandle();
    MpvHandle(const MpvHandle &) = delete;
    MpvHandle &operator=(const MpvHandle &) = delete;

    mpv_handle *get() const { return m_handle; }

    // mpv's error code of the command, 0 on success.
    int command(std::initializer_list<const char *> arguments);
    int setFlag(const char *name, bool value);
    int setDouble(const char *name, double value);
    std::optional<double> doubleProperty(const char *name) const;
    std::optional<qint64> intProperty(const char *name) const;
    std::optional<bool> flagProperty(const char *name) const;
    std::optional<QByteArray> stringProperty(const char *name) const;

    // Every change of the property gives a property-change event, without its value: a value
    // that flips and flips back still gives one.
    int observe(const char *name);

    // Drops the events already waiting, so that a wait that follows sees only new ones.
    void discardEvents();
    // Takes events until accept returns true for one of them, or until the deadline. The
    // events are handled on the calling thread; nothing sleeps for a fixed time.
    bool waitForEvent(const std::function<bool(const mpv_event &)> &accept,
                      std::chrono::milliseconds deadline);
    // Ends the current wait and every later one with false; callable from any thread.
    void interrupt();
    bool interrupted() const { return m_interrupted; }

private:
    explicit MpvHandle(mpv_handle *handle);

    mpv_handle *m_handle;
    std::atomic<bool> m_interrupted = false;
};

} // namespace media
