#pragma once

#include "LevelMeter.h"
#include "platform/AudioInput.h"

namespace orvendi {

// The microphone with a level meter listening in: every buffer goes to the
// meter and then, unchanged, to the recorder's tap.
class MeteredAudioInput : public AudioInput {
public:
    MeteredAudioInput(AudioInput& microphone, LevelMeter& meter)
        : microphone_(microphone), meter_(meter) {}

    AudioFormat inputFormat() override { return microphone_.inputFormat(); }
    void installTap(uint32_t bufferFrames, AudioTap tap) override;
    void removeTap() override { microphone_.removeTap(); }
    void start() override { microphone_.start(); }
    void stop() override { microphone_.stop(); }

private:
    AudioInput& microphone_;
    LevelMeter& meter_;
};

} // namespace orvendi
