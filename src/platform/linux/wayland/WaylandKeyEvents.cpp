#include "platform/linux/wayland/WaylandKeyEvents.h"

#include "platform/Log.h"

namespace orvendi {

WaylandKeyEvents::WaylandKeyEvents(std::vector<std::unique_ptr<KeySource>> sources,
                                   KeyEvents& xwayland, std::function<bool()> pasteKeystroke,
                                   Scheduler& scheduler, Log& log, std::string advice)
    : sources_(std::move(sources)), xwayland_(xwayland), pasteKeystroke_(std::move(pasteKeystroke)),
      log_(log), advice_(std::move(advice)),
      key_(scheduler, [this](HeldKey::Change change, double at) {
          KeyFlags flags{change == HeldKey::Change::Down, false};
          flags.releaseLost = change == HeldKey::Change::UpLost;
          if (onFlagsChanged_) {
              onFlagsChanged_(flags, at);
          }
      }) {}

WaylandKeyEvents::~WaylandKeyEvents() = default;

bool WaylandKeyEvents::startMonitor(std::function<void(KeyFlags flags, double at)> onFlagsChanged) {
    onFlagsChanged_ = std::move(onFlagsChanged);
    if (active_) {
        return true;
    }
    for (const auto& source : sources_) {
        if (source->start(key_)) {
            active_ = source.get();
            log_.write("Orvendi: the dictation key comes from " + source->name());
            return true;
        }
    }
    log_.write("Orvendi: no source for the dictation key. " + advice_);
    return false;
}

std::optional<std::string> WaylandKeyEvents::activeSource() const {
    if (!active_) {
        return std::nullopt;
    }
    return active_->name();
}

} // namespace orvendi
