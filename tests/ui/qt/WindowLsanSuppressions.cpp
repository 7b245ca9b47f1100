// Linked into every window test. Libraries that keep caches until exit on purpose (fonts, the
// toolkit's global tables); LeakSanitizer would report them in every window test.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libQt6Core.so\nleak:libQt6Gui.so\nleak:libQt6Widgets.so\n"
           "leak:libglib-2.0.so\nleak:libgobject-2.0.so\nleak:libdbus-1.so\n";
}
