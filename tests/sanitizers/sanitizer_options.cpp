// Built into every test program: the one suppression file of each sanitizer, whichever way the
// test is started (ctest, by hand, re-run under a preload library). Options given in the
// environment still add to these.

// Tests start helper programs (dbus-daemon, python3, Xvfb) with vfork and exec, which the race
// detector takes for a fork of a process with threads.
extern "C" const char* __tsan_default_options() {
    return "suppressions=" TALVIK_TSAN_SUPPRESSIONS ":die_after_fork=0";
}

extern "C" const char* __lsan_default_options() {
    return "suppressions=" TALVIK_LSAN_SUPPRESSIONS;
}
