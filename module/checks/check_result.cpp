#include "module/checks/check_result.h"

namespace checks {

namespace {

constexpr std::size_t kMaxQuotedChars = 40;

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::string Quote(std::string_view value) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (IsContinuationByte(value[i])) continue;
        if (chars == kMaxQuotedChars) {
            return "\"" + std::string(value.substr(0, i)) + "...\"";
        }
        ++chars;
    }
    return "\"" + std::string(value) + "\"";
}

std::string FirstFailure(const char* method, std::initializer_list<FieldCheck> fields) {
    for (const FieldCheck& field : fields) {
        if (!field.result.ok) {
            return std::string(method) + ": " + field.name + " " + field.result.rule;
        }
    }
    return std::string();
}

}  // namespace checks
