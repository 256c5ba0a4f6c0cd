// Under AddressSanitizer, the screen tests take whole stacks for each allocation: slower, but it is
// what lets the leak suppressions name the Qt Quick frames behind the images Qt keeps for a window
// that has gone (see tests/lsan.supp). An ASAN_OPTIONS setting still wins over this default.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}
#endif
