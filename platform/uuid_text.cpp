#include "platform/uuid_text.h"

#include <uuid/uuid.h>

namespace platform {

std::string NewUuidText() {
    uuid_t id;
    uuid_generate_random(id);
    char text[37];
    uuid_unparse_lower(id, text);
    return std::string(text);
}

}  // namespace platform
