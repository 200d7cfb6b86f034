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
    for (const char c : text) {
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
            if (static_cast<unsigned char>(c) < 0x20) {
                out_ += "\\u00";
                out_ += kHex[(c >> 4) & 0xf];
                out_ += kHex[c & 0xf];
            } else {
                out_ += c;
            }
        }
    }
    out_ += '"';
}

} // namespace orvendi::server
