#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

// A size-limited, append-only text file of lines.
//
// Every new (empty) file starts with a header that records the size limits:
// the XML header (eleven lines) when the maximum size is given as a negative
// number, otherwise the text header (six "#" lines). The size test runs when
// Write() opens the file: a file found larger than its maximum is either moved
// into the archive folder under a numbered name (archive mode) or cut down to
// its newest lines (reorganisation mode). A file that stays open may grow past
// the maximum until it is opened again.
//
// Archive layout: <archive folder>/<year>/<name without ".log.txt">_NNN.log.txt
// with the first free NNN from 001 to 999 (999 is replaced when all exist).
// Without a usable archive folder, "archive/" beside the file is used.
//
// Thread-safe per object: one lock serialises Write() and the size handling.
// Several objects on the same file are not coordinated; their owner must hold
// a lock of its own around construction, writing and destruction.
//
// No operation throws: failures are the return values, and the code of any
// exception caught inside is recorded with RecordCurrentException().
class CLogFile {
  public:
    // The namespace URI written into the XML header.
    static const char kModuleLogNamespace[];
    static constexpr int kDefaultMaxBytes = 4096000;
    static constexpr int kDefaultReorgBytes = 51200;

    // Opens nothing. Sizes are in KB: maximum |maxKB| x 1024 bytes, reorganise
    // to |reorgKB| x 1024 bytes; 0 gives the defaults (4000 KB and 50 KB), and
    // a reorganisation size above the maximum resets both to the defaults. A
    // negative maxKB selects the XML header. archiveDir may be empty.
    CLogFile(const std::string& path, int maxKB, int reorgKB, bool archive,
             const std::string& archiveDir);
    // Closes the stream if open.
    virtual ~CLogFile();

    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;

    // Writes the header for the given sizes (in KB) into `stream`. Returns 1.
    virtual int WriteHeader(long maxKB, long reorgKB, FILE* stream);

    // Writes "YYYY-MM-DD\thh:mm:ss\t<code>\t<text>" (local time) as one line.
    virtual int WriteEvent(int code, const std::string& text);

    // Writes the first 1023 bytes of `text` and a line feed, then flushes.
    // Opens the file on first use (header into an empty file, size test).
    // Returns 1 when written, 0 when the path is empty or the file cannot be
    // opened.
    int Write(const std::string& text);

    // Writes several lines as Write() would, in one write to the file (a
    // batch over 64 KB in several, each of whole lines). Returns as Write().
    int WriteLines(const std::vector<std::string>& lines);

    // Flushes and closes the stream if open.
    void Close();

    // Moves the open file into the archive when it is larger than the
    // maximum. Returns nonzero when moved, 0 otherwise (also when no stream
    // is open). Leaves the stream closed whenever it tried to move.
    int Archive();

    // Cuts the open file down to a header and its newest lines, about the
    // reorganisation size, starting at a line boundary. Returns 1 when done,
    // 0 otherwise. Leaves the stream closed when done.
    int Reorganise();

    // When set, an existing file's first line supplies the sizes on opening
    // ("<MAX_SIZE=n>" and "<REORG_SIZE=n>" in KB; an absent or unreadable
    // number gives 0, which turns the size handling off). Off by default.
    void SetReadSizes(bool on) { m_bReadSizes = on ? 1 : 0; }

    int MaxBytes() const { return m_nMaxBytes; }
    int ReorgBytes() const { return m_nReorgBytes; }
    bool IsXml() const { return m_bXml != 0; }

  private:
    int OpenLocked();
    void ReadSizesLocked();
    int ArchiveLocked();
    int ReorganiseLocked();
    std::string ArchiveFolder() const;
    long FileLength();

    int m_bHeader = 1;
    int m_bXml = 0;
    int m_bArchive = 0;
    std::string m_strArchiveDir;
    FILE* m_fp = nullptr;
    int m_nMaxBytes = kDefaultMaxBytes;
    int m_nReorgBytes = kDefaultReorgBytes;
    std::string m_bstrPath;
    int m_bNewline = 1;
    int m_bReadSizes = 0;
    std::mutex m_cs;
};
