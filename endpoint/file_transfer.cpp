#include "endpoint/file_transfer.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <string_view>

#include "endpoint/stored_file_name.h"

namespace {

// The extension of a publication format; empty for "LOCAL" and unknown ones.
std::string FormatExtension(const std::string& format) {
    struct Kind {
        const char* format;
        const char* mime;
        const char* extension;
    };
    static const Kind kinds[] = {{"PDF", "application/pdf", ".pdf"},
                                 {"XML", "XML", ".xml"},
                                 {"JPG", "image/jpeg", ".jpg"},
                                 {"PNG", "image/png", ".png"}};
    for (const Kind& kind : kinds) {
        if (format == kind.format || format == kind.mime) return kind.extension;
    }
    return std::string();
}

std::string BaseName(const std::string& path) {
    size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool CopyFile(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    if (!in || !out) return false;
    out << in.rdbuf();
    out.close();
    // Stored files are for this user only.
    return static_cast<bool>(out) && chmod(to.c_str(), 0600) == 0;
}

std::string RealPath(const std::string& path) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) == nullptr) return std::string();
    return resolved;
}

bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

// The entry of `folder` whose name equals `name` without regard to case.
std::string FindIgnoringCase(const std::string& folder, const std::string& name) {
    std::string found;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return found;
    while (dirent* entry = readdir(dir)) {
        if (strcasecmp(entry->d_name, name.c_str()) == 0) {
            found = entry->d_name;
            break;
        }
    }
    closedir(dir);
    return found;
}

}  // namespace

bool FindUploadKey(const web::json::value& args, std::string* key) {
    for (const char* candidate : {"bstrInputFile", "bstrSource", "bstrFile"}) {
        if (args.has_field(candidate)) {
            *key = candidate;
            return true;
        }
    }
    return false;
}

std::string UploadExtension(const std::string& clientFileName) {
    std::string name = BaseName(clientFileName);
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return ".xml";
    std::string extension;
    for (char c : name.substr(dot)) {
        bool control = static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
        if (!control && std::string_view("\"*:<>?|").find(c) == std::string_view::npos) {
            extension += c;
        }
    }
    return extension;
}

std::string EndpointPath(const std::string& endpoint) {
    std::string text = endpoint.substr(0, 163);  // read into 164 bytes
    size_t slash = text.size() > 9 ? text.find('/', 9) : std::string::npos;
    return slash == std::string::npos ? std::string() : text.substr(slash);
}

web::json::value PublishFile(const std::string& producedPath, const std::string& format,
                             const std::string& workingFolder, const std::string& endpointPath) {
    struct stat info;
    if (producedPath.empty() || stat(producedPath.c_str(), &info) != 0) {
        return web::json::value::null();
    }
    std::string published;
    if (format == "LOCAL") {
        published = producedPath;
    } else {
        std::string extension = FormatExtension(format);
        if (extension.empty()) return web::json::value::null();
        published = MakeStoredFileName(workingFolder, extension, 0);
        if (published.empty() || !CopyFile(producedPath, published)) {
            return web::json::value::null();
        }
    }
    return web::json::value::string(endpointPath + "/files/" + BaseName(published));
}

std::string ResolveDownload(const std::string& workingFolder, const std::string& name) {
    if (workingFolder.empty() || !IsPlainName(name)) return std::string();
    std::string entry = name;
    if (access((workingFolder + entry).c_str(), F_OK) != 0) {
        entry = FindIgnoringCase(workingFolder, name);
        if (entry.empty()) return std::string();
    }
    std::string folder = RealPath(workingFolder);
    std::string file = RealPath(workingFolder + entry);
    struct stat info;
    if (folder.empty() || file.empty() || file.compare(0, folder.size() + 1, folder + "/") != 0 ||
        file.find('/', folder.size() + 1) != std::string::npos || stat(file.c_str(), &info) != 0 ||
        !S_ISREG(info.st_mode)) {
        return std::string();
    }
    return workingFolder + entry;
}

Reply DownloadReply(const std::string& workingFolder, const std::string& name) {
    Reply reply;
    reply.logMethod = "handle_files";
    reply.logArgs = "99999";  // a download has no arguments; its entry says so by this number
    std::string path = ResolveDownload(workingFolder, name);
    if (path.empty()) {
        reply.kind = Reply::Kind::kEmpty;
        reply.status = reply.result = 404;
    } else if (access(path.c_str(), R_OK) != 0) {
        reply.kind = Reply::Kind::kEmpty;
        reply.status = reply.result = 403;
    } else {
        reply.kind = Reply::Kind::kFile;
        reply.filePath = path;
        reply.result = 0;
    }
    return reply;
}
