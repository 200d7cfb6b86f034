#pragma once

#include <filesystem>
#include <mutex>

#include "speech/SpeechRecognizer.h"

struct ps_decoder_s;
struct cmd_ln_s;

namespace orvendi::server {

// Offline recognition with pocketsphinx and Debian's US English model. The
// model is loaded once per instance (about 100 MB, half a second); an
// instance decodes one utterance at a time (RecognizerPool runs several), each
// as a whole, so that its normalisation comes from its own audio and nothing
// of an earlier request carries over.
class PocketsphinxRecognizer : public SpeechRecognizer {
public:
    static constexpr const char* kDefaultModelDir = "/usr/share/pocketsphinx/model/en-us";

    // Throws orvendi::Error when the model cannot be loaded.
    explicit PocketsphinxRecognizer(const std::filesystem::path& modelDir = kDefaultModelDir);
    ~PocketsphinxRecognizer() override;
    PocketsphinxRecognizer(const PocketsphinxRecognizer&) = delete;
    PocketsphinxRecognizer& operator=(const PocketsphinxRecognizer&) = delete;

    std::string recognize(const Bytes& pcm16kMono) override;
    std::string description() const override;

private:
    std::mutex mutex_;
    cmd_ln_s* config_ = nullptr;
    ps_decoder_s* decoder_ = nullptr;
};

} // namespace orvendi::server
