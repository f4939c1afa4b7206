#include "endpoint/request_args.h"

#include <cpprest/uri.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

// The handle read from one member; false when the search must end.
bool ReadHandleMember(const web::json::value& member, long long* handle) {
    if (member.is_integer()) {
        *handle = member.as_number().to_int64();
    } else if (member.is_double()) {
        double value = std::trunc(member.as_double());
        if (!(value >= INT_MIN && value <= INT_MAX)) return false;
        *handle = static_cast<long long>(value);
    } else if (member.is_boolean()) {
        *handle = member.as_bool() ? 1 : 0;
    } else if (member.is_string()) {
        const std::string& text = member.as_string();
        char* end = nullptr;
        errno = 0;
        long long value = std::strtoll(text.c_str(), &end, 10);
        if (end == text.c_str() || errno == ERANGE) return false;
        *handle = value;
    } else {
        *handle = 0;
        return true;
    }
    return *handle >= INT_MIN && *handle <= INT_MAX;
}

}  // namespace

std::string RelativePath(const std::string& rawPath, const std::string& listenerPath) {
    std::string path = web::uri::decode(rawPath);
    std::string base = web::uri::decode(listenerPath);
    while (!base.empty() && base.back() == '/') base.pop_back();
    if (!base.empty() && path.compare(0, base.size(), base) == 0 &&
        (path.size() == base.size() || path[base.size()] == '/')) {
        path.erase(0, base.size());
    }
    return path.empty() ? "/" : path;
}

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> segments;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        if (slash > start) segments.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    return segments;
}

web::json::value QueryToArgs(const std::string& query) {
    web::json::value args = web::json::value::object();
    for (const auto& parameter : web::uri::split_query(web::uri::decode(query))) {
        args[parameter.first] = web::json::value::string(parameter.second);
    }
    return args;
}

web::json::value CopyScalarMembers(const web::json::value& body) {
    web::json::value args = web::json::value::object();
    for (const auto& member : body.as_object()) {
        const web::json::value& value = member.second;
        if (value.is_number() || value.is_boolean() || value.is_string()) {
            args[member.first] = value;
        }
    }
    return args;
}

int ReadInterfaceAddress(const std::string& interfaceName, const web::json::value& args) {
    if (!args.is_object()) return 0;
    const std::string keys[] = {"p" + interfaceName, "lAddress", "addr"};
    for (const std::string& key : keys) {
        if (!args.has_field(key)) continue;
        long long handle = 0;
        if (!ReadHandleMember(args.at(key), &handle)) return 0;
        if (handle != 0) return static_cast<int>(handle);
    }
    return 0;
}

web::json::value MaskSecrets(const web::json::value& value) {
    web::json::value masked = value;
    if (masked.is_object()) {
        for (auto& member : masked.as_object()) {
            member.second = member.first.find("Password") != std::string::npos
                                ? web::json::value::string("***")
                                : MaskSecrets(member.second);
        }
    } else if (masked.is_array()) {
        for (auto& element : masked.as_array()) element = MaskSecrets(element);
    }
    return masked;
}

std::string LogText(const web::json::value& value) {
    std::string text = MaskSecrets(value).serialize();
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\r' || c == '\n') continue;
        out += (c == '"') ? '\'' : c;
    }
    return out;
}
