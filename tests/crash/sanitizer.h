#pragma once

// True when this test program was built with AddressSanitizer or
// ThreadSanitizer: they take over fatal signals and thread start-up
// themselves, so the tests of ours that rely on those are skipped.
inline bool builtWithSanitizer()
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
    return true;
#endif
#endif
    return false;
}
