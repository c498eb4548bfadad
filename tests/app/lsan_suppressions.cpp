// Under LeakSanitizer: the font library that Qt loads keeps a few caches to the end of the
// process, which are reported as leaks at exit. They are not the program's; everything else is
// still checked.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
