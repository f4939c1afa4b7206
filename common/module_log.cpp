#include "common/module_log.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <ctime>

#include "common/exceptions.h"
#include "common/log_file.h"
#include "common/utf8_text.h"

namespace {

const char kModuleName[] = "TarvosServer450";
const char kVersion[] = "4.50";
const char kBuild[] = ".001";

// Where the catch handlers report from.
const char kReportSource[] = "ModuleLogFile";
constexpr int kReportLine = 121;

// An entry whose length plus the room for its argn attribute (15) passes 512
// gets the "... " mark.
constexpr size_t kEntryLimit = 512;
constexpr size_t kArgnRoom = 15;
// Such an entry is cut to its first 495 bytes. A cut inside an attribute value
// closes the value with a quote and a space (2), then come "... " (4) and the
// argn attribute (11 with its single digit): at most 512 characters.
constexpr size_t kEntryCut = 495;

struct LocalStamp {
    struct tm local;
    int millis;
};

LocalStamp Now() {
    auto now = std::chrono::system_clock::now();
    auto sinceEpoch = now.time_since_epoch();
    time_t seconds = std::chrono::system_clock::to_time_t(now);
    LocalStamp stamp;
    localtime_r(&seconds, &stamp.local);
    stamp.millis = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count() % 1000);
    return stamp;
}

std::string StampText(const LocalStamp& stamp) {
    char text[48];
    std::snprintf(text, sizeof(text), "%04d-%02d-%02dT%02d:%02d:%02d.%03d",
                  stamp.local.tm_year + 1900, stamp.local.tm_mon + 1, stamp.local.tm_mday,
                  stamp.local.tm_hour, stamp.local.tm_min, stamp.local.tm_sec, stamp.millis);
    return text;
}

// Carriage returns dropped, line feeds turned into spaces.
std::string OneLine(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\r') continue;
        out += c == '\n' ? ' ' : c;
    }
    return out;
}

// Cuts an over-long entry (without its argn attribute) and adds the mark. The
// cut never splits a UTF-8 sequence, and an attribute value left open is
// closed, so the line stays readable as one element.
void ShortenEntry(std::string* line) {
    if (line->size() + kArgnRoom <= kEntryLimit) return;
    size_t cut = kEntryCut;
    while (cut > 0 && (static_cast<unsigned char>((*line)[cut]) & 0xC0) == 0x80) --cut;
    line->resize(cut);
    size_t quotes = 0;
    for (char c : *line) quotes += c == '"' ? 1 : 0;
    if (quotes % 2 != 0) *line += "\" ";
    *line += "... ";
}

}  // namespace

CModuleLogFile::CModuleLogFile() : m_pLock(new std::mutex) {
    m_nRunId = static_cast<int>(std::time(nullptr));
}

CModuleLogFile::~CModuleLogFile() {
    if (m_bOpened) WriteComment(0, "end session");
}

bool CModuleLogFile::StartLog(int level, const std::string& path) {
    if (m_bStarted) return m_bStarted;
    m_nLevel = level;
    m_strPath = path;
    m_strArchiveDir = path.substr(0, path.rfind('/') + 1) + "archive/";
    // One level only; a failure leaves CLogFile to fall back.
    ::mkdir(m_strArchiveDir.c_str(), 0775);
    m_bStarted = true;
    m_nRunId = static_cast<int>(std::time(nullptr));
    WriteComment(1, "start session");
    m_bOpened = true;
    return true;
}

bool CModuleLogFile::WriteComment(int level, const std::string& text) {
    if (level > m_nLevel) return false;
    Line line;
    line.value = level;
    line.args[0] = text;
    return WriteLines({line}) == 1;
}

bool CModuleLogFile::WriteEntry(int status, const std::string& method, const std::string& arg1,
                                const std::string& arg2, const std::string& arg3,
                                const std::string& arg4) {
    if (m_nLevel < 1) return false;
    Line line;
    line.entry = true;
    line.value = status;
    line.method = method;
    line.args[0] = arg1;
    line.args[1] = arg2;
    line.args[2] = arg3;
    line.args[3] = arg4;
    return WriteLines({line}) == 1;
}

int CModuleLogFile::WriteLines(const std::vector<Line>& lines) {
    try {
        int queued = 0;
        std::lock_guard<std::mutex> hold(*m_pLock);
        for (const Line& line : lines) {
            if (line.entry && m_nLevel >= 1) {
                const std::string* args[4] = {&line.args[0], &line.args[1], &line.args[2],
                                              &line.args[3]};
                QueueEntry(line.value, line.method, args);
            } else if (!line.entry && line.value <= m_nLevel) {
                QueueComment(line.args[0]);
            } else {
                continue;
            }
            ++queued;
        }
        WritePending();
        return queued;
    } catch (...) {
        ReportCurrentException(kReportSource, kReportLine);
        return 0;
    }
}

void CModuleLogFile::CloseLog() {
    m_bStarted = false;
    m_pFile.reset();
}

void CModuleLogFile::SetFileSizes(int maxKB, int reorgKB) {
    m_nMaxKB = maxKB;
    m_nReorgKB = reorgKB;
    m_pFile.reset();
}

void CModuleLogFile::QueueComment(const std::string& text) {
    std::string line = "<!-- " + WithoutLineBreaks(text) + " " + StampText(Now()) + " ID=\"" +
                       std::to_string(m_nRunId) + "\" moduleName=\"" + kModuleName +
                       "\" moduleVersion=\"" + kVersion + kBuild + "\" -->";
    m_arrPending.push_back(std::move(line));
}

void CModuleLogFile::QueueEntry(int status, const std::string& method, const std::string* args[4]) {
    std::string line = std::string("<") + kModuleName + ":entry timestamp=\"" + StampText(Now()) +
                       "\" ID=\"" + std::to_string(m_nRunId) + "\" version=\"" + kVersion + kBuild +
                       "\" status=\"" + std::to_string(status) + "\" method=\"" + method + "\" ";
    int count = 0;
    for (int i = 0; i < 4; ++i) {
        if (args[i]->empty()) continue;
        ++count;
        line += "argv" + std::to_string(count) + "=\"" + OneLine(*args[i]) + "\" ";
    }
    ShortenEntry(&line);
    line += "argn=\"" + std::to_string(count) + "\"/>";
    m_arrPending.push_back(std::move(line));
}

void CModuleLogFile::WritePending() {
    std::vector<std::string> lines;
    lines.swap(m_arrPending);
    if (lines.empty()) return;
    if (!OpenFileIsCurrent()) {
        // A fresh CLogFile runs the size test and writes the header of a
        // new file when it opens.
        m_pFile = std::make_unique<CLogFile>(m_strPath, m_nMaxKB, m_nReorgKB,
                                             !m_strArchiveDir.empty(), m_strArchiveDir);
        m_fileInode = 0;
    }
    bool written = m_pFile->WriteLines(lines) != 0;
    struct stat info;
    if (written && m_fileInode == 0 && ::stat(m_strPath.c_str(), &info) == 0) {
        m_fileDevice = info.st_dev;
        m_fileInode = info.st_ino;
    }
    m_tLastWrite = static_cast<int>(std::time(nullptr));
}

bool CModuleLogFile::OpenFileIsCurrent() const {
    struct stat info;
    return m_pFile && m_fileInode != 0 && ::stat(m_strPath.c_str(), &info) == 0 &&
           info.st_dev == m_fileDevice && info.st_ino == m_fileInode && info.st_size > 0 &&
           info.st_size <= m_pFile->MaxBytes();
}

CModuleLogFile& ModuleLog() {
    static CModuleLogFile log;
    return log;
}
