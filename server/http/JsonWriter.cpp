#include "http/JsonWriter.h"

#include <nlohmann/json.hpp>

#include "Utf8.h"

namespace orvendi::server {

JsonWriter::JsonWriter(std::string& out) : out_(out) {}

void JsonWriter::startValue() {
    if (needsComma_) {
        out_ += ',';
    }
    needsComma_ = true;
}

JsonWriter& JsonWriter::beginObject() {
    startValue();
    out_ += '{';
    needsComma_ = false;
    return *this;
}

JsonWriter& JsonWriter::endObject() {
    out_ += '}';
    needsComma_ = true;
    return *this;
}

JsonWriter& JsonWriter::beginArray() {
    startValue();
    out_ += '[';
    needsComma_ = false;
    return *this;
}

JsonWriter& JsonWriter::endArray() {
    out_ += ']';
    needsComma_ = true;
    return *this;
}

JsonWriter& JsonWriter::key(std::string_view name) {
    startValue();
    appendEscaped(name);
    out_ += ':';
    needsComma_ = false;
    return *this;
}

JsonWriter& JsonWriter::string(std::string_view value) {
    startValue();
    appendEscaped(value);
    return *this;
}

JsonWriter& JsonWriter::optionalString(const std::optional<std::string>& value) {
    return value ? string(*value) : null();
}

JsonWriter& JsonWriter::integer(int64_t value) {
    startValue();
    out_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::null() {
    startValue();
    out_ += "null";
    return *this;
}

void JsonWriter::appendEscaped(std::string_view text) {
    if (!Utf8::isValid(text)) {
        // Rare: the document serialiser's replacement of bad sequences, exactly.
        out_ += nlohmann::json(std::string(text))
                    .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        return;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    out_ += '"';
    // Runs of characters that need no escape are copied whole.
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\') {
            continue;
        }
        out_.append(text, start, i - start);
        start = i + 1;
        switch (c) {
        case '"':
            out_ += "\\\"";
            break;
        case '\\':
            out_ += "\\\\";
            break;
        case '\b':
            out_ += "\\b";
            break;
        case '\f':
            out_ += "\\f";
            break;
        case '\n':
            out_ += "\\n";
            break;
        case '\r':
            out_ += "\\r";
            break;
        case '\t':
            out_ += "\\t";
            break;
        default:
            out_ += "\\u00";
            out_ += kHex[c >> 4];
            out_ += kHex[c & 0xf];
        }
    }
    out_.append(text, start);
    out_ += '"';
}

} // namespace orvendi::server
