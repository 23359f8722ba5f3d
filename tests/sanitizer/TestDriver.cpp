// SPDX-License-Identifier: MIT
// Does what Mesa's driver does as it starts on some processors: grows a table once with realloc
// and keeps it in a global for as long as the process runs, never freeing it.
#include <cstdlib>

namespace {
void* table = nullptr;
}

extern "C" __attribute__((visibility("default"))) void* FillTable() {
    table = std::realloc(table, 128);
    return table != nullptr ? reinterpret_cast<void*>(&FillTable) : nullptr;
}
