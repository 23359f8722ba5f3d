// SPDX-License-Identifier: MIT
// Linked into every program of the sanitizer build, and only there: dlclose leaves the library
// loaded. LeakSanitizer looks when the process ends, and by then a closed library's globals are
// gone: what they held looks leaked, from an "<unknown module>" that no suppression can name.
// Mesa's driver is one: EGL opens it as a Wayland window starts and closes it as the application
// ends, and on AMD's Zen processors it keeps a 128-byte table of their L3 caches in a global.
// Kept loaded, that table is still held, and a real leak names the library that made it.
// The program's own definition comes first in the lookup, ahead of libc's and the sanitizer's.
#include <dlfcn.h>

extern "C" __attribute__((visibility("default"))) int dlclose(void*) {
    return 0;
}
