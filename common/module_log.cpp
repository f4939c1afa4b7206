#include "common/module_log.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>

// First cut: lines are appended to the file as they come; the size-limited
// file with its header and archive follows.

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
    std::error_code ignored;
    std::filesystem::create_directory(m_strArchiveDir, ignored);
    m_bStarted = true;
    m_nRunId = static_cast<int>(std::time(nullptr));
    WriteComment(1, "start session");
    m_bOpened = true;
    return true;
}

bool CModuleLogFile::WriteComment(int level, const std::string& text) {
    if (level > m_nLevel) return false;
    std::lock_guard<std::mutex> hold(*m_pLock);
    m_arrPending.push_back("<!-- " + text + " -->");
    WritePending();
    return true;
}

bool CModuleLogFile::WriteEntry(int status, const std::string& method, const std::string& arg1,
                                const std::string& arg2, const std::string& arg3,
                                const std::string& arg4) {
    if (m_nLevel < 1) return false;
    std::lock_guard<std::mutex> hold(*m_pLock);
    m_arrPending.push_back("<entry status=\"" + std::to_string(status) + "\" method=\"" + method +
                           "\" " + arg1 + " " + arg2 + " " + arg3 + " " + arg4 + "/>");
    WritePending();
    return true;
}

void CModuleLogFile::CloseLog() {
    m_bStarted = false;
}

bool CModuleLogFile::WriteLine(const std::string& line) {
    FILE* fp = std::fopen(m_strPath.c_str(), "a");
    if (fp == nullptr) return false;
    std::fputs(line.c_str(), fp);
    std::fputc('\n', fp);
    std::fclose(fp);
    return true;
}

void CModuleLogFile::WritePending() {
    if (!m_strPath.empty()) {
        for (const std::string& line : m_arrPending) WriteLine(line);
    }
    m_arrPending.clear();
    m_tLastWrite = static_cast<int>(std::time(nullptr));
}

CModuleLogFile& ModuleLog() {
    static CModuleLogFile log;
    return log;
}
