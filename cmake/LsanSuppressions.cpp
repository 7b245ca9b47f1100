// Compiled into every test executable. fontconfig keeps its configuration cache until exit on
// purpose; LeakSanitizer would report it in every test that draws a caption or opens a window.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
