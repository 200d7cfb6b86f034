#include "base/UUID.h"

#include <uuid/uuid.h>

namespace orvendi {

std::string makeLowercaseUUID() {
    uuid_t uuid;
    uuid_generate_random(uuid);
    char text[37];
    uuid_unparse_lower(uuid, text);
    return text;
}

bool isUUID(const std::string& text) {
    uuid_t ignored;
    return text.size() == 36 && uuid_parse(text.c_str(), ignored) == 0;
}

} // namespace orvendi
