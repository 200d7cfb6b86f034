#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <vector>

namespace orvendi {

// Reads the dictation key from the events of one /dev/input device (struct
// input_event records, in whatever pieces read() returns them). Only presses
// and releases of the watched key codes count: auto-repeat (value 2) is not a
// new press, and a press already seen is not reported twice. When the kernel
// dropped events (SYN_DROPPED) the key's state is unknown until it is pressed
// again, so a key held then is reported lost. Each change comes with the
// kernel's time of its event (the device's clock is left at the wall clock).
class EvdevKeyStream {
public:
    enum class Change { Press, Release, Lost };
    struct Move {
        Change change;
        double at; // seconds since 1970
    };

    explicit EvdevKeyStream(std::set<int> keyCodes);

    std::vector<Move> feed(const char* bytes, size_t size);
    bool isDown() const { return !held_.empty(); }

    // Whether a device is worth reading: it reports key events (EV_KEY in
    // `eventTypeBits`) and can send one of `keyCodes` (in `keyBits`), the
    // bitmaps EVIOCGBIT returns.
    static bool canSend(const std::vector<unsigned long>& eventTypeBits,
                        const std::vector<unsigned long>& keyBits, const std::set<int>& keyCodes);
    // The device files of /dev/input that carry events ("event3", not "mouse0").
    static bool isEventDeviceName(const std::string& name);

private:
    void handle(int type, int code, int value, double at, std::vector<Move>& moves);

    std::set<int> keyCodes_;
    std::set<int> held_;
    std::string partial_;
    bool dropping_ = false;
};

} // namespace orvendi
