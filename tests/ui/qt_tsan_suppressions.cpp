// Qt's libraries are not built with ThreadSanitizer, so it cannot see their own
// synchronisation (their thread pool hands painting work between threads) and
// reports the memory that work passes along. Ignore what Qt's own code does; every
// access made by our code is still checked.
#if defined(__SANITIZE_THREAD__)
#define NETDISK_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define NETDISK_TSAN 1
#endif
#endif

#ifdef NETDISK_TSAN
extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libQt6Core.so.6\n"
         "called_from_lib:libQt6Gui.so.6\n"
         "called_from_lib:libQt6Widgets.so.6\n"
         "called_from_lib:libqoffscreen.so\n";
}
#endif
