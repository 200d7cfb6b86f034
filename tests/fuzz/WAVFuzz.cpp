// Feeds arbitrary bytes to the WAV operations and checks that they agree with
// one another. AddressSanitizer catches any read outside the buffer; a broken
// agreement stops the run with the input that caused it.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "capture/WAV.h"

namespace {

using orvendi::Bytes;
namespace WAV = orvendi::WAV;

void require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

uint32_t sizeFieldAt(const Bytes& wav, size_t offset) {
    uint32_t value = 0;
    std::memcpy(&value, wav.data() + offset, 4);
    return value;
}

// The maximum comes from the input too, so odd, tiny, zero and negative ones
// are all tried.
int64_t maximumFrom(const Bytes& input) {
    return input.empty() ? 0 : int64_t(input.back() % 80) - 8;
}

void checkChunks(const Bytes& input, const Bytes& payload) {
    const int64_t maximum = maximumFrom(input);
    const size_t step = maximum < 2 ? 2 : size_t(maximum - maximum % 2);
    const auto pieces = WAV::chunks(input, maximum);
    require(pieces.empty() == payload.empty());
    Bytes joined;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const auto piece = WAV::pcmData(pieces[i]);
        require(piece.has_value() && !piece->empty());
        require(i + 1 == pieces.size() ? piece->size() <= step : piece->size() == step);
        require(sizeFieldAt(pieces[i], 4) == piece->size() + 36);
        require(sizeFieldAt(pieces[i], 40) == piece->size());
        joined.insert(joined.end(), piece->begin(), piece->end());
    }
    require(joined == payload);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Bytes input(data, data + size);
    const auto payload = WAV::pcmData(input);
    const bool voice = WAV::hasPlausibleVoiceSignal(input);
    if (!payload) {
        require(!voice);
        require(WAV::chunks(input, maximumFrom(input)).empty());
        return 0;
    }
    // Twelve bytes of RIFF preamble and eight of chunk header come before it.
    require(payload->size() + 20 <= input.size());
    require(!voice || payload->size() >= 2);
    const auto wrapped = WAV::wrap(*payload);
    require(wrapped.has_value() && WAV::pcmData(*wrapped) == payload);
    require(WAV::hasPlausibleVoiceSignal(*wrapped) == voice);
    checkChunks(input, *payload);
    return 0;
}
