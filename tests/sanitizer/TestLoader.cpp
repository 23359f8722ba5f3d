// SPDX-License-Identifier: MIT
#include "TestLoader.h"

#include <dlfcn.h>

extern "C" __attribute__((visibility("default"))) void* OpenFillAndClose(const char* driver) {
    void* library = ::dlopen(driver, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return nullptr;
    auto* fill = reinterpret_cast<void* (*)()>(::dlsym(library, "FillTable"));
    void* filled = fill != nullptr ? fill() : nullptr;
    ::dlclose(library);
    return filled;
}
