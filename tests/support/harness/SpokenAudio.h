#pragma once

#include <filesystem>
#include <string>

#include "base/Bytes.h"

namespace orvendi::test {

// `sentence` spoken by espeak-ng (US English), padded with a little silence
// and mixed with quiet seeded noise, which makes synthetic speech easier for
// the recogniser. `sampleRate` 0 keeps espeak-ng's own rate (22 050 Hz).
Bytes spokenWav(const std::string& sentence, const std::filesystem::path& workDir,
                int sampleRate = 0);
// The share of reference words the hypothesis got wrong (word error rate).
double wordErrorRate(const std::string& reference, const std::string& hypothesis);

} // namespace orvendi::test
