// The core tests' entry: every test runs in a fixed zone and a UTF-8 locale,
// whatever the caller's, so local-time and code-page conversions give the
// same results on every machine, and the zip tools the tests start (bsdtar,
// unzip) convert names and print their messages alike. Europe/Paris has
// daylight-saving changes, which the wall-clock rules must ignore.
//
// Set here rather than through the test runner, so that a test binary run by
// hand behaves as under ctest.

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    setenv("TZ", "Europe/Paris", 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    setenv("LANG", "C.UTF-8", 1);
    unsetenv("LANGUAGE"); // it outranks LC_ALL for the messages of GNU tools
    tzset();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
