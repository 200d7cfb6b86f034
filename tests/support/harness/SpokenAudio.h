#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "base/Bytes.h"

namespace orvendi::test {

// `sentence` spoken by espeak-ng (US English), padded with a little silence
// and mixed with quiet seeded noise, which makes synthetic speech easier for
// the recogniser. `sampleRate` 0 keeps espeak-ng's own rate (22 050 Hz).
Bytes spokenWav(const std::string& sentence, const std::filesystem::path& workDir,
                int sampleRate = 0);
// A long dictation: the sentences of a meeting's opening words, each spoken as
// spokenWav() makes it (so with about 0.6 s of quiet between two), one after
// another until `seconds` of audio, written to `clip`. Returns the words said.
std::string writeSpokenPassage(double seconds, const std::filesystem::path& workDir,
                               const std::filesystem::path& clip);
// The share of reference words the hypothesis got wrong (word error rate).
double wordErrorRate(const std::string& reference, const std::string& hypothesis);

} // namespace orvendi::test
