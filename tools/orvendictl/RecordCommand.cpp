#include "RecordCommand.h"
#include "base/Error.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <unistd.h>

#include "InterruptSignal.h"
#include "LevelMeter.h"
#include "MeteredAudioInput.h"
#include "RecordingDelivery.h"
#include "Terminal.h"
#include "ToolServices.h"
#include "UsageError.h"
#include "capture/Recorder.h"
#include "dictation/LiveTranscription.h"
#include "service/APIClient.h"
#include "ui/HUDMessage.h"

namespace orvendi {
namespace {

using Clock = std::chrono::steady_clock;

// How often the elapsed time and the meter are redrawn.
constexpr int kRedrawMilliseconds = 100;
constexpr double kLongestRecordingSeconds = 24 * 60 * 60;

std::optional<double> secondsOption(const ParsedCommand& command) {
    const auto text = command.value("--seconds");
    if (!text) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double seconds = std::strtod(text->c_str(), &end);
    if (text->empty() || *end != '\0' || !std::isfinite(seconds) || seconds <= 0 ||
        seconds > kLongestRecordingSeconds) {
        throw UsageError("--seconds needs a positive number of seconds, not \"" + *text + "\"");
    }
    return seconds;
}

std::string elapsedText(double seconds) {
    const long whole = static_cast<long>(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

} // namespace

CommandSyntax RecordCommand::syntax() {
    return {"record",
            {},
            {"--seconds"},
            0,
            0,
            "record [--seconds N]",
            "Records the default microphone until Enter (or for N seconds), then transcribes\n"
            "the recording and prints the text. Ctrl-C cancels and keeps nothing. A\n"
            "recording the service could not take stays saved for 'orvendictl retry'."};
}

ExitStatus RecordCommand::run(const ParsedCommand& command) {
    const auto limit = secondsOption(command);
    LevelMeter meter;
    MeteredAudioInput microphone(services_.microphone(), meter);
    Recorder recorder(microphone, services_.scheduler(), services_.files());
    // A long recording is transcribed part by part while it runs; the parts
    // report back from background threads, possibly after this returns.
    auto prepared = std::make_shared<std::atomic<double>>(0.0);
    auto live = std::make_shared<LiveTranscription>(
        services_.scheduler(), TranscriptionCalls::of(services_.sharedAPI()),
        [prepared](double seconds) { prepared->store(seconds); });
    std::optional<Recording> recording;
    {
        InterruptSignal interrupt;
        try {
            recorder.start(live);
        } catch (const Error& error) {
            terminal_.message(error.what());
            return ExitStatus::Failure;
        }
        if (waitForEnd(limit, interrupt, meter, *prepared) == Ending::Cancel) {
            recorder.cancel();
            terminal_.message("Recording cancelled; nothing was kept.");
            return ExitStatus::Failure;
        }
        recording = recorder.stop();
    }
    terminal_.clearProgress();
    if (!recording) {
        terminal_.message("Nothing usable was recorded.");
        return ExitStatus::Failure;
    }
    return RecordingDelivery(services_.api(), terminal_).deliver(*recording, live.get());
}

RecordCommand::Ending RecordCommand::waitForEnd(std::optional<double> limitSeconds,
                                                const InterruptSignal& interrupt, LevelMeter& meter,
                                                const std::atomic<double>& preparedSeconds) {
    const auto started = Clock::now();
    const std::string hint = limitSeconds ? "Ctrl-C cancels" : "Enter stops, Ctrl-C cancels";
    bool watchInput = true;
    for (;;) {
        const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
        if (limitSeconds && elapsed >= *limitSeconds) {
            return Ending::Stop;
        }
        const double prepared = preparedSeconds.load();
        const std::string ready = prepared > 0 ? transcribedMark(prepared) : "";
        terminal_.showProgress("Recording " + elapsedText(elapsed) + " " +
                               LevelMeter::bar(meter.takePeak()) + ready + "  " + hint);
        pollfd watched[2] = {{interrupt.fd(), POLLIN, 0},
                             {watchInput ? terminal_.inputFd() : -1, POLLIN, 0}};
        int timeout = kRedrawMilliseconds;
        if (limitSeconds) {
            const double left = (*limitSeconds - elapsed) * 1000;
            timeout = std::clamp(static_cast<int>(std::ceil(left)), 0, kRedrawMilliseconds);
        }
        if (::poll(watched, 2, timeout) <= 0) {
            continue;
        }
        if (watched[0].revents != 0) {
            return Ending::Cancel;
        }
        if (watched[1].revents != 0 && inputEndsRecording(watchInput, limitSeconds.has_value())) {
            return Ending::Stop;
        }
    }
}

bool RecordCommand::inputEndsRecording(bool& watchInput, bool hasLimit) {
    char buffer[256];
    const ssize_t count = ::read(terminal_.inputFd(), buffer, sizeof buffer);
    if (count > 0) {
        return std::find(buffer, buffer + count, '\n') != buffer + count;
    }
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) {
        return false;
    }
    // End of input (or an input that cannot be read): nobody can press Enter
    // any more, so without a time limit that is the end of the recording.
    watchInput = false;
    return !hasLimit;
}

} // namespace orvendi
