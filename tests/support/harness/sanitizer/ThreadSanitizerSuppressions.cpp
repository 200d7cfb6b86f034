// The one place that tells ThreadSanitizer what to ignore in every test program
// (a program may define this hook only once; tests/CMakeLists.txt adds this file
// to each program that links the support library).
//
// Debian's cpp-httplib, GLib, GIO and libsecret are prebuilt without
// instrumentation: they synchronise through atomics the sanitizer cannot see,
// so it reports races inside those libraries themselves (static locals, GLib's
// worker threads handing objects over). Our own code stays checked; only the
// interceptors those libraries call (memcpy, free, ...) are ignored.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libcpp-httplib.so\n"
           "called_from_lib:libglib-2.0.so\n"
           "called_from_lib:libgobject-2.0.so\n"
           "called_from_lib:libgio-2.0.so\n"
           "called_from_lib:libsecret-1.so\n";
}
