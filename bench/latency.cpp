// Latency of one dictation through the real agent core: from the dictation key's
// release to the paste keystroke, and from its press to the first captured audio.
//
// The application delegate runs on the plain event loop with the real recorder
// on a private PulseAudio server (virtual microphone), the real conversion and
// recovery store on disk, and the real backend client against a local HTTP
// server that answers at once. Keys, focus, clipboard and the paste keystroke
// are the test fakes, driven at the key monitor's level; each of them, and the
// scheduler, stamps the moment the road passes it, which splits the road into
//   stopping     release → microphone stopped and spool file closed
//   conversion   → 16 kHz mono WAV made and its recovery copy written (submit)
//   hand-over    → the transcription task starts on its background queue
//   screening    the voice-signal check of the uploaded WAV, timed on its own
//   upload       → the transcript is back (request, server, response), less screening
//   delivery     → the main queue has the transcript and reactivates the target
//   paste        → the paste keystroke (no fixed delays: each step waits for evidence)
//
// usage: bench_latency [ROUNDS_5S [ROUNDS_60S [TAPS]]]   (default 5 3 20)
// The 5-second dictations are spoken in real time; the 60-second ones are
// written into the microphone at once (it then delivers faster than real time)
// and the key is released once all of it has been captured.
//
// usage: bench_latency long [ROUNDS [WHOLE]]   (default 3 1)
// A dictation of about 100 seconds (espeak-ng sentences with pauses) spoken in
// real time against a real orvendi-server (pocketsphinx): key release → paste
// keystroke while its parts are transcribed as it is spoken, and the word
// error rate of the pasted text; with WHOLE 1, each round's own recording also
// goes through the one-request road (uploaded whole after release) for
// comparison on the same audio.
//
// usage: bench_latency x11 [ROUNDS]   (default 5; inside desktop-session)
// The delivery into a real GTK 3 entry (zenity) on X11: the same road with the
// X11 clipboard, workspace, paste keystroke and AT-SPI in place of the fakes,
// timed from the key's release until the text reads back over AT-SPI, per
// delivery route (AT-SPI text insertion, clipboard + keystroke).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>

#include "app/AppDelegate.h"
#include "app/DictationGestures.h"
#include "capture/StreamingConverter.h"
#include "capture/WAV.h"
#include "input/DeliveryRoute.h"
#include "input/InsertionTarget.h"
#include "input/TextInsertion.h"
#include "platform/Accessibility.h"
#include "platform/linux/pulse/PulseAudioInput.h"
#include "platform/linux/system/EventLoopScheduler.h"
#include "service/SessionStore.h"
#include "support/fakes/CapturingLog.h"
#include "support/fakes/FakeAccessibility.h"
#include "support/fakes/FakeApplication.h"
#include "support/fakes/FakeFiles.h"
#include "support/fakes/FakeKeyEvents.h"
#include "support/fakes/FakeKeychain.h"
#include "support/fakes/FakePasteboard.h"
#include "support/fakes/FakePrivacy.h"
#include "support/fakes/FakeWindows.h"
#include "support/fakes/FakeWorkspace.h"
#include "support/fakes/MemoryDefaults.h"
#include "support/harness/AudioSession.h"
#include "support/harness/ServerProcess.h"
#include "support/harness/SoundFiles.h"
#include "support/harness/SpokenAudio.h"
#include "support/harness/TempDir.h"
#include "support/harness/TestHTTPServer.h"

#ifdef ORVENDI_BENCH_DESKTOP
#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QTimer>

#include "platform/linux/X11DesktopServices.h"
#include "platform/linux/qt/QtScheduler.h"
#endif

namespace orvendi {
namespace {

using Clock = std::chrono::steady_clock;
using Moment = std::optional<Clock::time_point>;

constexpr int32_t kEditorPid = 4100;
constexpr double kWaitLimitSeconds = 120;

double milliseconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The moments one dictation passes; written from several threads.
struct Timeline {
    std::mutex mutex;
    Moment pressed, firstAudio, released, inputStopped, spoolClosed, submitted, taskStarted,
        resultPosted, targetActivated, keystroke, textPresent;
    std::string uploadedBody;

    void mark(Moment& moment) {
        std::lock_guard lock(mutex);
        if (!moment) {
            moment = Clock::now();
        }
    }
    Moment read(const Moment& moment) {
        std::lock_guard lock(mutex);
        return moment;
    }
    void reset() {
        std::lock_guard lock(mutex);
        pressed = firstAudio = released = inputStopped = spoolClosed = submitted = taskStarted =
            resultPosted = targetActivated = keystroke = textPresent = std::nullopt;
        uploadedBody.clear();
    }
};

// The real microphone, stamping the first buffer of a recording and its stop.
class TimedInput : public AudioInput {
public:
    TimedInput(AudioInput& input, Timeline& timeline) : input_(input), timeline_(timeline) {}
    AudioFormat inputFormat() override { return input_.inputFormat(); }
    void installTap(uint32_t bufferFrames, AudioTap tap) override {
        input_.installTap(bufferFrames,
                          [this, tap = std::move(tap)](const float* const* planes,
                                                       uint32_t channels, uint32_t frames) {
                              timeline_.mark(timeline_.firstAudio);
                              keep(planes, channels, frames);
                              tap(planes, channels, frames);
                              frames_ += frames;
                          });
    }
    void removeTap() override { input_.removeTap(); }
    void start() override {
        frames_ = 0;
        {
            std::lock_guard lock(keptMutex_);
            kept_.clear();
        }
        input_.start();
    }
    void stop() override {
        input_.stop();
        timeline_.mark(timeline_.inputStopped);
    }
    uint64_t frames() const { return frames_; }

    // Keep a copy of every recording from here on, to send the same audio
    // through another road afterwards.
    void keepRecordings() { keeping_ = true; }
    // The last recording as 16 kHz mono samples, converted as the agent does.
    Bytes lastRecording() {
        std::lock_guard lock(keptMutex_);
        const AudioFormat format = input_.inputFormat();
        StreamingConverter converter(format.sampleRate, format.channels);
        Bytes pcm;
        converter.feed(kept_.data(), kept_.size() / format.channels, pcm);
        converter.finish(pcm);
        return pcm;
    }

private:
    void keep(const float* const* planes, uint32_t channels, uint32_t frames) {
        if (!keeping_) {
            return;
        }
        std::lock_guard lock(keptMutex_);
        for (uint32_t frame = 0; frame < frames; ++frame) {
            for (uint32_t channel = 0; channel < channels; ++channel) {
                kept_.push_back(planes[channel][frame]);
            }
        }
    }

    AudioInput& input_;
    Timeline& timeline_;
    std::atomic<uint64_t> frames_{0};
    std::atomic<bool> keeping_{false};
    std::mutex keptMutex_;
    std::vector<float> kept_;
};

// The recorder's serial queue: its sync() is how stop() waits for the spool
// file to be flushed and closed.
class TimedSerialQueue : public SerialQueue {
public:
    TimedSerialQueue(std::shared_ptr<SerialQueue> queue, Timeline& timeline)
        : queue_(std::move(queue)), timeline_(timeline) {}
    void async(Task task) override { queue_->async(std::move(task)); }
    void sync(Task task) override {
        queue_->sync(std::move(task));
        timeline_.mark(timeline_.spoolClosed);
    }
    const std::string& label() const override { return queue_->label(); }

private:
    std::shared_ptr<SerialQueue> queue_;
    Timeline& timeline_;
};

thread_local bool inTranscriptionTask = false;

// The main loop a bench runs on: its scheduler, and running it until `done`
// holds or `seconds` pass.
struct MainLoop {
    Scheduler& scheduler;
    std::function<bool(const std::function<bool()>& done, double seconds)> runUntil;
};

// The event loop, stamping the hand-over of a recording to its background task
// and of the transcript back to the main queue.
class TimedScheduler : public Scheduler {
public:
    TimedScheduler(Timeline& timeline, MainLoop mainLoop)
        : loop_(std::move(mainLoop)), loop(loop_.scheduler), timeline_(timeline) {}
    double now() const override { return loop.now(); }
    bool isMainThread() const override { return loop.isMainThread(); }
    bool runUntil(const std::function<bool()>& done, double seconds) {
        return loop_.runUntil(done, seconds);
    }
    void mainAsync(Task task) override {
        if (inTranscriptionTask) {
            timeline_.mark(timeline_.resultPosted);
        }
        loop.mainAsync(std::move(task));
    }
    void mainAfter(double seconds, Task task) override { loop.mainAfter(seconds, std::move(task)); }
    std::shared_ptr<Timer> repeatingTimer(double intervalSeconds, Task task) override {
        return loop.repeatingTimer(intervalSeconds, std::move(task));
    }
    void globalAsync(QueuePriority priority, Task task) override {
        // The transcription task is the one the main thread hands over at
        // user-initiated priority; parts of a long recording go up from other
        // threads.
        if (priority != QueuePriority::UserInitiated || std::this_thread::get_id() != mainThread_) {
            loop.globalAsync(priority, std::move(task));
            return;
        }
        timeline_.mark(timeline_.submitted);
        loop.globalAsync(priority, [this, task = std::move(task)] {
            timeline_.mark(timeline_.taskStarted);
            inTranscriptionTask = true;
            task();
            inTranscriptionTask = false;
        });
    }
    std::shared_ptr<SerialQueue> serialQueue(const std::string& label) override {
        auto queue = loop.serialQueue(label);
        if (label == "recorder") {
            return std::make_shared<TimedSerialQueue>(std::move(queue), timeline_);
        }
        return queue;
    }

private:
    MainLoop loop_;
    Scheduler& loop;
    Timeline& timeline_;
    const std::thread::id mainThread_ = std::this_thread::get_id();
};

// The workspace (fake or real), stamping the target's re-activation. It opens
// no links: a bench shows nothing.
class TimedWorkspace : public Workspace {
public:
    TimedWorkspace(Workspace& workspace, Timeline& timeline)
        : workspace_(workspace), timeline_(timeline) {}
    bool openURL(const std::string&) override { return false; }
    std::optional<int32_t> frontmostProcessId() override { return workspace_.frontmostProcessId(); }
    bool activateProcess(int32_t processId) override {
        timeline_.mark(timeline_.targetActivated);
        return workspace_.activateProcess(processId);
    }

private:
    Workspace& workspace_;
    Timeline& timeline_;
};

// The dictation key driven at the monitor's level; the paste keystroke is
// stamped and, on a real desktop, posted there.
class TimedKeyEvents : public test::FakeKeyEvents {
public:
    TimedKeyEvents(Timeline& timeline, KeyEvents* desktop)
        : timeline_(timeline), desktop_(desktop) {}
    bool postPasteKeystroke() override {
        timeline_.mark(timeline_.keystroke);
        FakeKeyEvents::postPasteKeystroke();
        return desktop_ == nullptr || desktop_->postPasteKeystroke();
    }

private:
    Timeline& timeline_;
    KeyEvents* desktop_;
};

// A real desktop's services the text is delivered through, and the process
// whose focused element receives it.
struct DesktopDelivery {
    MainLoop loop;
    Workspace& workspace;
    Pasteboard& pasteboard;
    Accessibility& accessibility;
    KeyEvents& keyEvents;
};

// The WAV inside the multipart upload.
Bytes uploadedWav(const std::string& body) {
    const auto riff = body.find("RIFF");
    if (riff == std::string::npos || body.size() < riff + 8) {
        return {};
    }
    uint32_t riffSize = 0;
    for (int i = 3; i >= 0; --i) {
        riffSize = (riffSize << 8) | uint8_t(body[riff + 4 + size_t(i)]);
    }
    const size_t length = std::min<size_t>(riffSize + 8, body.size() - riff);
    return Bytes(body.begin() + long(riff), body.begin() + long(riff + length));
}

double screeningMilliseconds(const Bytes& wav) {
    constexpr int kRepeats = 5;
    std::vector<double> runs;
    for (int i = 0; i < kRepeats; ++i) {
        const auto began = Clock::now();
        volatile bool plausible = WAV::hasPlausibleVoiceSignal(wav);
        (void)plausible;
        runs.push_back(milliseconds(began, Clock::now()));
    }
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

struct Phases {
    double stopping, conversion, handOver, screening, upload, delivery, paste, total;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}
double largest(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

// What the local backend answers for every dictation.
nlohmann::json transcript() {
    const std::string text = "Hello there.";
    return {{"raw", {{"text", text}, {"cleaned_text", text}, {"id", "dictation-1"}}}};
}

class LatencyBench {
public:
    // `backend`: the configuration of a real backend (with password-grant
    // credentials); without it, a local server that answers at once.
    // `desktop`: deliver through a real desktop's services instead of the fakes.
    explicit LatencyBench(std::optional<nlohmann::json> backend = std::nullopt,
                          std::optional<DesktopDelivery> desktop = std::nullopt)
        : scheduler_(timeline_, desktop ? desktop->loop : eventLoop()), pulse_(),
          input_(pulse_, timeline_),
          workspace_(desktop ? desktop->workspace : fakeWorkspace_, timeline_),
          pasteboard_(desktop ? desktop->pasteboard : fakePasteboard_),
          accessibility_(desktop ? desktop->accessibility : fakeAccessibility_),
          keyEvents_(timeline_, desktop ? &desktop->keyEvents : nullptr) {
        server_.respond("POST", "/api/activation",
                        test::ScriptedResponse::json(200, {{"ok", true}}));
        server_.respond("POST", "/api/native-status",
                        test::ScriptedResponse::json(200, {{"ok", true}}));
        server_.respond("GET", "/api/notes",
                        test::ScriptedResponse::json(200, {{"notes", nlohmann::json::array()}}));
        server_.handle("POST", "/api/transcribe", [this](const test::RecordedRequest& request) {
            {
                std::lock_guard lock(timeline_.mutex);
                timeline_.uploadedBody = request.body;
            }
            return test::ScriptedResponse::json(200, transcript());
        });
        // A recording long enough to go up in parts ends with the request that
        // saves their joined text.
        server_.respond("POST", "/api/transcribe/finalize",
                        test::ScriptedResponse::json(200, transcript()));
        nlohmann::json config = backend.value_or(nlohmann::json{{"api_url", server_.url()}});
        config["vault_dir"] = (files_.homeDirectory() / "Vault").string();
        test::writeFile(files_.homeDirectory() / ".orvendi/config.json", config.dump());
        if (!backend) {
            SessionStore::save(keychain_, {"access-1", "refresh-1", scheduler_.now() + 24 * 3600});
        }
        fakeWorkspace_.frontmost = kEditorPid;
        fakeWorkspace_.running.insert(kEditorPid);
        auto editor = fakeAccessibility_.focus(kEditorPid);
        editor->role = kRoleTextField;
        editor->selectedRange = TextRange{0, 0};

        delegate_ = AppDelegate::create(Platform{scheduler_, application_, windows_, workspace_,
                                                 pasteboard_, accessibility_, keyEvents_, privacy_,
                                                 input_, keychain_, defaults_, files_, log_});
        delegate_->applicationDidFinishLaunching();
        if (!delegate_->authenticatedSetupComplete()) {
            throw std::runtime_error("the agent did not sign in against the local server");
        }
        // Let the launch's first sync and reports go by.
        scheduler_.runUntil([] { return false; }, 1.0);
    }

    // Press, let `speak` feed the microphone and wait, release, wait for the keystroke.
    Phases dictate(const std::function<void()>& speak, double deliverySeconds = kWaitLimitSeconds) {
        speakAndRelease(speak);
        if (!scheduler_.runUntil([&] { return bool(timeline_.read(timeline_.keystroke)); },
                                 deliverySeconds)) {
            throw std::runtime_error("no paste keystroke; log: " + lastLog());
        }
        return phases();
    }

    // Press, speak, release, and wait until `arrived` sees the text in the
    // target. Returns release → text present and transcript back → text present.
    std::pair<double, double> dictateUntil(const std::function<void()>& speak,
                                           const std::function<bool()>& arrived) {
        speakAndRelease(speak);
        if (!scheduler_.runUntil(arrived, kWaitLimitSeconds)) {
            throw std::runtime_error("the text never arrived; log: " + lastLog());
        }
        timeline_.mark(timeline_.textPresent);
        std::lock_guard lock(timeline_.mutex);
        if (!timeline_.resultPosted) {
            throw std::runtime_error("the transcript was not seen coming back");
        }
        return {milliseconds(*timeline_.released, *timeline_.textPresent),
                milliseconds(*timeline_.resultPosted, *timeline_.textPresent)};
    }

    // A short tap: recording starts and is cancelled. Returns press → first audio.
    double tap() {
        timeline_.reset();
        press();
        keyEvents_.send(false, false, scheduler_.now());
        // Far enough apart that two taps never make a double tap.
        waitForMainLoop(DictationGestures::kDoubleTapWindow + 0.15);
        return milliseconds(*timeline_.read(timeline_.pressed),
                            *timeline_.read(timeline_.firstAudio));
    }

    double pressToFirstAudio() {
        return milliseconds(*timeline_.read(timeline_.pressed),
                            *timeline_.read(timeline_.firstAudio));
    }

    void keepRecordings() { input_.keepRecordings(); }
    Bytes lastRecording() { return input_.lastRecording(); }

    void waitForMainLoop(double seconds) {
        scheduler_.runUntil([] { return false; }, seconds);
    }
    // Runs the main loop until the microphone has delivered `frames` since the press.
    void waitForFrames(uint64_t frames) {
        if (!scheduler_.runUntil([&] { return input_.frames() >= frames; }, kWaitLimitSeconds)) {
            throw std::runtime_error("the microphone delivered too little audio");
        }
    }
    double inputRate() { return pulse_.inputFormat().sampleRate; }
    std::string pastedText() const { return pasteboard_.string().value_or(""); }
    bool logged(const std::string& text) {
        const auto lines = log_.lines();
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(text) != std::string::npos;
        });
    }

private:
    MainLoop eventLoop() {
        return {eventLoop_, [this](const std::function<bool()>& done, double seconds) {
                    return eventLoop_.runUntil(done, seconds);
                }};
    }

    void speakAndRelease(const std::function<void()>& speak) {
        timeline_.reset();
        press();
        speak();
        timeline_.mark(timeline_.released);
        keyEvents_.send(false, false, scheduler_.now());
    }

    void press() {
        timeline_.mark(timeline_.pressed);
        keyEvents_.send(true, false, scheduler_.now());
        if (!scheduler_.runUntil([&] { return delegate_->isRecording(); }, kWaitLimitSeconds)) {
            throw std::runtime_error("the press did not start a recording; log: " + lastLog());
        }
        if (!scheduler_.runUntil([&] { return bool(timeline_.read(timeline_.firstAudio)); },
                                 kWaitLimitSeconds)) {
            throw std::runtime_error("no audio from the microphone");
        }
    }

    Phases phases() {
        std::lock_guard lock(timeline_.mutex);
        const auto& t = timeline_;
        for (const Moment* moment : {&t.released, &t.spoolClosed, &t.submitted, &t.taskStarted,
                                     &t.resultPosted, &t.targetActivated, &t.keystroke}) {
            if (!*moment) {
                throw std::runtime_error("a moment of the road was not seen");
            }
        }
        Phases p{};
        p.stopping = milliseconds(*t.released, *t.spoolClosed);
        p.conversion = milliseconds(*t.spoolClosed, *t.submitted);
        p.handOver = milliseconds(*t.submitted, *t.taskStarted);
        p.screening = screeningMilliseconds(uploadedWav(t.uploadedBody));
        p.upload = milliseconds(*t.taskStarted, *t.resultPosted) - p.screening;
        p.delivery = milliseconds(*t.resultPosted, *t.targetActivated);
        p.paste = milliseconds(*t.targetActivated, *t.keystroke);
        p.total = milliseconds(*t.released, *t.keystroke);
        return p;
    }

    std::string lastLog() {
        const auto lines = log_.lines();
        return lines.empty() ? "(empty)" : lines.back();
    }

    Timeline timeline_;
    EventLoopScheduler eventLoop_;
    TimedScheduler scheduler_;
    test::TestHTTPServer server_;
    test::FakeFiles files_;
    test::FakeApplication application_;
    test::FakeWindows windows_;
    test::FakeWorkspace fakeWorkspace_;
    test::FakePasteboard fakePasteboard_;
    test::FakeAccessibility fakeAccessibility_;
    test::FakePrivacy privacy_;
    test::FakeKeychain keychain_;
    test::MemoryDefaults defaults_;
    test::CapturingLog log_;
    PulseAudioInput pulse_;
    TimedInput input_;
    TimedWorkspace workspace_;
    Pasteboard& pasteboard_;
    Accessibility& accessibility_;
    TimedKeyEvents keyEvents_;
    std::shared_ptr<AppDelegate> delegate_;
};

void report(const char* title, const std::vector<Phases>& rounds) {
    auto column = [&](double Phases::*field) {
        std::vector<double> values;
        for (const auto& round : rounds) {
            values.push_back(round.*field);
        }
        return values;
    };
    std::printf("\n%s, %zu rounds: key release -> paste keystroke (median / max, ms)\n", title,
                rounds.size());
    const struct {
        const char* name;
        double Phases::*field;
    } rows[] = {
        {"stopping (microphone, spool file)", &Phases::stopping},
        {"conversion (16 kHz WAV, recovery copy)", &Phases::conversion},
        {"hand-over to the background queue", &Phases::handOver},
        {"screening (voice-signal check)", &Phases::screening},
        {"upload (request to transcript)", &Phases::upload},
        {"delivery (back on the main queue)", &Phases::delivery},
        {"paste (target back, clipboard, keystroke)", &Phases::paste},
        {"total", &Phases::total},
    };
    for (const auto& row : rows) {
        const auto values = column(row.field);
        std::printf("  %-42s %8.1f %8.1f\n", row.name, median(values), largest(values));
    }
}

constexpr double kLongSeconds = 110;
// On a loaded machine recognition runs slower than speech and the parts queue up.
constexpr double kLongDeliverySeconds = 900;

// What the server's log says it has recognised so far: uploads, seconds of
// audio, and the seconds they took (waiting for a free decoder included).
struct Recognised {
    int uploads = 0;
    double audio = 0, decoding = 0;
    Recognised operator-(const Recognised& earlier) const {
        return {uploads - earlier.uploads, audio - earlier.audio, decoding - earlier.decoding};
    }
};

Recognised recognisedSoFar(const test::ServerProcess& server) {
    static const std::regex line(R"(Recognised ([\d.]+) s of audio in ([\d.]+) s)");
    const std::string log = server.log();
    Recognised total;
    for (std::sregex_iterator it(log.begin(), log.end(), line), end; it != end; ++it) {
        ++total.uploads;
        total.audio += std::stod((*it)[1]);
        total.decoding += std::stod((*it)[2]);
    }
    return total;
}

// The road without parts: a whole recording uploaded in one request after
// the release, waited for however long recognition takes (the agent itself
// gives up after 120 s, which a loaded machine exceeds).
class WholeUpload {
public:
    WholeUpload(const test::ServerProcess& server, const std::string& email)
        : client_("127.0.0.1", server.port()) {
        client_.set_read_timeout(kLongDeliverySeconds, 0);
        client_.Post("/api/native-auth/request", nlohmann::json{{"email", email}}.dump(),
                     "application/json");
        const auto signedIn = client_.Post(
            "/api/native-auth/verify",
            nlohmann::json{{"email", email}, {"code", server.signInCode(email).value_or("")}}
                .dump(),
            "application/json");
        token_ = signedIn ? std::string(nlohmann::json::parse(signedIn->body)["accessToken"]) : "";
    }

    // The text of 16 kHz mono `pcm`, and the milliseconds it took; none on failure.
    std::optional<std::pair<std::string, double>> transcribe(const Bytes& pcm) {
        const Bytes wav = WAV::wrap(pcm).value_or(Bytes{});
        const httplib::MultipartFormDataItems form = {
            {"audio", std::string(wav.begin(), wav.end()), "recording.wav", "audio/wav"},
            {"duration_secs", std::to_string(std::llround(pcm.size() / 32000.0)), "", ""},
            {"source", "bench", "", ""},
            {"ephemeral", "true", "", ""}};
        const auto began = Clock::now();
        const auto answer =
            client_.Post("/api/transcribe", {{"Authorization", "Bearer " + token_}}, form);
        if (!answer || answer->status != 200) {
            std::printf("    whole upload failed (%d)\n", answer ? answer->status : 0);
            return std::nullopt;
        }
        return std::pair{std::string(nlohmann::json::parse(answer->body)["raw"]["cleaned_text"]),
                         milliseconds(began, Clock::now())};
    }

private:
    httplib::Client client_;
    std::string token_;
};

int runLongDictation(int rounds, bool alsoWhole) {
    test::TempDir folder;
    test::AudioSession session;
    const auto clip = folder.path() / "long.wav";
    const std::string reference = test::writeSpokenPassage(kLongSeconds - 2, folder.path(), clip);
    const auto info = test::soundInfo(clip);
    const double clipSeconds = double(info.frames) / info.sampleRate;

    constexpr const char* kKey = "bench-anon-key";
    constexpr const char* kEmail = "bench@example.com";
    constexpr const char* kPassword = "bench-password";
    test::ServerProcess server(
        {std::filesystem::path(ORVENDI_BIN_DIR) / "orvendi-server",
         folder.path() / "server",
         folder.path() / "server.log",
         {"--anon-key", kKey, "--user", std::string(kEmail) + ":" + kPassword}});
    const nlohmann::json backend = {{"api_url", server.baseUrl()},
                                    {"supabase_url", server.baseUrl()},
                                    {"anon_key", kKey},
                                    {"email", kEmail},
                                    {"password", kPassword}};

    LatencyBench bench(backend);
    bench.keepRecordings();
    WholeUpload whole(server, kEmail);
    const double rate = bench.inputRate();
    std::printf("Long dictation: %.1f s of speech with pauses, real orvendi-server "
                "(pocketsphinx)\n",
                clipSeconds);
    std::vector<double> progressive, progressiveErrors, wholeTimes, wholeErrors;
    for (int i = 0; i < rounds; ++i) {
        const Recognised start = recognisedSoFar(server);
        Recognised atRelease;
        const auto phases = bench.dictate(
            [&] {
                session.play(clip);
                bench.waitForFrames(uint64_t(clipSeconds * rate));
                // The microphone ran a moment before the clip began to play.
                bench.waitForMainLoop(0.7);
                atRelease = recognisedSoFar(server) - start;
            },
            kLongDeliverySeconds);
        const Recognised round = recognisedSoFar(server) - start;
        progressive.push_back(phases.total);
        progressiveErrors.push_back(test::wordErrorRate(reference, bench.pastedText()));
        std::printf("  round %d, parts while speaking: release -> paste keystroke %.1f ms, "
                    "word error rate %.1f %%\n"
                    "    %d parts, %d (%.1f s of audio) recognised before release; "
                    "recognition took %.1f s (summed per part, waits for a decoder included) "
                    "for %.1f s of audio (%.2f)\n",
                    i + 1, phases.total, 100 * progressiveErrors.back(), round.uploads,
                    atRelease.uploads, atRelease.audio, round.decoding, round.audio,
                    round.audio > 0 ? round.decoding / round.audio : 0.0);
        std::fflush(stdout);
        if (alsoWhole) {
            // The same recording, byte for byte as the agent converted it.
            if (const auto text = whole.transcribe(bench.lastRecording())) {
                wholeTimes.push_back(text->second);
                wholeErrors.push_back(test::wordErrorRate(reference, text->first));
                std::printf("  round %d, the same recording uploaded whole after release: "
                            "upload -> text %.1f ms, word error rate %.1f %%\n",
                            i + 1, wholeTimes.back(), 100 * wholeErrors.back());
                std::fflush(stdout);
            }
        }
        bench.waitForMainLoop(1.0);
    }
    std::printf("  parts while speaking: median %.1f ms, max %.1f ms, median word error rate "
                "%.1f %%\n",
                median(progressive), largest(progressive), 100 * median(progressiveErrors));
    if (!wholeTimes.empty()) {
        std::printf("  whole upload of the same recordings: median %.1f ms, median word error "
                    "rate %.1f %%\n",
                    median(wholeTimes), 100 * median(wholeErrors));
    }
    return 0;
}

// A spoken sentence padded or cut to `seconds`.
std::filesystem::path writeSpeech(const std::filesystem::path& folder, const char* name,
                                  const std::string& soxEffects) {
    const auto speech = folder / "speech.wav";
    if (!std::filesystem::exists(speech)) {
        test::runTool("espeak-ng -v en-us -w " + test::shellQuoted(speech) +
                      " 'Please send the quarterly report to the whole team by Friday morning.'");
    }
    const auto clip = folder / name;
    test::runTool("sox " + test::shellQuoted(speech) + " " + test::shellQuoted(clip) + " " +
                  soxEffects);
    return clip;
}

#ifdef ORVENDI_BENCH_DESKTOP
// The desktop's accessibility, except that no element takes text directly:
// delivery falls to the clipboard and the paste keystroke.
class KeystrokeOnlyAccessibility : public Accessibility {
public:
    explicit KeystrokeOnlyAccessibility(Accessibility& inner) : inner_(inner) {}
    bool isProcessTrusted() override { return inner_.isProcessTrusted(); }
    std::shared_ptr<AccessibleElement> focusedElement(int32_t processId) override {
        return inner_.focusedElement(processId);
    }
    std::optional<std::string> role(const AccessibleElement& element) override {
        return inner_.role(element);
    }
    std::optional<std::string> subrole(const AccessibleElement& element) override {
        return inner_.subrole(element);
    }
    std::optional<TextRange> selectedRange(const AccessibleElement& element) override {
        return inner_.selectedRange(element);
    }
    bool setSelectedRange(AccessibleElement& element, TextRange range) override {
        return inner_.setSelectedRange(element, range);
    }
    bool setFocused(AccessibleElement& element) override { return inner_.setFocused(element); }
    bool acceptsInsertedText(const AccessibleElement&) override { return false; }
    std::optional<std::string> text(const AccessibleElement& element) override {
        return inner_.text(element);
    }
    bool replaceText(AccessibleElement& element, TextRange range,
                     const std::string& text) override {
        return inner_.replaceText(element, range, text);
    }

private:
    Accessibility& inner_;
};

// Runs the Qt event loop until `done` holds, looking at least every 2 ms.
bool processEventsUntil(const std::function<bool()>& done, double seconds) {
    QTimer wake;
    wake.start(2);
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (Clock::now() >= deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

int runX11Delivery(int argc, char** argv, int rounds) {
    QGuiApplication application(argc, argv);
    QtScheduler qt;
    X11DesktopServices desktop(
        qt, std::nullopt, [] { return MicrophoneAuthorization::Authorized; },
        [] { return std::string(); });
    test::TempDir folder;
    test::AudioSession session;
    const auto clip5 = writeSpeech(folder.path(), "five.wav", "pad 0 5 trim 0 5");

    QProcess zenity;
    zenity.start("zenity", {"--entry", "--width=640", "--text=Dictation"});
    zenity.waitForStarted();
    const auto pid = static_cast<int32_t>(zenity.processId());
    std::shared_ptr<AccessibleElement> field;
    processEventsUntil(
        [&] {
            if (desktop.workspace.frontmostProcessId() == pid) {
                field = desktop.accessibility.focusedElement(pid);
            }
            return field != nullptr;
        },
        30);
    if (!field) {
        throw std::runtime_error("the zenity entry did not take the focus");
    }
    const std::string expected = "Hello there.";
    auto fieldText = [&] { return desktop.accessibility.text(*field).value_or(""); };

    KeystrokeOnlyAccessibility keystrokeOnly(desktop.accessibility);
    const struct {
        const char* name;
        Accessibility& accessibility;
        DeliveryRoute route;
    } routes[] = {{"AT-SPI text insertion", desktop.accessibility, DeliveryRoute::TextInsertion},
                  {"clipboard + keystroke", keystrokeOnly, DeliveryRoute::PasteKeystroke}};
    std::printf("Delivery on X11 into a zenity entry (GTK 3), 5 s dictations spoken in real "
                "time, backend answering at once, %d rounds per route (median / max, ms)\n",
                rounds);
    for (const auto& route : routes) {
        LatencyBench bench(std::nullopt, DesktopDelivery{{qt, processEventsUntil},
                                                         desktop.workspace,
                                                         desktop.pasteboard,
                                                         route.accessibility,
                                                         desktop.keyEvents});
        const double rate = bench.inputRate();
        auto speak = [&] {
            session.play(clip5);
            bench.waitForFrames(uint64_t(5 * rate));
        };
        std::vector<double> totals, deliveries;
        for (int i = 0; i <= rounds; ++i) { // the first round warms up
            desktop.accessibility.replaceText(*field,
                                              {0, TextInsertion::characterCount(fieldText())}, "");
            const auto [total, delivery] = bench.dictateUntil(
                speak, [&] { return fieldText().find(expected) != std::string::npos; });
            if (i > 0) {
                totals.push_back(total);
                deliveries.push_back(delivery);
            }
            bench.waitForMainLoop(0.3);
        }
        if (!bench.logged("delivered by " + describe(route.route))) {
            throw std::runtime_error(std::string("the text did not go by ") + route.name);
        }
        std::printf("  %-24s release -> text present %8.1f %8.1f   transcript back -> text "
                    "present %8.1f %8.1f   (goal: median <= 60)\n",
                    route.name, median(totals), largest(totals), median(deliveries),
                    largest(deliveries));
    }
    zenity.kill();
    zenity.waitForFinished();
    return 0;
}
#endif

int argumentOr(int argc, char** argv, int index, int fallback) {
    return argc > index ? std::atoi(argv[index]) : fallback;
}

} // namespace
} // namespace orvendi

int main(int argc, char** argv) {
    using namespace orvendi;
#ifdef ORVENDI_BENCH_DESKTOP
    if (argc > 1 && std::string(argv[1]) == "x11") {
        try {
            return runX11Delivery(argc, argv, argumentOr(argc, argv, 2, 5));
        } catch (const std::exception& error) {
            std::fprintf(stderr, "bench_latency: %s\n", error.what());
            return 1;
        }
    }
#endif
    if (argc > 1 && std::string(argv[1]) == "long") {
        try {
            return runLongDictation(argumentOr(argc, argv, 2, 3),
                                    argumentOr(argc, argv, 3, 1) != 0);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "bench_latency: %s\n", error.what());
            return 1;
        }
    }
    const int rounds5 = argumentOr(argc, argv, 1, 5);
    const int rounds60 = argumentOr(argc, argv, 2, 3);
    const int taps = argumentOr(argc, argv, 3, 20);
    try {
        test::TempDir folder;
        test::AudioSession session;
        const auto clip5 = writeSpeech(folder.path(), "five.wav", "pad 0 5 trim 0 5");
        const auto clip60 = writeSpeech(folder.path(), "sixty.wav", "repeat 20 trim 0 60");

        LatencyBench bench;
        const double rate = bench.inputRate();
        auto speakFor = [&](const std::filesystem::path& clip, double seconds, bool fast) {
            return [&bench, &session, clip, seconds, fast, rate] {
                session.play(clip, fast);
                bench.waitForFrames(uint64_t(seconds * rate));
                if (fast) {
                    // The burst has been captured; let the spool writer catch up
                    // as it would have while someone spoke for a minute.
                    bench.waitForMainLoop(1.0);
                }
            };
        };

        bench.dictate(speakFor(clip5, 5, false)); // warm-up, not counted
        std::vector<Phases> five, sixty;
        std::vector<double> firstAudio;
        for (int i = 0; i < rounds5; ++i) {
            five.push_back(bench.dictate(speakFor(clip5, 5, false)));
            firstAudio.push_back(bench.pressToFirstAudio());
            bench.waitForMainLoop(0.5);
        }
        for (int i = 0; i < rounds60; ++i) {
            sixty.push_back(bench.dictate(speakFor(clip60, 60, true)));
            firstAudio.push_back(bench.pressToFirstAudio());
            bench.waitForMainLoop(0.5);
        }
        for (int i = 0; i < taps; ++i) {
            firstAudio.push_back(bench.tap());
        }

        std::printf("Dictation latency, %.0f Hz capture, backend on loopback answering at once\n",
                    rate);
        report("5 s dictation (spoken in real time)", five);
        report("60 s dictation (captured as a burst)", sixty);
        std::printf("\nkey press -> first captured audio, %zu presses: median %.1f ms, max %.1f "
                    "ms   (goal: < 100)\n",
                    firstAudio.size(), median(firstAudio), largest(firstAudio));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_latency: %s\n", error.what());
        return 1;
    }
    return 0;
}
