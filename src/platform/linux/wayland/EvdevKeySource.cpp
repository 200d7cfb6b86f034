#include "platform/linux/wayland/EvdevKeySource.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <filesystem>
#include <linux/input.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "platform/Log.h"
#include "platform/linux/keys/HeldKey.h"

namespace orvendi {
namespace {

constexpr size_t kBitsPerWord = 8 * sizeof(unsigned long);

std::vector<unsigned long> capabilityBits(int fd, int type, int highest) {
    std::vector<unsigned long> bits(size_t(highest) / kBitsPerWord + 1);
    if (ioctl(fd, EVIOCGBIT(type, bits.size() * sizeof(unsigned long)), bits.data()) < 0) {
        bits.clear();
    }
    return bits;
}

// An open device that can send one of `keyCodes`, or -1.
int openKeyboard(const std::string& path, const std::set<int>& keyCodes) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    if (!EvdevKeyStream::canSend(capabilityBits(fd, 0, EV_MAX), capabilityBits(fd, EV_KEY, KEY_MAX),
                                 keyCodes)) {
        close(fd);
        return -1;
    }
    return fd;
}

std::vector<std::string> eventDevices(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (EvdevKeyStream::isEventDeviceName(name)) {
            names.push_back(name);
        }
    }
    return names;
}

// Any key code a keyboard has: a device that sends it is a keyboard.
const std::set<int> kTypingKeys{KEY_A, KEY_SPACE, KEY_ENTER};

} // namespace

EvdevKeySource::EvdevKeySource(std::set<int> keyCodes, Log& log, std::string folder)
    : keyCodes_(std::move(keyCodes)), log_(log), folder_(std::move(folder)) {}

EvdevKeySource::~EvdevKeySource() {
    for (auto& [name, device] : devices_) {
        device.notifier.reset();
        close(device.fd);
    }
    hotPlug_.reset();
    if (inotify_ >= 0) {
        close(inotify_);
    }
}

bool EvdevKeySource::keyboardsReadable(const std::string& folder) {
    for (const std::string& name : eventDevices(folder)) {
        const int fd = openKeyboard(folder + "/" + name, kTypingKeys);
        if (fd >= 0) {
            close(fd);
            return true;
        }
    }
    return false;
}

bool EvdevKeySource::start(HeldKey& key) {
    key_ = &key;
    for (const std::string& name : eventDevices(folder_)) {
        openDevice(name);
    }
    if (devices_.empty()) {
        return false;
    }
    // Keyboards come and go; a new device node becomes readable when its
    // permissions are set, after it appears.
    inotify_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify_ >= 0 &&
        inotify_add_watch(inotify_, folder_.c_str(), IN_CREATE | IN_ATTRIB | IN_DELETE) >= 0) {
        hotPlug_ = std::make_unique<QSocketNotifier>(inotify_, QSocketNotifier::Read);
        QObject::connect(hotPlug_.get(), &QSocketNotifier::activated, hotPlug_.get(),
                         [this] { readHotPlug(); });
    } else {
        log_.write("Orvendi: keyboards plugged in later will not be read");
    }
    return true;
}

void EvdevKeySource::openDevice(const std::string& name) {
    if (devices_.contains(name)) {
        return;
    }
    const int fd = openKeyboard(folder_ + "/" + name, keyCodes_);
    if (fd < 0) {
        return;
    }
    Device& device = devices_[name];
    device.fd = fd;
    device.stream = std::make_unique<EvdevKeyStream>(keyCodes_);
    device.notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(device.notifier.get(), &QSocketNotifier::activated, device.notifier.get(),
                     [this, name] { readDevice(name); });
}

void EvdevKeySource::closeDevice(const std::string& name, bool lostKey) {
    const auto found = devices_.find(name);
    if (found == devices_.end()) {
        return;
    }
    const bool held = found->second.stream->isDown();
    found->second.notifier.reset();
    close(found->second.fd);
    devices_.erase(found);
    if (held) {
        reportHeld(lostKey, std::nullopt);
    }
}

void EvdevKeySource::readDevice(const std::string& name) {
    Device& device = devices_.at(name);
    char buffer[64 * sizeof(input_event)];
    for (;;) {
        const ssize_t got = read(device.fd, buffer, sizeof buffer);
        if (got > 0) {
            for (const auto& move : device.stream->feed(buffer, size_t(got))) {
                reportHeld(move.change == EvdevKeyStream::Change::Lost, move.at);
            }
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
            return;
        }
        closeDevice(name, true); // unplugged (ENODEV) or unreadable
        return;
    }
}

// The key is down while any keyboard holds it.
void EvdevKeySource::reportHeld(bool lost, std::optional<double> at) {
    const bool down = std::any_of(devices_.begin(), devices_.end(),
                                  [](const auto& entry) { return entry.second.stream->isDown(); });
    if (lost && !down) {
        key_->lose();
    } else if (down) {
        at ? key_->press(*at) : key_->press();
    } else {
        at ? key_->release(*at) : key_->release();
    }
}

void EvdevKeySource::readHotPlug() {
    alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
    ssize_t got;
    while ((got = read(inotify_, buffer, sizeof buffer)) > 0) {
        for (char* at = buffer; at < buffer + got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            at += sizeof(inotify_event) + event->len;
            const std::string name = event->len > 0 ? event->name : "";
            if (!EvdevKeyStream::isEventDeviceName(name)) {
                continue;
            }
            if (event->mask & IN_DELETE) {
                closeDevice(name, true);
            } else {
                openDevice(name);
            }
        }
    }
}

} // namespace orvendi
