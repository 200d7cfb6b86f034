#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "desktop/support/AgentFixture.h"
#include "desktop/x11/DesktopApps.h"
#include "desktop/x11/X11Services.h"
#include "support/harness/ServerProcess.h"

namespace orvendi::test {

struct EntryField {
    std::unique_ptr<DesktopApp> app;
    std::shared_ptr<AccessibleElement> element;
    std::string initialText;
};

// Dictation as the user does it: the real agent signed in against a real
// orvendi-server with speech recognition, the session's virtual microphone
// playing espeak-ng sentences, the dictation key pressed through XTest, and
// zenity entry fields that receive the text.
class DictationFixture : public AgentFixture {
protected:
    // How long a dictation may take from the key's release to text in a field
    // (recognition on a busy machine included).
    static constexpr double kDeliverySeconds = 90;
    // Loose: synthetic speech through the recogniser gets many words wrong.
    static constexpr double kLooseWordErrorRate = 0.6;
    static constexpr const char* kDictationKey = "Control_R";

    void SetUp() override;
    void TearDown() override;

    // Starts the agent signed in and waits until its tray menu and workspace
    // window are up, so that no window of its own takes the focus later.
    void startSignedInAgent();

    // A zenity entry labelled `label`, holding `text`, with the focus.
    EntryField openField(const std::string& label, const std::string& text = "");
    void focus(const EntryField& field);
    std::string fieldText(const EntryField& field);
    // The field's text once it is no longer the text it was opened with.
    std::string waitForText(const EntryField& field, double timeoutSeconds = kDeliverySeconds);

    void say(const std::string& sentence);
    // Plays a sound file into the microphone and waits until it has played.
    void play(const std::filesystem::path& clip);
    void holdAndSay(const std::string& sentence);
    void pressKey();
    // Presses the key and waits until the agent shows that it listens, as a
    // user would before speaking: a press and release that a busy agent
    // handles together would otherwise look like a tap.
    void startHolding();
    void releaseKey();

    // Files (not folders) in the agent's recovery folder and in its
    // "Silent Recordings" folder.
    std::vector<std::filesystem::path> pendingRecordings() const;
    std::vector<std::filesystem::path> silentRecordings() const;
    std::vector<std::filesystem::path> vaultNotes() const;

    // Transcription requests the backend (or its replacement) has answered
    // with `status`.
    int transcriptions(int status = 200) const;
    bool waitForTranscriptions(int count, int status = 200,
                               double timeoutSeconds = kDeliverySeconds);

    // The backend stopped as if it went down, and a new one started on the
    // same address with the same data (users, sessions and notes survive).
    void stopBackend();
    void restartBackend();

    bool waitForHUD(const std::string& text, double timeoutSeconds = 30);
    std::string clipboardText();
    void setClipboardText(const std::string& text);
    void screenshotScreen(const std::string& name);

    X11Services& services() { return *services_; }

private:
    std::filesystem::path clipFor(const std::string& sentence);

    std::unique_ptr<X11Services> services_;
    std::unique_ptr<ServerProcess> replacement_;
    std::map<std::string, std::filesystem::path> clips_;
};

} // namespace orvendi::test
