#include "speech/PocketsphinxRecognizer.h"

#include <pocketsphinx.h>

#include <algorithm>
#include <fstream>
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

// The model's feature settings (its feat.params) with cepstral mean
// normalisation left to us: the recogniser subtracts a mean it chooses per
// speaker instead of each request's own.
std::vector<std::string> featureArguments(const std::filesystem::path& acousticModel) {
    std::ifstream file(acousticModel / "feat.params");
    std::vector<std::string> arguments;
    std::string name, value;
    while (file >> name >> value) {
        if (name != "-cmn") {
            arguments.insert(arguments.end(), {name, value});
        }
    }
    arguments.insert(arguments.end(), {"-cmn", "none", "-featparams", "/dev/null"});
    return arguments;
}

cmd_ln_t* configure(const std::vector<std::string>& arguments) {
    std::vector<char*> argv{const_cast<char*>("pocketsphinx")};
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    // Not strict: feat.params may name settings this library version lacks.
    return cmd_ln_parse_r(nullptr, ps_args(), int(argv.size()), argv.data(), FALSE);
}

[[noreturn]] void recognitionFailed() {
    throw ServiceError(500, "Speech recognition failed");
}

} // namespace

// The cepstra of one request, a row of `width` coefficients per 10 ms frame.
struct PocketsphinxRecognizer::Cepstra {
    size_t width = 0;
    std::vector<mfcc_t> values;

    size_t frames() const { return width ? values.size() / width : 0; }
    SpeakerNormalisation::Mean mean() const {
        SpeakerNormalisation::Mean sum(width, 0.0);
        for (size_t i = 0; i < values.size(); ++i) {
            sum[i % width] += values[i];
        }
        for (double& coefficient : sum) {
            coefficient /= double(std::max<size_t>(1, frames()));
        }
        return sum;
    }
    void subtract(const SpeakerNormalisation::Mean& mean) {
        for (size_t i = 0; i < values.size(); ++i) {
            values[i] -= mfcc_t(mean[i % width]);
        }
    }
    std::vector<mfcc_t*> rows() {
        std::vector<mfcc_t*> out;
        for (size_t frame = 0; frame < frames(); ++frame) {
            out.push_back(values.data() + frame * width);
        }
        return out;
    }
};

PocketsphinxRecognizer::PocketsphinxRecognizer(const std::filesystem::path& modelDir,
                                               std::shared_ptr<SpeakerNormalisation> normalisation)
    : normalisation_(std::move(normalisation)) {
    const std::string hmm = (modelDir / "en-us").string();
    const std::string lm = (modelDir / "en-us.lm.bin").string();
    const std::string dict = (modelDir / "cmudict-en-us.dict").string();
    for (const auto& file : {hmm, lm, dict}) {
        if (!std::filesystem::exists(file)) {
            throw Error("The pocketsphinx model is missing " + file +
                        " (Debian package pocketsphinx-en-us)");
        }
    }
    std::vector<std::string> arguments{"-hmm",  hmm,  "-lm",    lm,
                                       "-dict", dict, "-logfn", "/dev/null"};
    for (auto& argument : featureArguments(hmm)) {
        arguments.push_back(std::move(argument));
    }
    config_ = configure(arguments);
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

std::string PocketsphinxRecognizer::recognize(const Bytes& pcm16kMono, const std::string& speaker) {
    const std::vector<int16_t> samples = samplesOf(pcm16kMono);
    if (samples.empty()) {
        return {};
    }
    std::lock_guard lock(mutex_);
    Cepstra cepstra = cepstraOf(samples);
    const SpeakerNormalisation::Mean own = cepstra.mean();
    cepstra.subtract(normalisation_->meanFor(speaker, own, cepstra.frames()));
    std::vector<mfcc_t*> rows = cepstra.rows();
    const bool decoded = ps_start_utt(decoder_) >= 0 &&
                         ps_process_cep(decoder_, rows.data(), int(rows.size()), FALSE, TRUE) >= 0;
    ps_end_utt(decoder_);
    if (!decoded) {
        recognitionFailed();
    }
    normalisation_->learn(speaker, own, cepstra.frames());
    int32 score = 0;
    return plainWords(ps_get_hyp(decoder_, &score));
}

PocketsphinxRecognizer::Cepstra
PocketsphinxRecognizer::cepstraOf(const std::vector<int16_t>& samples) {
    constexpr int32 kFramesPerStep = 512;
    fe_t* frontEnd = ps_get_fe(decoder_);
    Cepstra cepstra;
    cepstra.width = size_t(fe_get_output_size(frontEnd));
    std::vector<mfcc_t> step(kFramesPerStep * cepstra.width);
    std::vector<mfcc_t*> rows;
    for (int32 i = 0; i < kFramesPerStep; ++i) {
        rows.push_back(step.data() + i * cepstra.width);
    }
    if (fe_start_utt(frontEnd) < 0) {
        recognitionFailed();
    }
    const int16* next = samples.data();
    size_t left = samples.size();
    while (left > 0) {
        int32 frames = kFramesPerStep;
        const size_t before = left;
        if (fe_process_frames(frontEnd, &next, &left, rows.data(), &frames, nullptr) < 0 ||
            (frames == 0 && left == before)) {
            recognitionFailed();
        }
        cepstra.values.insert(cepstra.values.end(), step.begin(),
                              step.begin() + frames * long(cepstra.width));
    }
    int32 last = 0;
    fe_end_utt(frontEnd, rows[0], &last);
    cepstra.values.insert(cepstra.values.end(), step.begin(),
                          step.begin() + last * long(cepstra.width));
    return cepstra;
}

std::string PocketsphinxRecognizer::description() const {
    return "pocketsphinx (US English, offline)";
}

} // namespace orvendi::server
