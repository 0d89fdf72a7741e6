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

const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }

}  // extern "C"
