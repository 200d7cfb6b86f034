#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvendi::server {

// Writes JSON text straight into a string, for answers too large to build as
// a document first (a listing of thousands of notes). The text is what
// JsonReply would write for the same document: the same escapes, invalid
// UTF-8 replaced, keys in the order the caller gives them (callers give them
// sorted, the order of a document's keys).
class JsonWriter {
public:
    explicit JsonWriter(std::string& out);

    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    JsonWriter& key(std::string_view name);
    JsonWriter& string(std::string_view value);
    JsonWriter& optionalString(const std::optional<std::string>& value);
    JsonWriter& integer(int64_t value);
    JsonWriter& null();

private:
    void startValue();
    void appendEscaped(std::string_view text);

    std::string& out_;
    bool needsComma_ = false;
};

} // namespace orvendi::server
