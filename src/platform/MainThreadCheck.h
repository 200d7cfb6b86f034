#pragma once

// Checked thread rules: code that belongs to the main thread states it with
// ORVENDI_ASSERT_MAIN_THREAD(scheduler) at its entry points. Debug and
// sanitizer builds abort with the function's name when the rule is broken;
// release builds compile the check away without evaluating its argument.

#include <cstdio>
#include <cstdlib>

#include "platform/Scheduler.h"

namespace orvendi {

[[noreturn]] inline void abortOffMainThread(const char* function, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: %s called off the main thread\n", file, line, function);
    std::abort();
}

} // namespace orvendi

#if defined(ORVENDI_THREAD_CHECKS)
// `onMainThread` is any expression that is true on the main thread, for code
// that knows the thread without a scheduler (a Qt object's own thread).
#define ORVENDI_ASSERT_ON_MAIN_THREAD(onMainThread)                                                \
    do {                                                                                           \
        if (!(onMainThread)) {                                                                     \
            ::orvendi::abortOffMainThread(__func__, __FILE__, __LINE__);                           \
        }                                                                                          \
    } while (false)
#else
#define ORVENDI_ASSERT_ON_MAIN_THREAD(onMainThread)                                                \
    do {                                                                                           \
        (void)sizeof(onMainThread);                                                                \
    } while (false)
#endif

#define ORVENDI_ASSERT_MAIN_THREAD(scheduler)                                                      \
    ORVENDI_ASSERT_ON_MAIN_THREAD((scheduler).isMainThread())
