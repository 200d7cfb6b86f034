#include "support/harness/AudioSession.h"

#include <cstdlib>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

#include "support/harness/SoundFiles.h"

namespace orvendi::test {
namespace {

const std::string kScript = std::string(ORVENDI_TEST_HARNESS_DIR) + "/audio-session";

std::optional<std::string> environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

void restoreEnvironment(const char* name, const std::optional<std::string>& value) {
    if (value) {
        setenv(name, value->c_str(), 1);
    } else {
        unsetenv(name);
    }
}

void runOrThrow(const std::vector<std::string>& arguments) {
    if (runProgram(arguments) != 0) {
        std::string line;
        for (const auto& argument : arguments) {
            line += argument + " ";
        }
        throw std::runtime_error("failed: " + line);
    }
}

} // namespace

int runProgram(const std::vector<std::string>& arguments) {
    std::string commandLine;
    for (const auto& argument : arguments) {
        commandLine += shellQuoted(argument) + " ";
    }
    const int status = std::system((commandLine + ">/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

AudioSession::AudioSession() : AudioSession(Options{}) {}

AudioSession::AudioSession(Options options) {
    std::vector<std::string> arguments{kScript,
                                       "start",
                                       folder_.path().string(),
                                       "--rate",
                                       std::to_string(options.rate),
                                       "--channels",
                                       std::to_string(options.channels)};
    if (!options.microphone) {
        arguments.push_back("--no-microphone");
    }
    // A test that crashes or is killed leaves no server behind.
    arguments.insert(arguments.end(), {"--owner", std::to_string(getpid())});
    runOrThrow(arguments);
    pulseServer_ = "unix:" + (folder_.path() / "runtime/pulse/native").string();
    previousPulseServer_ = environmentValue("PULSE_SERVER");
    setenv("PULSE_SERVER", pulseServer_.c_str(), 1);
}

AudioSession::~AudioSession() {
    restoreEnvironment("PULSE_SERVER", previousPulseServer_);
    runProgram({kScript, "stop", folder_.path().string()});
}

void AudioSession::play(const std::filesystem::path& file, bool fast) {
    std::vector<std::string> arguments{kScript, "play", folder_.path().string(), file.string()};
    if (fast) {
        arguments.push_back("--fast");
    }
    runOrThrow(arguments);
}

void AudioSession::waitUntilPlayed(double timeoutSeconds) {
    runOrThrow({kScript, "wait", folder_.path().string(),
                std::to_string(static_cast<int>(timeoutSeconds + 0.999))});
}

void writeSpeech(const std::string& text, const std::filesystem::path& wav) {
    runOrThrow({"espeak-ng", "-v", "en-us", "-w", wav.string(), text});
}

NoSoundServer::NoSoundServer() : previousPulseServer_(environmentValue("PULSE_SERVER")) {
    const std::string server = "unix:" + (folder_.path() / "nobody-listens").string();
    setenv("PULSE_SERVER", server.c_str(), 1);
}

NoSoundServer::~NoSoundServer() {
    restoreEnvironment("PULSE_SERVER", previousPulseServer_);
}

} // namespace orvendi::test
