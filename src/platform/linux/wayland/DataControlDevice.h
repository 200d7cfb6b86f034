#pragma once

#include <memory>
#include <string>
#include <vector>

struct wl_seat;
struct zwlr_data_control_device_v1;
struct zwlr_data_control_manager_v1;
struct zwlr_data_control_offer_v1;
struct zwlr_data_control_source_v1;

namespace orvendi {

// A seat's two selections as a data-control client sees them: whose source
// holds the clipboard and the primary selection, and the types each offers.
// The compositor announces every change, the agent's own included, as events
// that the connection's owner dispatches. Main thread only.
class DataControlDevice {
public:
    enum class Selection { Clipboard, Primary };

    // What another client (or the agent itself) holds a selection with.
    struct Offer {
        zwlr_data_control_offer_v1* handle = nullptr;
        std::vector<std::string> types;
        ~Offer();
    };

    DataControlDevice(zwlr_data_control_manager_v1* manager, wl_seat* seat);
    ~DataControlDevice();
    DataControlDevice(const DataControlDevice&) = delete;
    DataControlDevice& operator=(const DataControlDevice&) = delete;

    // Makes `source` the selection; null empties it.
    void set(Selection selection, zwlr_data_control_source_v1* source);
    // The offer holding the selection; none while it is empty.
    const Offer* offer(Selection selection) const;
    // False once the compositor withdrew the device (its seat went away).
    bool usable() const { return !finished_; }

private:
    struct Listener;
    void hold(Selection selection, zwlr_data_control_offer_v1* handle);

    zwlr_data_control_device_v1* device_;
    // Introduced, its types being announced, its selection not yet named.
    std::unique_ptr<Offer> incoming_;
    std::unique_ptr<Offer> clipboard_;
    std::unique_ptr<Offer> primary_;
    bool finished_ = false;
};

} // namespace orvendi
