#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The service's one operational log: an XML-flavoured text file beside the
// executable. Every request leaves one entry line, life-cycle events, module
// call errors, instance releases and traces leave comment lines. The file is
// opened and closed for each line through CLogFile (XML mode, 4000 KB limit,
// 50 KB reorganisation, archive folder "archive/" beside the log).
//
// Levels: WriteComment(level, ...) writes only when level <= the configured
// level; WriteEntry writes only when the configured level is >= 1.
//
// Thread-safe: one lock serialises formatting and write-out, so lines never
// interleave. StartLog and CloseLog run on the main thread only, before the
// listener opens and after it closes.
class CModuleLogFile {
  public:
    CModuleLogFile();
    virtual ~CModuleLogFile();

    CModuleLogFile(const CModuleLogFile&) = delete;
    CModuleLogFile& operator=(const CModuleLogFile&) = delete;

    // Starts the session once: stores level and path, creates the archive
    // folder, writes "start session" at level 1. Returns the started flag.
    bool StartLog(int level, const std::string& path);

    // True when the line was written.
    bool WriteComment(int level, const std::string& text);

    // One entry line with status, method and up to four argument texts
    // (empty ones are left out). True when the line was written.
    bool WriteEntry(int status, const std::string& method, const std::string& arg1,
                    const std::string& arg2, const std::string& arg3, const std::string& arg4);

    // Marks the session closed (the destructor still writes "end session").
    void CloseLog();

    int Level() const { return m_nLevel; }
    const std::string& Path() const { return m_strPath; }

  private:
    bool WriteLine(const std::string& line);
    void WritePending();

    bool m_bOpened = false;
    bool m_bStarted = false;
    int m_nLevel = 1;
    std::string m_strPath;
    std::string m_strArchiveDir;
    int m_nRunId = 0;
    int m_tLastWrite = 0;
    std::vector<std::string> m_arrPending;
    std::unique_ptr<std::mutex> m_pLock;
};

// The one process-wide module log.
CModuleLogFile& ModuleLog();
