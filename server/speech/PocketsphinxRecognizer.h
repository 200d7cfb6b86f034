#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

#include "speech/SpeakerNormalisation.h"
#include "speech/SpeechRecognizer.h"

struct ps_decoder_s;
struct cmd_ln_s;

namespace orvendi::server {

// Offline recognition with pocketsphinx and Debian's US English model. The
// model is loaded once per instance (about 100 MB, half a second); an
// instance decodes one utterance at a time (RecognizerPool runs several), each
// as a whole. Its cepstral normalisation comes from the request's own audio,
// blended with the speaker's recent audio (shared by all instances), so that
// the short parts of a long dictation are normalised about as the whole would be.
class PocketsphinxRecognizer : public SpeechRecognizer {
public:
    static constexpr const char* kDefaultModelDir = "/usr/share/pocketsphinx/model/en-us";

    // Throws orvendi::Error when the model cannot be loaded.
    PocketsphinxRecognizer(const std::filesystem::path& modelDir,
                           std::shared_ptr<SpeakerNormalisation> normalisation);
    ~PocketsphinxRecognizer() override;
    PocketsphinxRecognizer(const PocketsphinxRecognizer&) = delete;
    PocketsphinxRecognizer& operator=(const PocketsphinxRecognizer&) = delete;

    std::string recognize(const Bytes& pcm16kMono, const std::string& speaker) override;
    std::string description() const override;

private:
    struct Cepstra;
    Cepstra cepstraOf(const std::vector<int16_t>& samples);

    std::shared_ptr<SpeakerNormalisation> normalisation_;
    std::mutex mutex_;
    cmd_ln_s* config_ = nullptr;
    ps_decoder_s* decoder_ = nullptr;
};

} // namespace orvendi::server
