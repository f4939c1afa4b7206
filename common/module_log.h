#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CLogFile;

// The service's one operational log: an XML-flavoured text file beside the
// executable. Every request leaves one entry line, life-cycle events, module
// call errors, instance releases and traces leave comment lines. Lines go out
// through CLogFile (XML mode, 4000 KB limit, 50 KB reorganisation, archive
// folder "archive/" beside the log), each in one write, so that it is in the
// file when the call returns. The file stays open between lines as long as it
// is still the file at the log's path, not empty and within its limit;
// otherwise it is opened anew, which archives a full file and starts a new
// one with its header before the line.
//
// Levels: WriteComment(level, ...) writes only when level <= the configured
// level; WriteEntry writes only when the configured level is >= 1.
//
// Line formats (local time, milliseconds; ID is the run id, the start time in
// seconds since 1970):
//   <!-- text 2026-03-01T14:05:09.042 ID="1772370309" moduleName="TarvosServer450"
//        moduleVersion="4.50.001" -->
//   <TarvosServer450:entry timestamp="..." ID="..." version="4.50.001" status="0"
//        method="handle_post" argv1="..." argv2="..." argn="2"/>
// (each on one line). Empty arguments leave no attribute and no gap in the
// argv numbering; in arguments a carriage return is dropped and a line feed
// becomes a space. No other escaping. An entry longer than 497 characters
// before its argn attribute is cut and marked with "... " so that it stays
// within 512 characters (see module_log.cpp).
//
// Failures never reach the caller: an exception while a line is formatted or
// written goes to the exception report and the call returns false.
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

    // True when the line passed the level test and was formatted and handed
    // to the file without an exception (an unopenable file still gives true).
    bool WriteComment(int level, const std::string& text);

    // One entry line with status, method and up to four argument texts
    // (empty ones are left out). Returns as WriteComment.
    bool WriteEntry(int status, const std::string& method, const std::string& arg1,
                    const std::string& arg2, const std::string& arg3, const std::string& arg4);

    // One line for WriteLines: a comment (level, text in args[0]) or an
    // entry (status, method, four argument texts).
    struct Line {
        bool entry = false;
        int value = 0;  // the comment's level or the entry's status
        std::string method;
        std::string args[4];
    };

    // Writes the lines as WriteComment and WriteEntry would, each with the
    // same level test and its own time stamp, under one hold of the lock and
    // in one write-out. Returns how many passed the level test (0 also when
    // an exception was reported).
    int WriteLines(const std::vector<Line>& lines);

    // Marks the session closed (the destructor still writes "end session").
    void CloseLog();

    int Level() const { return m_nLevel; }
    const std::string& Path() const { return m_strPath; }
    // "archive/" beside the log file once started; empty before.
    const std::string& ArchiveDir() const { return m_strArchiveDir; }

    // Size limits handed to CLogFile, in KB (a negative maximum selects the
    // XML header). The service keeps the defaults, -4000 and 50; tests and
    // benchmarks use small ones to make the file move into the archive often.
    // REQUIRES: no other thread is writing.
    void SetFileSizes(int maxKB, int reorgKB);

  private:
    // Formats one line with the time read now, queues it and writes out.
    // REQUIRES: m_pLock held.
    void QueueComment(const std::string& text);
    void QueueEntry(int status, const std::string& method, const std::string* args[4]);
    // Writes every pending line and empties the queue, whether or not the
    // file could be opened. REQUIRES: m_pLock held.
    void WritePending();
    // True when the open file is still the one at m_strPath, not empty and
    // within its maximum size. REQUIRES: m_pLock held.
    bool OpenFileIsCurrent() const;

    bool m_bOpened = false;
    bool m_bStarted = false;
    int m_nLevel = 1;
    std::string m_strPath;
    std::string m_strArchiveDir;
    int m_nRunId = 0;
    int m_tLastWrite = 0;
    std::vector<std::string> m_arrPending;
    std::unique_ptr<std::mutex> m_pLock;
    int m_nMaxKB = -4000;
    int m_nReorgKB = 50;
    std::unique_ptr<CLogFile> m_pFile;  // the open file, kept between lines
    unsigned long long m_fileDevice = 0;
    unsigned long long m_fileInode = 0;  // 0: not known, open anew
};

// The one process-wide module log.
CModuleLogFile& ModuleLog();
