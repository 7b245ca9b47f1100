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
