#pragma once

#include "service/APIClient.h"

namespace orvendi {

class Terminal;

// "chunk i/n" on the terminal while a long recording goes up in chunks; the
// line goes away with this object.
class UploadProgress {
public:
    explicit UploadProgress(Terminal& terminal) : terminal_(terminal) {}
    ~UploadProgress();
    UploadProgress(const UploadProgress&) = delete;
    UploadProgress& operator=(const UploadProgress&) = delete;

    APIClient::ChunkProgress callback();

private:
    Terminal& terminal_;
};

} // namespace orvendi
