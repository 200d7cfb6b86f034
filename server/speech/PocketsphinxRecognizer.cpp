#include "speech/PocketsphinxRecognizer.h"

#include <pocketsphinx.h>
#include <sstream>
#include <vector>

#include "ServiceError.h"
#include "base/Error.h"

namespace orvendi::server {

namespace {

std::vector<int16_t> samplesOf(const Bytes& pcm) {
    std::vector<int16_t> samples(pcm.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<int16_t>(pcm[2 * i] | (pcm[2 * i + 1] << 8));
    }
    return samples;
}

// The decoder's hypothesis without filler words ("<sil>", "[noise]") and
// without the "(2)" marks of alternative pronunciations.
std::string plainWords(const char* hypothesis) {
    std::istringstream words(hypothesis ? hypothesis : "");
    std::string word, text;
    while (words >> word) {
        if (word.front() == '<' || word.front() == '[' || word.front() == '+') {
            continue;
        }
        if (const auto paren = word.find('('); paren != std::string::npos && paren > 0) {
            word.resize(paren);
        }
        text += (text.empty() ? "" : " ") + word;
    }
    return text;
}

} // namespace

PocketsphinxRecognizer::PocketsphinxRecognizer(const std::filesystem::path& modelDir) {
    const std::string hmm = (modelDir / "en-us").string();
    const std::string lm = (modelDir / "en-us.lm.bin").string();
    const std::string dict = (modelDir / "cmudict-en-us.dict").string();
    for (const auto& file : {hmm, lm, dict}) {
        if (!std::filesystem::exists(file)) {
            throw Error("The pocketsphinx model is missing " + file +
                        " (Debian package pocketsphinx-en-us)");
        }
    }
    config_ = cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", hmm.c_str(), "-lm", lm.c_str(), "-dict",
                          dict.c_str(), "-logfn", "/dev/null", nullptr);
    decoder_ = config_ ? ps_init(config_) : nullptr;
    if (!decoder_) {
        if (config_) {
            cmd_ln_free_r(config_);
        }
        throw Error("Cannot load the pocketsphinx model from " + modelDir.string());
    }
}

PocketsphinxRecognizer::~PocketsphinxRecognizer() {
    ps_free(decoder_);
    cmd_ln_free_r(config_);
}

std::string PocketsphinxRecognizer::recognize(const Bytes& pcm16kMono) {
    const std::vector<int16_t> samples = samplesOf(pcm16kMono);
    if (samples.empty()) {
        return {};
    }
    std::lock_guard lock(mutex_);
    const bool decoded = ps_start_utt(decoder_) >= 0 &&
                         ps_process_raw(decoder_, samples.data(), samples.size(), FALSE, TRUE) >= 0;
    ps_end_utt(decoder_);
    if (!decoded) {
        throw ServiceError(500, "Speech recognition failed");
    }
    int32 score = 0;
    return plainWords(ps_get_hyp(decoder_, &score));
}

std::string PocketsphinxRecognizer::description() const {
    return "pocketsphinx (US English, offline)";
}

} // namespace orvendi::server
