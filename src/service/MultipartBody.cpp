#include "service/MultipartBody.h"

#include <uuid/uuid.h>

namespace orvendi::MultipartBody {
namespace {

constexpr const char* kCRLF = "\r\n";

void appendField(std::string& body, const std::string& boundary, const char* name,
                 const std::string& value) {
    body += kCRLF;
    body += "--" + boundary + kCRLF;
    body += std::string("Content-Disposition: form-data; name=\"") + name + "\"" + kCRLF + kCRLF;
    body += value;
}

} // namespace

std::string newBoundary() {
    uuid_t uuid;
    uuid_generate_random(uuid);
    char text[37];
    uuid_unparse_upper(uuid, text);
    return std::string("orvendi-") + text;
}

std::string build(const std::string& boundary, const Bytes& wav, int64_t durationSecs,
                  const std::string& source, bool ephemeral) {
    static constexpr size_t kFramingBytes = 512;
    std::string body;
    body.reserve(wav.size() + kFramingBytes);
    body += "--" + boundary + kCRLF;
    body += "Content-Disposition: form-data; name=\"audio\"; filename=\"recording.wav\"";
    body += kCRLF;
    body += "Content-Type: audio/wav";
    body += kCRLF;
    body += kCRLF;
    body.append(reinterpret_cast<const char*>(wav.data()), wav.size());
    appendField(body, boundary, "duration_secs", std::to_string(durationSecs));
    appendField(body, boundary, "source", source);
    if (ephemeral) {
        appendField(body, boundary, "ephemeral", "true");
    }
    body += kCRLF;
    body += "--" + boundary + "--" + kCRLF;
    return body;
}

} // namespace orvendi::MultipartBody
