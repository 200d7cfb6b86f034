#include "platform/linux/keys/HeldKey.h"

#include "platform/Scheduler.h"

namespace orvendi {

HeldKey::HeldKey(Scheduler& scheduler, std::function<void(Change)> onChange,
                 double longestHoldSeconds)
    : scheduler_(scheduler), onChange_(std::move(onChange)),
      longestHoldSeconds_(longestHoldSeconds), self_(std::make_shared<HeldKey*>(this)) {}

HeldKey::~HeldKey() = default;

void HeldKey::press() {
    if (down_) {
        return; // a repeat of the press in progress
    }
    const unsigned thisPress = ++pressNumber_;
    std::weak_ptr<HeldKey*> weakSelf = self_;
    scheduler_.mainAfter(longestHoldSeconds_, [weakSelf, thisPress] {
        auto self = weakSelf.lock();
        if (self && (*self)->down_ && (*self)->pressNumber_ == thisPress) {
            (*self)->lose();
        }
    });
    change(Change::Down);
}

void HeldKey::release() {
    if (down_) {
        change(Change::Up);
    }
}

void HeldKey::lose() {
    if (down_) {
        change(Change::UpLost);
    }
}

void HeldKey::change(Change change) {
    down_ = change == Change::Down;
    if (onChange_) {
        onChange_(change);
    }
}

} // namespace orvendi
