#pragma once

#include <iosfwd>
#include <optional>
#include <string>

namespace orvendi {

// The tool's conversation with its user: results (transcripts, listings) on
// standard output, everything else (messages, questions, progress) on standard
// error. Questions and progress lines adapt to whether a person is watching.
class Terminal {
public:
    // `inputFd` and `errorFd` are the descriptors behind `in` and `err`, asked
    // whether they are terminals.
    Terminal(std::ostream& out, std::ostream& err, std::istream& in, int inputFd, int errorFd);

    std::ostream& out() { return out_; }
    bool inputIsTerminal() const { return inputIsTerminal_; }
    bool errorIsTerminal() const { return errorIsTerminal_; }
    int inputFd() const { return inputFd_; }

    // One line on standard error.
    void message(const std::string& line);
    // Shows `question` on standard error and reads one line of input (without
    // its line end); absent at the end of the input.
    std::optional<std::string> ask(const std::string& question);
    // A status line that the next one replaces; shown only on a terminal.
    void showProgress(const std::string& text);
    void clearProgress();

private:
    std::ostream& out_;
    std::ostream& err_;
    std::istream& in_;
    int inputFd_;
    bool inputIsTerminal_;
    bool errorIsTerminal_;
    bool progressShown_ = false;
};

} // namespace orvendi
