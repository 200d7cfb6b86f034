// Qt before the X11 headers, whose macros clash with Qt's names.
#include <QClipboard>
#include <QGuiApplication>
#include <QScreen>

#include "desktop/dictation/DictationFixture.h"

#include <X11/Xlib.h>
#include <atspi/atspi.h>
#include <cstdlib>
#include <iostream>

#include "platform/Accessibility.h"
#include "support/harness/AudioSession.h"
#include "support/harness/SoundFiles.h"
#include "support/harness/SpokenAudio.h"
#include "support/harness/TempDir.h"

namespace orvendi::test {
namespace {

const std::string kAudioSessionScript = std::string(ORVENDI_TEST_HARNESS_DIR) + "/audio-session";
// How much longer than its sound a clip may take to play on a busy machine.
constexpr int kPlayMarginSeconds = 60;

std::string audioSessionFolder() {
    const char* folder = std::getenv("ORVENDI_AUDIO_SESSION");
    if (folder == nullptr) {
        throw std::runtime_error(
            "no virtual microphone: run the test with desktop-session --audio");
    }
    return folder;
}

// True when a top-level window of the application with `pid` is named `name`.
// The agent's status panel carries its text as its accessible name.
bool hasTopLevelNamed(int32_t pid, const std::string& name) {
    AtspiAccessible* desktop = atspi_get_desktop(0);
    bool found = false;
    const int applications = atspi_accessible_get_child_count(desktop, nullptr);
    for (int i = 0; i < applications && !found; ++i) {
        AtspiAccessible* application = atspi_accessible_get_child_at_index(desktop, i, nullptr);
        if (application == nullptr) {
            continue;
        }
        if (atspi_accessible_get_process_id(application, nullptr) == guint(pid)) {
            // Names change while the panel is up: read them afresh.
            atspi_accessible_clear_cache(application);
            const int windows = atspi_accessible_get_child_count(application, nullptr);
            for (int j = 0; j < windows && !found; ++j) {
                AtspiAccessible* window =
                    atspi_accessible_get_child_at_index(application, j, nullptr);
                if (window == nullptr) {
                    continue;
                }
                gchar* windowName = atspi_accessible_get_name(window, nullptr);
                found = windowName != nullptr && name == windowName;
                g_free(windowName);
                g_object_unref(window);
            }
        }
        g_object_unref(application);
    }
    g_object_unref(desktop);
    return found;
}

// Asks the window's client to close it, as its close button does.
void requestClose(const QString& windowId) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = windowId.toULong();
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
}

} // namespace

void DictationFixture::SetUp() {
    // The agent's widgets speak AT-SPI, so the test can read its status panel.
    setenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1", 1);
    AgentFixture::SetUp();
    services_ = std::make_unique<X11Services>();
}

void DictationFixture::TearDown() {
    releaseKey();
    if (HasFailure() && replacement_) {
        std::cerr << "--- restarted server log\n" << replacement_->log();
    }
    AgentFixture::TearDown();
    replacement_.reset();
    services_.reset();
}

void DictationFixture::startSignedInAgent() {
    startAgent(Launch::SignedIn);
    ASSERT_TRUE(waitForTrayMenu());
    const auto workspace = agent().waitForWindow(kWorkspaceTitle);
    ASSERT_TRUE(workspace) << "no workspace window";
    // Closed as a user would: with the agent's accessibility switched on (to
    // read its status panel), the web view's page keeps its main thread busy
    // for seconds, and a key press and release handled late look like a tap.
    requestClose(workspace->id);
    EXPECT_TRUE(eventually([&] { return agent().visibleWindows().empty(); }, kAppStartSeconds))
        << "the workspace window stays open";
}

EntryField DictationFixture::openField(const std::string& label, const std::string& text) {
    EntryField field;
    field.initialText = text;
    field.app = std::make_unique<DesktopApp>(
        QStringLiteral("zenity"),
        QStringList{QStringLiteral("--entry"), QStringLiteral("--width=640"),
                    QString::fromStdString("--text=" + label),
                    QString::fromStdString("--entry-text=" + text)});
    const int32_t pid = field.app->processId();
    eventually(
        [&] {
            if (services_->workspace.frontmostProcessId() == pid) {
                field.element = services_->accessibility.focusedElement(pid);
            }
            return field.element && services_->accessibility.role(*field.element) == kRoleTextField;
        },
        kAppStartSeconds);
    EXPECT_TRUE(field.element) << "zenity \"" << label << "\" did not take the focus";
    return field;
}

void DictationFixture::focus(const EntryField& field) {
    const int32_t pid = field.app->processId();
    services_->workspace.activateProcess(pid);
    EXPECT_TRUE(eventually([&] { return services_->workspace.frontmostProcessId() == pid; },
                           kAppStartSeconds));
}

std::string DictationFixture::fieldText(const EntryField& field) {
    return field.element ? test::textOf(*field.element) : std::string();
}

std::string DictationFixture::waitForText(const EntryField& field, double timeoutSeconds) {
    std::string text;
    eventually([&] { return (text = fieldText(field)) != field.initialText; }, timeoutSeconds);
    return text;
}

std::filesystem::path DictationFixture::clipFor(const std::string& sentence) {
    auto known = clips_.find(sentence);
    if (known != clips_.end()) {
        return known->second;
    }
    const auto folder = tempDir() / ("clip-" + std::to_string(clips_.size()));
    std::filesystem::create_directories(folder);
    const Bytes wav = spokenWav(sentence, folder);
    const auto file = folder / "sentence.wav";
    writeFile(file, std::string(wav.begin(), wav.end()));
    clips_[sentence] = file;
    return file;
}

void DictationFixture::say(const std::string& sentence) {
    play(clipFor(sentence));
}

void DictationFixture::play(const std::filesystem::path& clip) {
    const std::string session = audioSessionFolder();
    ASSERT_EQ(runProgram({kAudioSessionScript, "play", session, clip.string()}), 0);
    const auto info = soundInfo(clip);
    const int seconds = int(double(info.frames) / info.sampleRate) + kPlayMarginSeconds;
    // The event loop keeps running meanwhile: the agent's clipboard and D-Bus
    // calls may need this process.
    const auto waited = runProcess(
        QString::fromStdString(kAudioSessionScript),
        {QStringLiteral("wait"), QString::fromStdString(session), QString::number(seconds)},
        seconds + 10);
    ASSERT_TRUE(waited.finished && waited.exitCode == 0)
        << "the microphone did not play the sentence: " << waited.errors.toStdString();
}

void DictationFixture::pressKey() {
    TestKeyboard().press(kDictationKey);
}

void DictationFixture::releaseKey() {
    TestKeyboard().release(kDictationKey);
}

void DictationFixture::startHolding() {
    pressKey();
    EXPECT_TRUE(waitForHUD("Listening")) << "the agent did not start recording";
}

void DictationFixture::holdAndSay(const std::string& sentence) {
    startHolding();
    say(sentence);
    releaseKey();
}

std::vector<std::filesystem::path> DictationFixture::pendingRecordings() const {
    return filesIn(home() / ".local/share/Orvendi/Pending Recordings");
}

std::vector<std::filesystem::path> DictationFixture::silentRecordings() const {
    return filesIn(home() / ".local/share/Orvendi/Pending Recordings/Silent Recordings");
}

std::vector<std::filesystem::path> DictationFixture::vaultNotes() const {
    return filesIn(home() / "Orvendi/Notes");
}

int DictationFixture::transcriptions(int status) const {
    const std::string request = "POST /api/transcribe";
    return requestCount(request, status) +
           (replacement_ ? replacement_->requestCount(request, status) : 0);
}

bool DictationFixture::waitForTranscriptions(int count, int status, double timeoutSeconds) {
    return eventually([&] { return transcriptions(status) >= count; }, timeoutSeconds);
}

void DictationFixture::stopBackend() {
    server().stop();
}

void DictationFixture::restartBackend() {
    replacement_ = std::make_unique<ServerProcess>(ServerProcess::Options{
        helperProgram(QStringLiteral("orvendi-server")).toStdString(),
        server().dataDir(),
        tempDir() / "server-restarted.log",
        {"--listen", "127.0.0.1:" + std::to_string(server().port()), "--anon-key", kAnonKey,
         "--user", std::string(kAccountEmail) + ":" + kAccountPassword}});
}

bool DictationFixture::waitForHUD(const std::string& text, double timeoutSeconds) {
    return eventually([&] { return hasTopLevelNamed(agent().pid(), text); }, timeoutSeconds);
}

std::string DictationFixture::clipboardText() {
    return QGuiApplication::clipboard()->text().toStdString();
}

void DictationFixture::setClipboardText(const std::string& text) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

void DictationFixture::screenshotScreen(const std::string& name) {
    saveScreenshot(name, QGuiApplication::primaryScreen()->geometry());
}

} // namespace orvendi::test
