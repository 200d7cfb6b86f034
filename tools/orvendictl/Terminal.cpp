#include "Terminal.h"

#include <istream>
#include <ostream>
#include <unistd.h>

namespace orvendi {
namespace {

// Back to the start of the line and erase it.
constexpr const char* kEraseLine = "\r\033[K";

} // namespace

Terminal::Terminal(std::ostream& out, std::ostream& err, std::istream& in, int inputFd, int errorFd)
    : out_(out), err_(err), in_(in), inputFd_(inputFd), inputIsTerminal_(isatty(inputFd) == 1),
      errorIsTerminal_(isatty(errorFd) == 1) {}

void Terminal::message(const std::string& line) {
    clearProgress();
    err_ << line << '\n' << std::flush;
}

std::optional<std::string> Terminal::ask(const std::string& question) {
    clearProgress();
    err_ << question << std::flush;
    std::string answer;
    if (!std::getline(in_, answer)) {
        if (inputIsTerminal_) {
            err_ << '\n' << std::flush; // the user's end-of-input left the cursor on the question
        }
        return std::nullopt;
    }
    if (!answer.empty() && answer.back() == '\r') {
        answer.pop_back();
    }
    return answer;
}

void Terminal::showProgress(const std::string& text) {
    if (!errorIsTerminal_) {
        return;
    }
    err_ << kEraseLine << text << std::flush;
    progressShown_ = true;
}

void Terminal::clearProgress() {
    if (progressShown_) {
        err_ << kEraseLine << std::flush;
        progressShown_ = false;
    }
}

} // namespace orvendi
