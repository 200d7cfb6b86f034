#pragma once

#include <string>
#include <vector>

#include "base/Bytes.h"

namespace orvendi::test {

struct FormPart {
    std::string name;
    std::string content;
    std::string filename = {}; // empty for a plain field; a file part is audio/wav
};

// A multipart/form-data body of these parts.
inline std::string multipartForm(const std::string& boundary, const std::vector<FormPart>& parts) {
    std::string body;
    for (const auto& part : parts) {
        body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + part.name + "\"";
        if (!part.filename.empty()) {
            body += "; filename=\"" + part.filename + "\"\r\nContent-Type: audio/wav";
        }
        body += "\r\n\r\n" + part.content + "\r\n";
    }
    return body + "--" + boundary + "--\r\n";
}

// The upload the agent sends: its exact multipart framing.
inline std::string agentMultipart(const std::string& boundary, const Bytes& wav, long durationSecs,
                                  const std::string& source, bool ephemeral) {
    std::vector<FormPart> parts = {{"audio", std::string(wav.begin(), wav.end()), "recording.wav"},
                                   {"duration_secs", std::to_string(durationSecs)},
                                   {"source", source}};
    if (ephemeral) {
        parts.push_back({"ephemeral", "true"});
    }
    return multipartForm(boundary, parts);
}

} // namespace orvendi::test
