#pragma once

#include <QSocketNotifier>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "platform/linux/keys/EvdevKeyStream.h"
#include "platform/linux/wayland/KeySource.h"

namespace orvendi {

class Log;

// The dictation key read from the keyboards in /dev/input, for users whose
// account may read them (the "input" group). Every keyboard that can send the
// key is read, keyboards plugged in later too; devices are only read, never
// grabbed, so the compositor and the applications keep every key.
class EvdevKeySource : public KeySource {
public:
    static constexpr const char* kInputFolder = "/dev/input";

    // `keyCodes`: the dictation key's Linux key codes (KEY_RIGHTCTRL is 97).
    EvdevKeySource(std::set<int> keyCodes, Log& log, std::string folder = kInputFolder);
    ~EvdevKeySource() override;

    std::string name() const override { return "keyboards in " + folder_; }
    bool start(HeldKey& key) override;

    // Whether any keyboard in `folder` can be read by this process.
    static bool keyboardsReadable(const std::string& folder = kInputFolder);

private:
    struct Device {
        int fd = -1;
        std::unique_ptr<EvdevKeyStream> stream;
        std::unique_ptr<QSocketNotifier> notifier;
    };

    void openDevice(const std::string& name);
    void closeDevice(const std::string& name, bool lostKey);
    void readDevice(const std::string& name);
    void readHotPlug();
    // `at`: the time of the event that moved the key; none when a device went away.
    void reportHeld(bool lost, std::optional<double> at);

    std::set<int> keyCodes_;
    Log& log_;
    std::string folder_;
    HeldKey* key_ = nullptr;
    std::map<std::string, Device> devices_;
    int inotify_ = -1;
    std::unique_ptr<QSocketNotifier> hotPlug_;
};

} // namespace orvendi
