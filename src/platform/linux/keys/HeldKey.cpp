#include "platform/linux/keys/HeldKey.h"

#include "platform/Scheduler.h"

namespace orvendi {

HeldKey::HeldKey(Scheduler& scheduler, std::function<void(Change, double at)> onChange,
                 double longestHoldSeconds)
    : scheduler_(scheduler), onChange_(std::move(onChange)),
      longestHoldSeconds_(longestHoldSeconds), self_(std::make_shared<HeldKey*>(this)) {}

HeldKey::~HeldKey() = default;

void HeldKey::press(double at) {
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
    change(Change::Down, at);
}

void HeldKey::release(double at) {
    if (down_) {
        change(Change::Up, at);
    }
}

void HeldKey::press() {
    press(scheduler_.now());
}

void HeldKey::release() {
    release(scheduler_.now());
}

void HeldKey::lose() {
    if (down_) {
        change(Change::UpLost, scheduler_.now());
    }
}

void HeldKey::change(Change change, double at) {
    down_ = change == Change::Down;
    if (onChange_) {
        onChange_(change, at);
    }
}

} // namespace orvendi
