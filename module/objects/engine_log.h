#pragma once

#include <mutex>
#include <string>

#include "platform/com.h"

// The log settings a client gives the module (SetLogSettings).
struct ModuleLogSettings {
    long level = 1;           // 0 (nothing) to 5 (everything)
    long max_size_kb = 4000;  // 0 (the default size) or 1 to 1048576
    bool archive = true;      // move full files into archive_dir
    std::string archive_dir;  // "" = "archive/" beside the log file
};

// The engine's own log: one line per Finalize, GetXML, Print and LoadXML with
// its outcome, in the text file EngineLogPath(), written through CLogFile
// (common/log_file.h) in its text form (a six-line "#" header that records
// the sizes). A line reads
//   YYYY-MM-DD <tab> hh:mm:ss <tab> HRESULT <tab> Operation <tab> ok [<tab> details]
//   YYYY-MM-DD <tab> hh:mm:ss <tab> HRESULT <tab> Operation <tab> failed <tab> abort
//       text [<tab> details]
// (local time; the HRESULT as a signed number, 0 for S_OK; line breaks in
// the texts are dropped, as in the module log). The details name the file
// written or read, the invoice and its amount due; a successful call carries
// them from level 2 on.
//
// One EngineLog belongs to one manager and holds its settings; the requests
// the manager hands out share it, so a later SetLogSettings reaches them.
//  - level 0 writes nothing, 1 a line per call (failures with their texts),
//    2 to 5 also the details of successful calls;
//  - max_size_kb is the file's limit (0: 4000 KB); the file is opened for
//    every line, so the limit holds to within one line;
//  - archive: a full file moves into archive_dir (made when missing; empty:
//    "archive/" beside the log) as <year>/engine_NNN.log.txt; without
//    archiving the file is cut down to its newest half.
//
// Thread-safe: settings under the object's lock, the file under one
// process-wide lock (several managers write the same file).
class EngineLog {
  public:
    void Configure(const ModuleLogSettings& settings);
    ModuleLogSettings Settings() const;

    // Writes the line of `operation` that ended with `hr`: its abort text when
    // hr failed, and `details` (the call's file, invoice or amount).
    void Record(const std::string& operation, HRESULT hr, const std::string& abort,
                const std::string& details) const;

  private:
    mutable std::mutex mutex_;
    ModuleLogSettings settings_;
};

// "tarvos-engine/engine.log.txt" under the temporary directory
// (platform::TempDirectory, i.e. $TMPDIR or /tmp).
std::string EngineLogPath();
