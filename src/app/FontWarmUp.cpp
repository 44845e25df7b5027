#include "app/FontWarmUp.h"

#include <QtGlobal>

#include <thread>

#ifdef Q_OS_LINUX
#include <dlfcn.h>
#endif

namespace {

// Joined at exit too, for a start that never gets as far as a window. Then nothing took the
// configuration over (Qt frees it when its font database goes), so it is freed here.
struct Reader
{
    std::thread thread;
    void (*release)() = nullptr;
    bool handedOver = false;
    ~Reader()
    {
        if (thread.joinable())
            thread.join();
        if (release && !handedOver)
            release();
    }
};

Reader& reader()
{
    static Reader instance;
    return instance;
}

} // namespace

namespace FontWarmUp {

bool start()
{
#ifdef Q_OS_LINUX
    if (reader().thread.joinable())
        return true;
    // The same library Qt's font database loads and initialises later; its set-up is
    // thread-safe and done once per process, whichever thread asks first.
    void* library = dlopen("libfontconfig.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return false;
    using Init = int (*)();
    const auto init = reinterpret_cast<Init>(dlsym(library, "FcInit"));
    if (!init)
        return false;
    reader().release = reinterpret_cast<void (*)()>(dlsym(library, "FcFini"));
    reader().thread = std::thread([init] { init(); });
    return true;
#else
    return false;
#endif
}

void finish()
{
    if (reader().thread.joinable())
        reader().thread.join();
    reader().handedOver = true;
}

} // namespace FontWarmUp
