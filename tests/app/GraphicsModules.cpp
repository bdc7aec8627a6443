// The GL driver modules that GTK and WebKit load under Xvfb are unloaded at exit, before
// LeakSanitizer reports what they keep for the life of the process; their allocations then name
// no module that a suppression could match. Loading them once more here keeps them loaded.
#include <dlfcn.h>

#include <initializer_list>

namespace {

const bool kLoaded = [] {
    for (const char* module : {"libEGL_mesa.so.0", "libGLX_mesa.so.0", "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so"})
        dlopen(module, RTLD_LAZY | RTLD_GLOBAL | RTLD_NODELETE);
    return true;
}();

}  // namespace
