#pragma once

#include <string>
#include <vector>

namespace orvendi::test {

// A program run to its end with its own environment, its standard input fed
// from a string and both outputs captured.
struct CapturedRun {
    // The exit status, 128 + the signal that ended it, 127 when it could not be
    // executed, or -1 when it could not start or outlived the time limit (it
    // is then killed).
    int status = -1;
    std::string out;
    std::string err;

    // `environment` holds "NAME=value" entries and replaces the caller's.
    static CapturedRun of(const std::vector<std::string>& arguments,
                          const std::vector<std::string>& environment,
                          const std::string& input = {}, double timeoutSeconds = 240);
};

} // namespace orvendi::test
