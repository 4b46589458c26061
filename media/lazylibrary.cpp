#include "media/lazylibrary.h"

#include <QtGlobal>

#include <dlfcn.h>

namespace media {

void *LazyLibrary::find(const char *name)
{
    std::call_once(m_opened, [this] {
        // Local: the stubs are the program's only way in, so nothing else should bind to it.
        m_handle = ::dlopen(m_fileName, RTLD_NOW | RTLD_LOCAL);
        if (m_handle == nullptr)
            qWarning("velmomp: cannot load %s: %s", m_fileName, ::dlerror());
    });
    if (m_handle == nullptr)
        return nullptr;
    void *function = ::dlsym(m_handle, name);
    if (function == nullptr)
        qFatal("velmomp: %s has no %s; the installation is broken", m_fileName, name);
    return function;
}

} // namespace media
