// SPDX-License-Identifier: MIT
// A library closed before the process ends (Mesa's driver, closed by EGL as a Wayland window
// goes) stays loaded in the sanitizer build: what its globals hold is still held when
// LeakSanitizer looks, and anything it did leak is reported under its own name, which a
// suppression can match, instead of an "<unknown module>".
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sanitizer/lsan_interface.h>

#include <string>

#include "TestLoader.h"

namespace {

TEST(SanitizerBuild, ALibraryClosedBeforeTheEndKeepsItsTableAndItsName) {
    void* fill = OpenFillAndClose(GYROLAP_TEST_DRIVER);
    ASSERT_NE(fill, nullptr) << ::dlerror();

    // Its table, held by its global, is no leak.
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);

    // Its code is still there and still names its library.
    Dl_info where{};
    ASSERT_NE(::dladdr(fill, &where), 0);
    EXPECT_EQ(std::string(where.dli_fname), GYROLAP_TEST_DRIVER);
}

}  // namespace
