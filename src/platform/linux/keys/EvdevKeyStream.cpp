#include "platform/linux/keys/EvdevKeyStream.h"

#include <algorithm>
#include <cctype>
#include <linux/input.h>

namespace orvendi {
namespace {

constexpr int kRelease = 0;
constexpr int kPress = 1;
constexpr size_t kBitsPerWord = 8 * sizeof(unsigned long);

bool bitSet(const std::vector<unsigned long>& bits, int bit) {
    const size_t word = size_t(bit) / kBitsPerWord;
    return word < bits.size() && (bits[word] >> (size_t(bit) % kBitsPerWord)) & 1UL;
}

} // namespace

EvdevKeyStream::EvdevKeyStream(std::set<int> keyCodes) : keyCodes_(std::move(keyCodes)) {}

std::vector<EvdevKeyStream::Move> EvdevKeyStream::feed(const char* bytes, size_t size) {
    partial_.append(bytes, size);
    std::vector<Move> moves;
    size_t offset = 0;
    for (; offset + sizeof(input_event) <= partial_.size(); offset += sizeof(input_event)) {
        input_event event{};
        std::copy_n(partial_.data() + offset, sizeof event, reinterpret_cast<char*>(&event));
        const double at = double(event.input_event_sec) + double(event.input_event_usec) * 1e-6;
        handle(event.type, event.code, event.value, at, moves);
    }
    partial_.erase(0, offset);
    return moves;
}

void EvdevKeyStream::handle(int type, int code, int value, double at, std::vector<Move>& moves) {
    if (type == EV_SYN && code == SYN_DROPPED) {
        dropping_ = true;
        if (!held_.empty()) {
            held_.clear();
            moves.push_back({Change::Lost, at});
        }
        return;
    }
    if (dropping_) {
        // Everything up to the next report belongs to the damaged frame.
        dropping_ = !(type == EV_SYN && code == SYN_REPORT);
        return;
    }
    if (type != EV_KEY || !keyCodes_.contains(code)) {
        return;
    }
    const bool wasDown = !held_.empty();
    if (value == kPress) {
        held_.insert(code);
    } else if (value == kRelease) {
        held_.erase(code);
    } else {
        return; // auto-repeat
    }
    if (wasDown != !held_.empty()) {
        moves.push_back({wasDown ? Change::Release : Change::Press, at});
    }
}

bool EvdevKeyStream::canSend(const std::vector<unsigned long>& eventTypeBits,
                             const std::vector<unsigned long>& keyBits,
                             const std::set<int>& keyCodes) {
    return bitSet(eventTypeBits, EV_KEY) &&
           std::any_of(keyCodes.begin(), keyCodes.end(),
                       [&](int code) { return bitSet(keyBits, code); });
}

bool EvdevKeyStream::isEventDeviceName(const std::string& name) {
    constexpr std::string_view kPrefix = "event";
    return name.size() > kPrefix.size() && name.starts_with(kPrefix) &&
           std::all_of(name.begin() + kPrefix.size(), name.end(),
                       [](unsigned char c) { return std::isdigit(c); });
}

} // namespace orvendi
