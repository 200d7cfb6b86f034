#pragma once

#include <functional>
#include <memory>

namespace orvendi {

class Scheduler;

// The dictation key as a Wayland key source reports it. Those sources are
// less faithful than the X server: some repeat the press while the key is
// held, and a release can go missing (a shortcut portal that never sends it,
// a keyboard unplugged mid-press, a desktop shortcut that only runs on press).
// This keeps one down/up state, ignores repeated presses and, when a release
// is lost or does not come within the longest hold, reports it as lost so the
// agent can keep recording hands-free instead of holding the microphone open
// for a key nobody holds. Each change carries when the key moved (`at`, on the
// scheduler's clock): the source's own time for the event where it has one.
// Main thread only.
class HeldKey {
public:
    enum class Change { Down, Up, UpLost };

    // Longer than anyone holds a key to talk.
    static constexpr double kLongestHoldSeconds = 120;

    HeldKey(Scheduler& scheduler, std::function<void(Change, double at)> onChange,
            double longestHoldSeconds = kLongestHoldSeconds);
    ~HeldKey();
    HeldKey(const HeldKey&) = delete;
    HeldKey& operator=(const HeldKey&) = delete;

    void press(double at);
    void release(double at);
    // For sources whose events carry no time: the key moved now, as it is read.
    void press();
    void release();
    // The source can no longer tell whether the key is held (found out now).
    void lose();

    bool isDown() const { return down_; }

private:
    void change(Change change, double at);

    Scheduler& scheduler_;
    std::function<void(Change, double at)> onChange_;
    double longestHoldSeconds_;
    bool down_ = false;
    // Identifies the press a scheduled hold limit belongs to.
    unsigned pressNumber_ = 0;
    std::shared_ptr<HeldKey*> self_;
};

} // namespace orvendi
