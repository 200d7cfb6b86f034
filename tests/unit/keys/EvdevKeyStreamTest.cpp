#include <gtest/gtest.h>

#include <linux/input.h>

#include "platform/linux/keys/EvdevKeyStream.h"

namespace orvendi::test {
namespace {

using Change = EvdevKeyStream::Change;

struct Event {
    int type;
    int code;
    int value;
};

constexpr Event press(int code) {
    return {EV_KEY, code, 1};
}
constexpr Event repeat(int code) {
    return {EV_KEY, code, 2};
}
constexpr Event release(int code) {
    return {EV_KEY, code, 0};
}
constexpr Event kReport{EV_SYN, SYN_REPORT, 0};
constexpr Event kDropped{EV_SYN, SYN_DROPPED, 0};

std::string recorded(const std::vector<Event>& events) {
    std::string bytes;
    for (const Event& e : events) {
        input_event record{};
        record.type = static_cast<__u16>(e.type);
        record.code = static_cast<__u16>(e.code);
        record.value = e.value;
        bytes.append(reinterpret_cast<const char*>(&record), sizeof record);
    }
    return bytes;
}

struct StreamCase {
    const char* name;
    std::vector<Event> events;
    std::vector<Change> expected;
};

class EvdevKeyStreamTest : public ::testing::TestWithParam<StreamCase> {};

// Streams as a keyboard sends them, fed in odd-sized reads (records split).
TEST_P(EvdevKeyStreamTest, ReportsPressesAndReleasesOfTheDictationKey) {
    EvdevKeyStream stream({KEY_RIGHTCTRL, KEY_RIGHTALT});
    const std::string bytes = recorded(GetParam().events);
    std::vector<Change> changes;
    for (size_t at = 0; at < bytes.size(); at += 7) {
        const size_t size = std::min<size_t>(7, bytes.size() - at);
        for (const auto& move : stream.feed(bytes.data() + at, size)) {
            changes.push_back(move.change);
        }
    }
    EXPECT_EQ(changes, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, EvdevKeyStreamTest,
    ::testing::Values(StreamCase{"HoldAndRelease",
                                 {press(KEY_RIGHTCTRL), kReport, repeat(KEY_RIGHTCTRL), kReport,
                                  repeat(KEY_RIGHTCTRL), release(KEY_RIGHTCTRL), kReport},
                                 {Change::Press, Change::Release}},
                      StreamCase{"OtherKeysCountForNothing",
                                 {press(KEY_A), release(KEY_A), press(KEY_LEFTCTRL),
                                  release(KEY_LEFTCTRL)},
                                 {}},
                      StreamCase{"TwoWatchedKeysHeldTogetherAreOnePress",
                                 {press(KEY_RIGHTCTRL), press(KEY_RIGHTALT), release(KEY_RIGHTCTRL),
                                  release(KEY_RIGHTALT)},
                                 {Change::Press, Change::Release}},
                      StreamCase{"ReleaseWithoutPressIsNothing", {release(KEY_RIGHTCTRL)}, {}},
                      StreamCase{"DroppedEventsLoseAHeldKeyUntilTheNextReport",
                                 {press(KEY_RIGHTCTRL), kReport, kDropped, release(KEY_RIGHTCTRL),
                                  press(KEY_RIGHTCTRL), kReport, press(KEY_RIGHTCTRL), kReport},
                                 {Change::Press, Change::Lost, Change::Press}}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(EvdevDevices, KeyboardsThatCanSendTheKeyAreRead) {
    constexpr size_t kBits = 8 * sizeof(unsigned long);
    auto bits = [](std::initializer_list<int> set) {
        std::vector<unsigned long> words(KEY_MAX / kBits + 1);
        for (int bit : set) {
            words[size_t(bit) / kBits] |= 1UL << (size_t(bit) % kBits);
        }
        return words;
    };
    const std::set<int> key{KEY_RIGHTCTRL};
    EXPECT_TRUE(EvdevKeyStream::canSend(bits({EV_SYN, EV_KEY}), bits({KEY_A, KEY_RIGHTCTRL}), key));
    EXPECT_FALSE(EvdevKeyStream::canSend(bits({EV_SYN, EV_KEY, EV_REL}), bits({BTN_LEFT}), key));
    EXPECT_FALSE(EvdevKeyStream::canSend(bits({EV_SYN}), bits({KEY_RIGHTCTRL}), key));
    EXPECT_FALSE(EvdevKeyStream::canSend({}, {}, key)) << "a device whose bits could not be read";

    EXPECT_TRUE(EvdevKeyStream::isEventDeviceName("event12"));
    for (const char* other : {"event", "mouse0", "by-id", "eventX", "js0"}) {
        EXPECT_FALSE(EvdevKeyStream::isEventDeviceName(other)) << other;
    }
}

} // namespace
} // namespace orvendi::test
