#include "jni/module.h"

#include <cstdio>
#include <cstdlib>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

void* load_module() {
#if defined(_WIN32)
    // The DLL and its companion lie beside the test program.
    HMODULE h = LoadLibraryA("tellarvantix.dll");
    if (h == nullptr) {
        std::fprintf(stderr, "cannot load tellarvantix.dll (error %lu)\n", GetLastError());
        std::abort();
    }
    return reinterpret_cast<void*>(h);
#else
    void* h = dlopen(VANTIX_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    if (h == nullptr) {
        std::fprintf(stderr, "cannot load %s: %s\n", VANTIX_MODULE_PATH, dlerror());
        std::abort();
    }
    return h;
#endif
}

}  // namespace

void* module_symbol(const std::string& name) {
    static void* module = load_module();
#if defined(_WIN32)
    FARPROC p = GetProcAddress(reinterpret_cast<HMODULE>(module), name.c_str());
    void* sym = reinterpret_cast<void*>(p);
#else
    void* sym = dlsym(module, name.c_str());
#endif
    if (sym == nullptr) {
        std::fprintf(stderr, "missing export %s\n", name.c_str());
        std::abort();
    }
    return sym;
}
