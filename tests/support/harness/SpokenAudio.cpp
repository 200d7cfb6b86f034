#include "support/harness/SpokenAudio.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "support/harness/TempDir.h"

namespace orvendi::test {

namespace {

void run(const std::string& command) {
    if (std::system((command + " 2>/dev/null").c_str()) != 0) {
        throw std::runtime_error("failed: " + command);
    }
}

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream stream(text);
    std::string word;
    while (stream >> word) {
        std::string plain;
        for (char c : word) {
            if (std::isalnum(static_cast<unsigned char>(c)) || c == '\'') {
                plain += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
        }
        if (!plain.empty()) {
            out.push_back(plain);
        }
    }
    return out;
}

} // namespace

Bytes spokenWav(const std::string& sentence, const std::filesystem::path& workDir, int sampleRate) {
    const auto voice = workDir / "voice.wav";
    const auto padded = workDir / "padded.wav";
    const auto noise = workDir / "noise.wav";
    const auto mixed = workDir / "spoken.wav";
    run("espeak-ng -v en-us -w " + quoted(voice) + " " + quoted(sentence));
    const std::string rate = sampleRate > 0 ? " rate " + std::to_string(sampleRate) : "";
    run("sox " + quoted(voice) + " -c 1 " + quoted(padded) + rate + " pad 0.3 0.3");
    run("sox -R " + quoted(padded) + " " + quoted(noise) + " synth whitenoise vol 0.005");
    run("sox -R -m " + quoted(padded) + " " + quoted(noise) + " -b 16 " + quoted(mixed));
    const std::string data = readFile(mixed);
    return Bytes(data.begin(), data.end());
}

double wordErrorRate(const std::string& reference, const std::string& hypothesis) {
    const auto ref = words(reference);
    const auto hyp = words(hypothesis);
    // Levenshtein distance over words.
    std::vector<size_t> previous(hyp.size() + 1), current(hyp.size() + 1);
    for (size_t j = 0; j <= hyp.size(); ++j) {
        previous[j] = j;
    }
    for (size_t i = 1; i <= ref.size(); ++i) {
        current[0] = i;
        for (size_t j = 1; j <= hyp.size(); ++j) {
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1,
                                   previous[j - 1] + (ref[i - 1] == hyp[j - 1] ? 0 : 1)});
        }
        std::swap(previous, current);
    }
    return ref.empty() ? 0.0 : static_cast<double>(previous[hyp.size()]) / ref.size();
}

} // namespace orvendi::test
