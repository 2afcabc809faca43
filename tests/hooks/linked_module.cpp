// The exports linked into the test program itself (with the core built with test hooks),
// looked up by their JNI names like the real module's: tests that need the generator's
// time sources fixed call exactly the export code a JVM calls.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

#include "jni/module.h"

void* module_symbol(const std::string& name) {
    void* sym = dlsym(RTLD_DEFAULT, name.c_str());
    if (sym == nullptr) {
        std::fprintf(stderr, "missing export %s\n", name.c_str());
        std::abort();
    }
    return sym;
}
