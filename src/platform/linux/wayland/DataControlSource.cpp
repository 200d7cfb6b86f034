#include "platform/linux/wayland/DataControlSource.h"

#include "wlr-data-control-unstable-v1-client-protocol.h"

namespace orvendi {
namespace {

// Native clients ask for the first two, X11 clients through XWayland for the
// others.
constexpr const char* kTextTypes[] = {"text/plain;charset=utf-8", "text/plain", "UTF8_STRING",
                                      "TEXT", "STRING"};

} // namespace

struct DataControlSource::Listener {
    static void send(void* data, zwlr_data_control_source_v1*, const char*, int32_t fd) {
        // Every type offered is the same text in UTF-8.
        auto* source = static_cast<DataControlSource*>(data);
        source->serve_(fd, source->text_);
    }
    static void cancelled(void* data, zwlr_data_control_source_v1*) {
        static_cast<DataControlSource*>(data)->cancelled_ = true;
    }
    static constexpr zwlr_data_control_source_v1_listener kEvents{send, cancelled};
};

DataControlSource::DataControlSource(zwlr_data_control_manager_v1* manager, std::string text,
                                     Serve serve)
    : source_(zwlr_data_control_manager_v1_create_data_source(manager)), text_(std::move(text)),
      serve_(std::move(serve)) {
    zwlr_data_control_source_v1_add_listener(source_, &Listener::kEvents, this);
    for (const char* type : kTextTypes) {
        zwlr_data_control_source_v1_offer(source_, type);
    }
}

DataControlSource::~DataControlSource() {
    zwlr_data_control_source_v1_destroy(source_);
}

} // namespace orvendi
