// Under LeakSanitizer: the system's SDL libraries keep a few blocks until the
// process ends; they are not ours to free. Linked into the program and the tests.
#if defined(__SANITIZE_ADDRESS__)
#define VEK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VEK_ASAN 1
#endif
#endif

#ifdef VEK_ASAN
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libSDL2\nleak:libSDL-1.2\nleak:libSDL_mixer\nleak:libSDL_net\nleak:libasound\nleak:libpulse\n"
           "leak:libX11\nleak:libdbus\n";
}
#endif
