#include <csignal>
#include <cstdio>
#include <cstring>
#include <curl/curl.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>

#include "ServerApplication.h"
#include "ServerLog.h"
#include "base/Error.h"

using orvendi::server::ServerApplication;
using orvendi::server::ServerLog;
using orvendi::server::ServerOptions;

namespace {

// Signals that end the service; the main thread waits for them while the
// listeners serve on their own threads.
sigset_t stopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

// Every open connection is a descriptor; the default soft limit (often 1024)
// would turn a few hundred idle clients into refused connections.
void raiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

} // namespace

int main(int argc, char** argv) {
    // Everything the server creates (database, keys, outbox, uploads) is its
    // owner's alone.
    ::umask(077);
    ServerOptions options;
    try {
        options = ServerOptions::parse(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const orvendi::Error& error) {
        std::fprintf(stderr, "orvendi-server: %s\n", error.what());
        return 2;
    }
    if (options.help) {
        std::fputs(ServerOptions::usage().c_str(), stdout);
        return 0;
    }

    // Blocked before any thread starts, so that every thread inherits it and
    // only sigwait() below receives them.
    const sigset_t signals = stopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    raiseDescriptorLimit();
    curl_global_init(CURL_GLOBAL_DEFAULT);

    ServerLog log;
    try {
        ServerApplication application(options, log);
        for (const auto& address : application.bind()) {
            log.write("Listening on " + address.url(options.http.tlsCertificate.has_value()));
        }
        std::thread serving([&application] {
            application.run();
            kill(getpid(), SIGTERM); // wakes the main thread if serving ended by itself
        });
        int received = 0;
        sigwait(&signals, &received);
        log.write(std::string("Stopping (") + strsignal(received) + ")");
        application.stop();
        serving.join();
    } catch (const std::exception& error) {
        log.write(std::string("Cannot start: ") + error.what());
        return 1;
    }
    return 0;
}
