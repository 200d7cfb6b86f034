#pragma once

#include <functional>
#include <string>

struct zwlr_data_control_manager_v1;
struct zwlr_data_control_source_v1;

namespace orvendi {

// One text the agent offers as a selection of the seat (data-control): it
// announces the text types that native and X11 clients ask for and hands the
// text to every client that pastes it, until another owner replaces it.
// Main thread only.
class DataControlSource {
public:
    // Writes the text into a client's pipe and closes it.
    using Serve = std::function<void(int fd, const std::string& text)>;

    DataControlSource(zwlr_data_control_manager_v1* manager, std::string text, Serve serve);
    ~DataControlSource();
    DataControlSource(const DataControlSource&) = delete;
    DataControlSource& operator=(const DataControlSource&) = delete;

    zwlr_data_control_source_v1* handle() const { return source_; }
    const std::string& text() const { return text_; }
    // True once another owner took the selection: the text is no longer on it.
    bool cancelled() const { return cancelled_; }

private:
    struct Listener;

    zwlr_data_control_source_v1* source_;
    std::string text_;
    Serve serve_;
    bool cancelled_ = false;
};

} // namespace orvendi
