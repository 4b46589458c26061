// The engine's functions the player calls, each opening the engine's library at its first use
// (lazylibrary.h). Every function but the handle's creation takes what only an open library
// gives, so only the creation fails without the library.
#include "media/lazylibrary.h"

#include <mpv/client.h>
#include <mpv/render.h>

namespace {

constinit media::LazyLibrary libmpv(VELMO_LIBMPV);

} // namespace

extern "C" {

mpv_handle *mpv_create(void)
{
    const auto real = VELMO_REAL(libmpv, mpv_create);
    return real != nullptr ? real() : nullptr;
}

int mpv_initialize(mpv_handle *ctx)
{
    return VELMO_REAL(libmpv, mpv_initialize)(ctx);
}

void mpv_terminate_destroy(mpv_handle *ctx)
{
    VELMO_REAL(libmpv, mpv_terminate_destroy)(ctx);
}

int mpv_set_option_string(mpv_handle *ctx, const char *name, const char *data)
{
    return VELMO_REAL(libmpv, mpv_set_option_string)(ctx, name, data);
}

int mpv_set_property(mpv_handle *ctx, const char *name, mpv_format format, void *data)
{
    return VELMO_REAL(libmpv, mpv_set_property)(ctx, name, format, data);
}

int mpv_get_property(mpv_handle *ctx, const char *name, mpv_format format, void *data)
{
    return VELMO_REAL(libmpv, mpv_get_property)(ctx, name, format, data);
}

char *mpv_get_property_string(mpv_handle *ctx, const char *name)
{
    return VELMO_REAL(libmpv, mpv_get_property_string)(ctx, name);
}

void mpv_free(void *data)
{
    VELMO_REAL(libmpv, mpv_free)(data);
}

void mpv_free_node_contents(mpv_node *node)
{
    VELMO_REAL(libmpv, mpv_free_node_contents)(node);
}

int mpv_command(mpv_handle *ctx, const char **args)
{
    return VELMO_REAL(libmpv, mpv_command)(ctx, args);
}

int mpv_observe_property(mpv_handle *mpv, uint64_t reply_userdata, const char *name,
                         mpv_format format)
{
    return VELMO_REAL(libmpv, mpv_observe_property)(mpv, reply_userdata, name, format);
}

mpv_event *mpv_wait_event(mpv_handle *ctx, double timeout)
{
    return VELMO_REAL(libmpv, mpv_wait_event)(ctx, timeout);
}

void mpv_wakeup(mpv_handle *ctx)
{
    VELMO_REAL(libmpv, mpv_wakeup)(ctx);
}

void mpv_set_wakeup_callback(mpv_handle *ctx, void (*cb)(void *d), void *d)
{
    VELMO_REAL(libmpv, mpv_set_wakeup_callback)(ctx, cb, d);
}

int mpv_hook_add(mpv_handle *ctx, uint64_t reply_userdata, const char *name, int priority)
{
    return VELMO_REAL(libmpv, mpv_hook_add)(ctx, reply_userdata, name, priority);
}

int mpv_hook_continue(mpv_handle *ctx, uint64_t id)
{
    return VELMO_REAL(libmpv, mpv_hook_continue)(ctx, id);
}

int mpv_render_context_create(mpv_render_context **res, mpv_handle *mpv, mpv_render_param *params)
{
    return VELMO_REAL(libmpv, mpv_render_context_create)(res, mpv, params);
}

int mpv_render_context_get_info(mpv_render_context *ctx, mpv_render_param param)
{
    return VELMO_REAL(libmpv, mpv_render_context_get_info)(ctx, param);
}

void mpv_render_context_set_update_callback(mpv_render_context *ctx, mpv_render_update_fn callback,
                                            void *callback_ctx)
{
    VELMO_REAL(libmpv, mpv_render_context_set_update_callback)(ctx, callback, callback_ctx);
}

uint64_t mpv_render_context_update(mpv_render_context *ctx)
{
    return VELMO_REAL(libmpv, mpv_render_context_update)(ctx);
}

int mpv_render_context_render(mpv_render_context *ctx, mpv_render_param *params)
{
    return VELMO_REAL(libmpv, mpv_render_context_render)(ctx, params);
}

void mpv_render_context_free(mpv_render_context *ctx)
{
    VELMO_REAL(libmpv, mpv_render_context_free)(ctx);
}

} // extern "C"
