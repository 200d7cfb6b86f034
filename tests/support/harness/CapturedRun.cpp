#include "support/harness/CapturedRun.h"

#include <chrono>

#include "support/harness/SpawnedProcess.h"
#include "support/harness/TempDir.h"

namespace orvendi::test {

// The standard streams are files: a child that stops reading its input or
// writes a lot cannot block the test.
CapturedRun CapturedRun::of(const std::vector<std::string>& arguments,
                            const std::vector<std::string>& environment, const std::string& input,
                            double timeoutSeconds) {
    const TempDir streams;
    writeFile(streams.path() / "in", input);
    CapturedRun run;
    try {
        const pid_t pid = spawnProcess({.arguments = arguments,
                                        .environment = environment,
                                        .logFile = streams.path() / "out",
                                        .inputFile = streams.path() / "in",
                                        .errorFile = streams.path() / "err"});
        const auto limit = std::chrono::milliseconds(int64_t(timeoutSeconds * 1000));
        const auto started = std::chrono::steady_clock::now();
        const int status = endProcess(pid, 0, limit);
        run.status = std::chrono::steady_clock::now() - started < limit ? status : -1;
    } catch (const std::runtime_error&) {
        return run;
    }
    run.out = readFile(streams.path() / "out");
    run.err = readFile(streams.path() / "err");
    return run;
}

} // namespace orvendi::test
