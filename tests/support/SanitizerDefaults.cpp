// Defaults the sanitizer runtimes read at start-up, so that every way of
// running a test (ctest, the binary itself, a debugger) behaves alike.

extern "C" {

// Leaks inside Qt's and fontconfig's own caches live until process exit and
// are not ours to fix; everything else must be clean.
const char* __lsan_default_suppressions() {
    return "leak:libQt6\n"
           "leak:libfontconfig\n"
           "leak:libdbus\n"
           "leak:libglib\n";
}

// The leak checker of GCC 12 crashes ("Tracer caught signal 11") while it scans
// the dynamic thread-local storage of a library loaded at run time, which
// happens when a non-UTF-8 locale (LANG=C) makes the C library load its
// character-set converters. Not intercepting __tls_get_addr keeps it out of
// that storage; leaks are still found everywhere else.
const char* __asan_default_options() { return "intercept_tls_get_addr=0"; }

const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }

}  // extern "C"
