#include "UploadProgress.h"

#include "Terminal.h"

namespace orvendi {

UploadProgress::~UploadProgress() {
    terminal_.clearProgress();
}

APIClient::ChunkProgress UploadProgress::callback() {
    return [this](size_t chunk, size_t chunks) {
        terminal_.showProgress("chunk " + std::to_string(chunk) + "/" + std::to_string(chunks));
    };
}

} // namespace orvendi
