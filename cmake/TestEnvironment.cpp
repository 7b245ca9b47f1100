// Compiled into every test executable: makes the source, build and test-data folders known to the
// tests through the environment, whether they run under ctest or by hand.
#include <cstdlib>

namespace {
struct TestEnvironment {
    TestEnvironment() {
        setenv("TROV_SOURCE_DIR", TROV_SOURCE_DIR_VALUE, 0);
        setenv("TROV_BUILD_DIR", TROV_BUILD_DIR_VALUE, 0);
        setenv("TROV_TEST_DATA", TROV_SOURCE_DIR_VALUE "/tests/data", 0);
    }
} g_testEnvironment;
}  // namespace

// fontconfig keeps its configuration cache until exit on purpose; LeakSanitizer would report it in
// every test that draws a caption.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
