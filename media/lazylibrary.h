#pragma once

#include <mutex>

namespace media {

// A shared library opened at the first call into it instead of at the program's start. The
// engine and the demuxers bring about 180 libraries with them, which take a start more time than
// the rest of it; a start that hands its files over to the running player, or a player that has
// not opened a movie yet, never needs them.
class LazyLibrary final
{
public:
    // fileName: the library's name as the dynamic loader looks it up, e.g. "libmpv.so.2".
    // Constant, so that a library object at namespace scope is ready before any code runs.
    constexpr explicit LazyLibrary(const char *fileName)
        : m_fileName(fileName)
    {}
    LazyLibrary(const LazyLibrary &) = delete;
    LazyLibrary &operator=(const LazyLibrary &) = delete;

    // The library's function of that name; null when the library cannot be opened, which the
    // error output is told once. A library that opens but lacks the function is a broken
    // installation: the program ends with a message.
    void *find(const char *name);

private:
    const char *m_fileName;
    std::once_flag m_opened;
    void *m_handle = nullptr;
};

// The function of the library whose name is the stub's own name: each stub of the libraries'
// functions resolves it once, on its first call.
template<auto Stub> auto realFunction(LazyLibrary &library, const char *name)
{
    static const auto function = reinterpret_cast<decltype(Stub)>(library.find(name));
    return function;
}

} // namespace media

// The real function behind the stub of the same name, and the name written once.
#define VELMO_REAL(library, function) ::media::realFunction<&function>(library, #function)
