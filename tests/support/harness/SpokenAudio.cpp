#include "support/harness/SpokenAudio.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <vector>

#include "support/harness/SoundFiles.h"
#include "support/harness/TempDir.h"

namespace orvendi::test {

namespace {

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

// Ordinary English, no two sentences alike.
const char* const kPassage[] = {
    "Good morning everyone and thank you for joining the planning meeting today.",
    "We have a lot to cover so let us start with the budget for next year.",
    "The sales team reached most of their goals in the last quarter.",
    "Our costs for travel were higher than we expected in the spring.",
    "I would like each group to send me their numbers by the end of the week.",
    "The new office will open in the north part of the city in June.",
    "Please remember that the parking rules change on the first of the month.",
    "We still need two more people to help with the training program.",
    "If you know someone who would be a good fit please let me know.",
    "The board asked us to write a short report about the customer survey.",
    "Most customers were happy with the service but some found the prices too high.",
    "We should look at ways to make the first order easier for new customers.",
    "The design team will show a few ideas for the web site next Tuesday.",
    "After that we can decide which one to build during the summer.",
    "There is also the question of the old computers in the second floor office.",
    "They are slow and we should replace them before the winter.",
    "I have asked for three offers and I will share them when they arrive.",
    "Finally I want to thank the support team for their hard work this month.",
    "They answered more calls than ever before and kept the waiting time short.",
    "Let us meet again in two weeks to see where we stand.",
    "If you have any questions you can send me a message at any time.",
    "Thank you all and have a good rest of the day.",
    "One more thing before we close the meeting for today.",
    "The kitchen on the third floor will be closed for repairs on Friday.",
};

} // namespace

std::string writeSpokenPassage(double seconds, const std::filesystem::path& workDir,
                               const std::filesystem::path& clip) {
    std::string reference;
    std::string parts;
    double spoken = 0;
    for (size_t i = 0; i < std::size(kPassage) && spoken < seconds; ++i) {
        const auto part = workDir / ("sentence-" + std::to_string(i) + ".wav");
        writeBytes(part, spokenWav(kPassage[i], workDir));
        const auto info = soundInfo(part);
        spoken += double(info.frames) / info.sampleRate;
        parts += ' ';
        parts += shellQuoted(part.string());
        if (!reference.empty()) {
            reference += ' ';
        }
        reference += kPassage[i];
    }
    runTool("sox" + parts + " " + shellQuoted(clip.string()));
    return reference;
}

Bytes spokenWav(const std::string& sentence, const std::filesystem::path& workDir, int sampleRate) {
    const auto voice = workDir / "voice.wav";
    const auto padded = workDir / "padded.wav";
    const auto noise = workDir / "noise.wav";
    const auto mixed = workDir / "spoken.wav";
    runTool("espeak-ng -v en-us -w " + shellQuoted(voice) + " " + shellQuoted(sentence));
    const std::string rate = sampleRate > 0 ? " rate " + std::to_string(sampleRate) : "";
    runTool("sox " + shellQuoted(voice) + " -c 1 " + shellQuoted(padded) + rate + " pad 0.3 0.3");
    runTool("sox -R " + shellQuoted(padded) + " " + shellQuoted(noise) +
            " synth whitenoise vol 0.005");
    runTool("sox -R -m " + shellQuoted(padded) + " " + shellQuoted(noise) + " -b 16 " +
            shellQuoted(mixed));
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
