#include "platform/linux/wayland/DataControlDevice.h"

#include "wlr-data-control-unstable-v1-client-protocol.h"

namespace orvendi {

DataControlDevice::Offer::~Offer() {
    zwlr_data_control_offer_v1_destroy(handle);
}

struct DataControlDevice::Listener {
    static void type(void* data, zwlr_data_control_offer_v1*, const char* mimeType) {
        static_cast<Offer*>(data)->types.emplace_back(mimeType);
    }
    static constexpr zwlr_data_control_offer_v1_listener kOfferEvents{type};

    static void dataOffer(void* data, zwlr_data_control_device_v1*,
                          zwlr_data_control_offer_v1* handle) {
        auto offer = std::make_unique<Offer>();
        offer->handle = handle;
        zwlr_data_control_offer_v1_add_listener(handle, &kOfferEvents, offer.get());
        static_cast<DataControlDevice*>(data)->incoming_ = std::move(offer);
    }
    static void selection(void* data, zwlr_data_control_device_v1*,
                          zwlr_data_control_offer_v1* handle) {
        static_cast<DataControlDevice*>(data)->hold(Selection::Clipboard, handle);
    }
    static void finished(void* data, zwlr_data_control_device_v1*) {
        static_cast<DataControlDevice*>(data)->finished_ = true;
    }
    static void primarySelection(void* data, zwlr_data_control_device_v1*,
                                 zwlr_data_control_offer_v1* handle) {
        static_cast<DataControlDevice*>(data)->hold(Selection::Primary, handle);
    }
    static constexpr zwlr_data_control_device_v1_listener kDeviceEvents{dataOffer, selection,
                                                                        finished, primarySelection};
};

DataControlDevice::DataControlDevice(zwlr_data_control_manager_v1* manager, wl_seat* seat)
    : device_(zwlr_data_control_manager_v1_get_data_device(manager, seat)) {
    zwlr_data_control_device_v1_add_listener(device_, &Listener::kDeviceEvents, this);
}

DataControlDevice::~DataControlDevice() {
    incoming_.reset();
    clipboard_.reset();
    primary_.reset();
    zwlr_data_control_device_v1_destroy(device_);
}

// The previous offer of the selection is gone; the new one is the offer just
// introduced with its types.
void DataControlDevice::hold(Selection selection, zwlr_data_control_offer_v1* handle) {
    auto& held = selection == Selection::Clipboard ? clipboard_ : primary_;
    held.reset();
    if (handle != nullptr && incoming_ && incoming_->handle == handle) {
        held = std::move(incoming_);
    }
}

void DataControlDevice::set(Selection selection, zwlr_data_control_source_v1* source) {
    if (selection == Selection::Clipboard) {
        zwlr_data_control_device_v1_set_selection(device_, source);
    } else if (zwlr_data_control_device_v1_get_version(device_) >=
               ZWLR_DATA_CONTROL_DEVICE_V1_SET_PRIMARY_SELECTION_SINCE_VERSION) {
        zwlr_data_control_device_v1_set_primary_selection(device_, source);
    }
}

const DataControlDevice::Offer* DataControlDevice::offer(Selection selection) const {
    return selection == Selection::Clipboard ? clipboard_.get() : primary_.get();
}

} // namespace orvendi
