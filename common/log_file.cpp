#include "common/log_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "common/exceptions.h"
#include "common/utf8_text.h"

const char CLogFile::kModuleLogNamespace[] = "http://tarvos450.invalid/xsd/ModuleLog";

namespace {

constexpr size_t kMaxLineBytes = 1023;
// WriteLines hands the file blocks of whole lines of about this size.
constexpr size_t kBlockBytes = 65536;

constexpr int kFirstLineChars = 1023;
constexpr size_t kMaxNumberChars = 80;
constexpr int kDropLineChars = 2047;
constexpr size_t kCopyBlock = 2047;
constexpr size_t kMaxTempStem = 260;
constexpr int kMaxArchiveNumber = 999;

// Writes all of `block` to `fd` (the stream was opened for appending) and
// empties it; an error drops the rest.
void WriteAll(int fd, std::string* block) {
    size_t done = 0;
    while (done < block->size()) {
        ssize_t n = ::write(fd, block->data() + done, block->size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    block->clear();
}

// |kb| x 1024, held within an int.
int KiloBytes(long kb) {
    if (kb > INT_MAX / 1024 || kb < -(INT_MAX / 1024)) return INT_MAX;
    long long bytes = std::llabs(static_cast<long long>(kb)) * 1024;
    return bytes > INT_MAX ? INT_MAX : static_cast<int>(bytes);
}

bool IsDirectory(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool Exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

void MakeDirectory(const std::string& path) {
    if (!IsDirectory(path)) ::mkdir(path.c_str(), 0775);
}

std::string WithSlash(const std::string& path) {
    return !path.empty() && path.back() == '/' ? path : path + "/";
}

struct tm LocalNow() {
    time_t now = std::time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    return local;
}

// The number written as "<name=" digits ">" in `line`; 0 when absent or when
// 80 characters or more lie between '=' and '>'.
long SizeField(const std::string& line, const std::string& name) {
    std::string open = "<" + name + "=";
    size_t start = line.find(open);
    if (start == std::string::npos) return 0;
    start += open.size();
    size_t end = line.find('>', start);
    if (end == std::string::npos || end - start >= kMaxNumberChars) return 0;
    return std::strtol(line.substr(start, end - start).c_str(), nullptr, 10);
}

// Copies `from` to `to` (replacing it) and removes `from`; for moves across
// file systems.
bool CopyAndRemove(const std::string& from, const std::string& to) {
    FILE* in = std::fopen(from.c_str(), "rb");
    if (in == nullptr) return false;
    FILE* out = std::fopen(to.c_str(), "wb");
    if (out == nullptr) {
        std::fclose(in);
        return false;
    }
    char block[8192];
    size_t n;
    bool ok = true;
    while (ok && (n = std::fread(block, 1, sizeof(block), in)) > 0) {
        ok = std::fwrite(block, 1, n, out) == n;
    }
    ok = std::fflush(out) == 0 && ::fsync(fileno(out)) == 0 && ok;
    std::fclose(in);
    ok = std::fclose(out) == 0 && ok;
    return ok && std::remove(from.c_str()) == 0;
}

// Waits until the folder's entries (a rename into it) are on disk.
void SyncFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

CLogFile::CLogFile(const std::string& path, int maxKB, int reorgKB, bool archive,
                   const std::string& archiveDir)
    : m_bXml(maxKB < 0 ? 1 : 0),
      m_bArchive(archive ? 1 : 0),
      m_strArchiveDir(archiveDir),
      m_nMaxBytes(KiloBytes(maxKB)),
      m_nReorgBytes(KiloBytes(reorgKB)),
      m_bstrPath(path) {
    if (m_nMaxBytes == 0) m_nMaxBytes = kDefaultMaxBytes;
    if (m_nReorgBytes == 0) m_nReorgBytes = kDefaultReorgBytes;
    if (m_nReorgBytes > m_nMaxBytes) {
        m_nMaxBytes = kDefaultMaxBytes;
        m_nReorgBytes = kDefaultReorgBytes;
    }
}

CLogFile::~CLogFile() {
    Close();
}

int CLogFile::WriteHeader(long maxKB, long reorgKB, FILE* stream) {
    if (stream == nullptr) return 1;
    const std::string rule(56, '=');
    if (m_bXml) {
        const std::string indent(22, ' ');
        std::fprintf(stream, "<?xml version=\"1.0\" standalone=\"no\"?>\n<!--\n%s\n", rule.c_str());
        std::fprintf(stream, "\t<%s=%ld>\t<%s=%ld>\n", "MAX_SIZE", maxKB, "REORG_SIZE", reorgKB);
        std::fprintf(stream, "     first line: maximum Size in KB, reorg Size in KB\n");
        std::fprintf(stream, "%s\n-->\n", rule.c_str());
        std::fprintf(stream, "<moduleLog:log xmlns:ModuleLog=\"%s\" \n", kModuleLogNamespace);
        std::fprintf(stream, "%sxmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"\n",
                     indent.c_str());
        std::fprintf(stream, "%sxsi:schemaLocation=\"%s\n", indent.c_str(), kModuleLogNamespace);
        std::fprintf(stream, "%sModuleLog.xsd\">\n", indent.c_str());
    } else {
        std::fprintf(stream, "%s\t<%s=%ld>\t<%s=%ld>\n", "#", "MAX_SIZE", maxKB, "REORG_SIZE",
                     reorgKB);
        std::fprintf(stream, "#\n");
        std::fprintf(stream, "%s first line: maximum Size in KB, reorg Size in KB\n", "#");
        std::fprintf(stream, "#\n#\n#%s\n", std::string(253, '-').c_str());
    }
    return 1;
}

int CLogFile::WriteEvent(int code, const std::string& text) {
    struct tm now = LocalNow();
    char stamp[64];
    std::snprintf(stamp, sizeof(stamp), "%04d-%02d-%02d\t%02d:%02d:%02d\t%d", now.tm_year + 1900,
                  now.tm_mon + 1, now.tm_mday, now.tm_hour, now.tm_min, now.tm_sec, code);
    return Write(std::string(stamp) + "\t" + text);
}

int CLogFile::Write(const std::string& text) {
    return WriteLines({text});
}

int CLogFile::WriteLines(const std::vector<std::string>& lines) {
    if (m_bstrPath.empty()) return 0;
    try {
        std::lock_guard<std::mutex> hold(m_cs);
        if (m_fp == nullptr && !OpenLocked()) return 0;
        std::fflush(m_fp);  // a header still buffered goes first
        std::string block;
        for (const std::string& line : lines) {
            block.append(line, 0, Utf8CutLength(line, kMaxLineBytes));
            if (m_bNewline) block += '\n';
            if (block.size() >= kBlockBytes) WriteAll(fileno(m_fp), &block);
        }
        WriteAll(fileno(m_fp), &block);
        return 1;
    } catch (...) {
        RecordCurrentException();
        return 0;
    }
}

void CLogFile::Close() {
    try {
        std::lock_guard<std::mutex> hold(m_cs);
        if (m_fp != nullptr) {
            std::fflush(m_fp);
            std::fclose(m_fp);
            m_fp = nullptr;
        }
    } catch (...) {
        RecordCurrentException();
    }
}

int CLogFile::Archive() {
    try {
        std::lock_guard<std::mutex> hold(m_cs);
        return ArchiveLocked();
    } catch (...) {
        RecordCurrentException();
        return 0;
    }
}

int CLogFile::Reorganise() {
    try {
        std::lock_guard<std::mutex> hold(m_cs);
        return ReorganiseLocked();
    } catch (...) {
        RecordCurrentException();
        return 0;
    }
}

// Opens the stream, writes the header into an empty file, reads the sizes
// when asked to, and moves or cuts a file that is over its maximum.
int CLogFile::OpenLocked() {
    m_fp = std::fopen(m_bstrPath.c_str(), "a+");
    if (m_fp == nullptr) return 0;
    long length = FileLength();
    if (length == 0 && m_bHeader) {
        WriteHeader(m_nMaxBytes / 1024, m_nReorgBytes / 1024, m_fp);
    } else if (length != 0 && m_bReadSizes) {
        ReadSizesLocked();
    }
    if (length > m_nMaxBytes) {
        if (m_bArchive) {
            ArchiveLocked();
        } else {
            ReorganiseLocked();
        }
        if (m_fp == nullptr) {
            m_fp = std::fopen(m_bstrPath.c_str(), "a+");
            if (m_fp == nullptr) return 0;
            // A failed move leaves the old file in place: no second header.
            if (m_bArchive && m_bHeader && FileLength() == 0) {
                WriteHeader(m_nMaxBytes / 1024, m_nReorgBytes / 1024, m_fp);
            }
        }
    }
    return 1;
}

void CLogFile::ReadSizesLocked() {
    char line[kFirstLineChars + 1] = {0};
    std::rewind(m_fp);
    if (std::fgets(line, sizeof(line), m_fp) == nullptr) line[0] = '\0';
    m_nMaxBytes = KiloBytes(SizeField(line, "MAX_SIZE"));
    m_nReorgBytes = KiloBytes(SizeField(line, "REORG_SIZE"));
    std::fseek(m_fp, 0, SEEK_END);
}

long CLogFile::FileLength() {
    if (m_fp == nullptr) return 0;
    std::fflush(m_fp);
    struct stat info;
    if (::fstat(fileno(m_fp), &info) != 0) return 0;
    return static_cast<long>(info.st_size);
}

// The archive folder with a trailing '/': the configured one when it exists,
// else "archive/" beside the file (created when missing).
std::string CLogFile::ArchiveFolder() const {
    if (!m_strArchiveDir.empty() && IsDirectory(m_strArchiveDir)) {
        return WithSlash(m_strArchiveDir);
    }
    size_t slash = m_bstrPath.rfind('/');
    std::string folder =
        (slash == std::string::npos ? std::string() : m_bstrPath.substr(0, slash + 1)) + "archive/";
    MakeDirectory(folder);
    return folder;
}

int CLogFile::ArchiveLocked() {
    if (m_fp == nullptr) return 0;
    if (FileLength() <= m_nMaxBytes || m_nMaxBytes < 1) return 0;
    std::fclose(m_fp);
    m_fp = nullptr;

    size_t slash = m_bstrPath.rfind('/');
    std::string fileName = slash == std::string::npos ? m_bstrPath : m_bstrPath.substr(slash + 1);
    std::string folder = ArchiveFolder();
    struct tm now = LocalNow();
    char year[16];
    std::snprintf(year, sizeof(year), "%04d/", now.tm_year + 1900);
    std::string yearFolder = folder + year;
    MakeDirectory(yearFolder);

    const std::string suffix = ".log.txt";
    std::string base = fileName;
    if (base.size() >= suffix.size() &&
        base.compare(base.size() - suffix.size(), suffix.size(), suffix) == 0) {
        base.resize(base.size() - suffix.size());
    }
    std::string target;
    for (int n = 1; n <= kMaxArchiveNumber; ++n) {
        char number[16];
        std::snprintf(number, sizeof(number), "_%03d", n);
        target = yearFolder + base + number + suffix;
        if (!Exists(target)) break;
    }
    // All 999 taken: the loop ends on 999, which is replaced.
    bool moved = std::rename(m_bstrPath.c_str(), target.c_str()) == 0;
    if (!moved && errno == EXDEV) moved = CopyAndRemove(m_bstrPath, target);
    if (moved) SyncFolder(yearFolder);
    return moved ? 1 : 0;
}

int CLogFile::ReorganiseLocked() {
    if (m_fp == nullptr) return 0;
    if (FileLength() <= m_nMaxBytes || m_nMaxBytes < 1) return 0;

    size_t slash = m_bstrPath.rfind('/');
    size_t dot = m_bstrPath.rfind('.');
    bool hasDot = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    std::string tempPath =
        (hasDot && dot < kMaxTempStem ? m_bstrPath.substr(0, dot) : m_bstrPath) + ".tmp";
    FILE* temp = std::fopen(tempPath.c_str(), "w");
    if (temp == nullptr) return 0;
    if (m_bHeader) WriteHeader(m_nMaxBytes / 1024, m_nReorgBytes / 1024, temp);

    // Start at the first line boundary within the last m_nReorgBytes bytes.
    std::fseek(m_fp, -static_cast<long>(m_nReorgBytes), SEEK_END);
    char rest[kDropLineChars];
    if (std::fgets(rest, sizeof(rest), m_fp) == nullptr) rest[0] = '\0';
    char block[kCopyBlock];
    size_t n;
    while ((n = std::fread(block, 1, sizeof(block), m_fp)) > 0) std::fwrite(block, 1, n, temp);

    std::fflush(temp);
    std::fclose(temp);
    std::fclose(m_fp);
    m_fp = nullptr;
    if (std::rename(tempPath.c_str(), m_bstrPath.c_str()) != 0) {
        std::remove(tempPath.c_str());
        return 0;
    }
    return 1;
}
