#include "common/exceptions.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <system_error>
#include <vector>

#include "common/string_table.h"

namespace {

constexpr size_t kMaxMessage = 254;
constexpr size_t kMaxErrorMessage = 256;

const char kMessageFallback[] =
    "An error occured!\n\nThe corresponding text could not be found. This is a programming error "
    "- please write down the error code and the module name and contact your Pendra dealer!";

// The report list, the show flag and the last error code. Namespace-scope so
// that they outlive the module log, whose destructor may still report.
std::mutex g_reportLock;
std::vector<std::string> g_arrExceptionLog;
bool g_bShowExceptions = true;
int g_nLastError = 0;

struct CodeText {
    unsigned code;
    const char* name;
    const char* text;
};

const char kWindowsMemoryError[] =
    "A very deep and not well documented Windows Memory Management error has occured.";

const CodeText kStructuredExceptions[] = {
    {0xC0000005u, "EXCEPTION_ACCESS_VIOLATION",
     "The thread attempted to read from or write to a virtual address for which it does not have "
     "the appropriate access."},
    {0xC000008Cu, "EXCEPTION_ARRAY_BOUNDS_EXCEEDED",
     "The thread attempted to access an array element that is out of bounds, and the underlying "
     "hardware supports bounds checking."},
    {0x80000003u, "EXCEPTION_BREAKPOINT", "A breakpoint was encountered."},
    {0x80000002u, "EXCEPTION_DATATYPE_MISALIGNMENT",
     "The thread attempted to read or write data that is misaligned on hardware that does not "
     "provide alignment. For example, 16-bit values must be aligned on 2-byte boundaries, 32-bit "
     "values on 4-byte boundaries, and so on."},
    {0xC000008Du, "EXCEPTION_FLT_DENORMAL_OPERAND",
     "One of the operands in a floating-point operation is denormal. A denormal value is one that "
     "is too small to represent as a standard floating-point value."},
    {0xC000008Eu, "EXCEPTION_FLT_DIVIDE_BY_ZERO",
     "The thread attempted to divide a floating-point value by a floating-point divisor of zero."},
    {0xC000008Fu, "EXCEPTION_FLT_INEXACT_RESULT",
     "The result of a floating-point operation cannot be represented exactly as a decimal "
     "fraction."},
    {0xC0000090u, "EXCEPTION_FLT_INVALID_OPERATION",
     "This exception represents any floating-point exception not included in this list."},
    {0xC0000091u, "EXCEPTION_FLT_OVERFLOW",
     "The exponent of a floating-point operation is greater than the magnitude allowed by the "
     "corresponding type."},
    {0xC0000092u, "EXCEPTION_FLT_STACK_CHECK",
     "The stack overflowed or underflowed as the result of a floating-point operation."},
    {0xC0000093u, "EXCEPTION_FLT_UNDERFLOW",
     "The exponent of a floating-point operation is less than the magnitude allowed by the "
     "corresponding type."},
    {0x80000001u, "EXCEPTION_GUARD_PAGE", kWindowsMemoryError},
    {0xC000001Du, "EXCEPTION_ILLEGAL_INSTRUCTION",
     "The thread tried to execute an invalid instruction."},
    {0xC0000006u, "EXCEPTION_IN_PAGE_ERROR",
     "The thread tried to access a page that was not present, and the system was unable to load "
     "the page. For example, this exception might occur if a network connection is lost while "
     "running a program over the network."},
    {0xC0000094u, "EXCEPTION_INT_DIVIDE_BY_ZERO",
     "The thread attempted to divide an integer value by an integer divisor of zero."},
    {0xC0000095u, "EXCEPTION_INT_OVERFLOW",
     "The result of an integer operation caused a carry out of the most significant bit of the "
     "result."},
    {0xC0000026u, "EXCEPTION_INVALID_DISPOSITION",
     "An exception handler returned an invalid disposition to the exception dispatcher. "
     "Programmers using a high-level language such as C should never encounter this exception."},
    {0xC0000008u, "EXCEPTION_INVALID_HANDLE", kWindowsMemoryError},
    {0xC0000025u, "EXCEPTION_NONCONTINUABLE_EXCEPTION",
     "The thread attempted to continue execution after a noncontinuable exception occurred."},
    {0xC0000096u, "EXCEPTION_PRIV_INSTRUCTION",
     "The thread attempted to execute an instruction whose operation is not allowed in the "
     "current machine mode."},
    {0x80000004u, "EXCEPTION_SINGLE_STEP",
     "A trace trap or other single-instruction mechanism signaled that one instruction has been "
     "executed."},
    {0xC00000FDu, "EXCEPTION_STACK_OVERFLOW", "The thread used up its stack."},
};

// Cause tables, indexed by the cause number.
const CodeText kArchiveCauses[] = {
    {0, "None", "No error occurred."},
    {1, "Generic", "Unspecified error."},
    {2, "ReadOnly", "Tried to write into an archive opened for loading."},
    {3, "EndOfFile", "Reached end of file while reading an object."},
    {4, "WriteOnly", "Tried to read from an archive opened for storing."},
    {5, "BadIndex", "Invalid file format."},
    {6, "BadClass", "Tried to read an object into an object of the wrong type."},
    {7, "BadSchema", "Tried to read an object with a different version of the class."},
};

const CodeText kFileCauses[] = {
    {0, "None", "No error occurred."},
    {1, "Generic", "An unspecified error occurred."},
    {2, "FileNotFound", "The file could not be located."},
    {3, "BadPath", "All or part of the path is invalid."},
    {4, "TooManyOpenFiles", "The permitted number of open files was exceeded."},
    {5, "AccessDenied", "The file could not be accessed."},
    {6, "InvalidFile", "There was an attempt to use an invalid file handle."},
    {7, "RemoveCurrentDir", "The current working directory cannot be removed."},
    {8, "DirectoryFull", "There are no more directory entries."},
    {9, "BadSeek", "There was an error trying to set the file pointer."},
    {10, "HardIO", "There was a hardware error."},
    {11, "SharingViolation", "SHARE.EXE was not loaded, or a shared region was locked."},
    {12, "LockingViolation", "There was an attempt to lock a region that was already locked."},
    {13, "DiskFull", "The disk is full."},
    {14, "EndOfFile", "The end of file was reached."},
};

template <size_t N>
const CodeText* FindCode(const CodeText (&table)[N], unsigned code) {
    for (const CodeText& row : table) {
        if (row.code == code) return &row;
    }
    return nullptr;
}

template <size_t N>
std::string CauseName(const CodeText (&table)[N], int cause) {
    const CodeText* row = cause < 0 ? nullptr : FindCode(table, static_cast<unsigned>(cause));
    return row != nullptr ? row->name : "Unrecognized Cause";
}

template <size_t N>
std::string CauseText(const CodeText (&table)[N], int cause) {
    const CodeText* row = cause < 0 ? nullptr : FindCode(table, static_cast<unsigned>(cause));
    return row != nullptr ? row->text : "Unknown.";
}

std::string Format(const char* format, long value) {
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), format, value);
    return buffer;
}

// The lines of one report, gathered before they enter the shared list.
class ReportLines {
  public:
    void Add(std::string line) {
        for (char& c : line) {
            if (c == '\n') c = ' ';
        }
        std::string clean;
        for (char c : line) {
            if (c != '\r') clean += c;
        }
        m_lines.push_back(std::move(clean));
    }
    void Header(const std::string& title, const std::string& buildTime,
                const std::string& sourceFile, int line) {
        Add(title);
        size_t slash = sourceFile.find_last_of("/\\");
        Add("\tFile: " + (slash == std::string::npos ? sourceFile : sourceFile.substr(slash + 1)));
        Add("\tLine: #" + std::to_string(line));
        Add("\tTime: " + buildTime);
    }
    std::vector<std::string>& Lines() { return m_lines; }

  private:
    std::vector<std::string> m_lines;
};

// Runs `build`; an exception raised by it adds the line naming the new kind
// and `kind`, the kind of the exception being reported.
template <typename Build>
void Guarded(ReportLines* report, const char* kind, Build build) {
    try {
        build();
    } catch (const CException&) {
        report->Add(std::string("MFC Exception was generated during logging of ") + kind);
    } catch (const SEH_Exception&) {
        report->Add(std::string("Win32 Exception was generated during logging of ") + kind);
    } catch (const CWin32Error&) {
        report->Add(std::string("Win32 Exception was generated during logging of ") + kind);
    } catch (...) {
        report->Add(std::string("Unidentified Exception was generated during logging of ") + kind);
    }
}

// Appends the report's lines to the list and shows the whole text when the
// show flag is on.
void Publish(ReportLines* report) {
    std::string text;
    {
        std::lock_guard<std::mutex> hold(g_reportLock);
        for (std::string& line : report->Lines()) g_arrExceptionLog.push_back(std::move(line));
        if (!g_bShowExceptions) return;
        for (const std::string& line : g_arrExceptionLog) text += line + "\n";
    }
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
}

void SetLastError(int code) {
    std::lock_guard<std::mutex> hold(g_reportLock);
    g_nLastError = code;
}

void AddFrameworkDetails(ReportLines* report, const CException& e) {
    char message[kMaxErrorMessage + 1] = {0};
    if (e.GetErrorMessage(message, sizeof(message)) && message[0] != '\0') {
        report->Add(std::string("\tMessage: ") + message);
    }
    if (auto* archive = dynamic_cast<const CArchiveException*>(&e)) {
        SetLastError(archive->m_cause);
        report->Add("\tMessage: " + ArchiveExceptionCauseName(archive->m_cause));
        report->Add("\tDescription: " + ArchiveExceptionCauseText(archive->m_cause));
    } else if (auto* file = dynamic_cast<const CFileException*>(&e)) {
        SetLastError(file->m_cause);
        report->Add("\tMessage: " + FileExceptionCauseName(file->m_cause));
        report->Add("\tDescription: " + FileExceptionCauseText(file->m_cause));
    } else if (auto* ole = dynamic_cast<const COleException*>(&e)) {
        report->Add(Format("\tCode: %ld", ole->m_sc));
    } else if (auto* dispatch = dynamic_cast<const COleDispatchException*>(&e)) {
        report->Add(Format("\tCode: %ld", dispatch->m_wCode));
        report->Add("\tMessage: " + dispatch->m_strDescription);
        report->Add("\tHlpFile: " + dispatch->m_strHelpFile);
        report->Add(Format("\tHlpContext: %ld", dispatch->m_dwHelpContext));
        report->Add("\tSource: " + dispatch->m_strSource);
    } else if (auto* own = dynamic_cast<const CWMException*>(&e)) {
        report->Add(Format("\tCode: %ld", own->m_nCode));
        report->Add("\tMessage: " + own->m_strMessage);
        report->Add("\tSource: " + own->m_strSource);
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// Exception classes.

bool CException::GetErrorMessage(char* buffer, unsigned size, unsigned* helpContext) const {
    if (helpContext != nullptr) *helpContext = 0;
    if (buffer == nullptr || size == 0) return false;
    size_t n = std::min<size_t>(m_strErrorMessage.size(), size - 1);
    std::memcpy(buffer, m_strErrorMessage.data(), n);
    buffer[n] = '\0';
    return !m_strErrorMessage.empty();
}

CWMException::CWMException(int code, int resourceId, const std::string& source,
                           const std::string& insert1, const std::string& insert2,
                           const std::string& insert3, const std::string& insert4)
    : m_nCode(code),
      m_strSource(source),
      m_strMessage(LoadMessage(resourceId, insert1, insert2, insert3, insert4)) {
    m_strErrorMessage = m_strMessage;
}

CWMException::CWMException(int code, const std::string& message, const std::string& source)
    : m_nCode(code), m_strSource(source), m_strMessage(message) {
    m_strErrorMessage = m_strMessage;
}

bool CWMException::GetErrorMessage(char* buffer, unsigned size, unsigned* helpContext) const {
    if (helpContext != nullptr) *helpContext = 0;
    if (buffer != nullptr && size > 0) {
        size_t n = std::min<size_t>(m_strMessage.size(), size - 1);
        std::memcpy(buffer, m_strMessage.data(), n);
        buffer[n] = '\0';
    }
    return true;
}

CWin32Error::CWin32Error(int code)
    : m_nCode(code), m_strDescription(std::generic_category().message(code)) {}

// ---------------------------------------------------------------------------
// Messages.

std::string ExpandMessage(const std::string& text, const std::string& insert1,
                          const std::string& insert2, const std::string& insert3,
                          const std::string& insert4) {
    const std::string* inserts[4] = {&insert1, &insert2, &insert3, &insert4};
    std::string out;
    for (size_t i = 0; i < text.size() && out.size() < kMaxMessage; ++i) {
        if (text[i] == '^' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '4') {
            out.append(*inserts[text[i + 1] - '1'], 0, kMaxMessage - out.size());
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string LoadMessage(int resourceId, const std::string& insert1, const std::string& insert2,
                        const std::string& insert3, const std::string& insert4) {
    std::string text;
    std::string message;
    if (LoadString(resourceId, &text)) {
        message = ExpandMessage(text, insert1, insert2, insert3, insert4);
    }
    return message.empty() ? kMessageFallback : message;
}

// ---------------------------------------------------------------------------
// Cause tables.

std::string StructuredExceptionName(unsigned code) {
    const CodeText* row = FindCode(kStructuredExceptions, code);
    return row != nullptr ? row->name : "Unknown Win32 Exception Code";
}

std::string StructuredExceptionText(unsigned code) {
    const CodeText* row = FindCode(kStructuredExceptions, code);
    return row != nullptr ? row->text : "";
}

std::string FileExceptionCauseName(int cause) {
    return CauseName(kFileCauses, cause);
}
std::string FileExceptionCauseText(int cause) {
    return CauseText(kFileCauses, cause);
}
std::string ArchiveExceptionCauseName(int cause) {
    return CauseName(kArchiveCauses, cause);
}
std::string ArchiveExceptionCauseText(int cause) {
    return CauseText(kArchiveCauses, cause);
}

// ---------------------------------------------------------------------------
// The exception report.

const char* BuildTimeText() {
    return __DATE__ " " __TIME__;
}

void ClearExceptionLog() {
    std::lock_guard<std::mutex> hold(g_reportLock);
    g_arrExceptionLog.clear();
    g_nLastError = 0;
}

std::string GetExceptionLogText() {
    std::lock_guard<std::mutex> hold(g_reportLock);
    std::string text;
    for (const std::string& line : g_arrExceptionLog) text += line + "\n";
    return text;
}

bool SetShowExceptions(bool show) {
    std::lock_guard<std::mutex> hold(g_reportLock);
    bool previous = g_bShowExceptions;
    g_bShowExceptions = show;
    return previous;
}

bool ShowExceptions() {
    std::lock_guard<std::mutex> hold(g_reportLock);
    return g_bShowExceptions;
}

int GetExceptionLastError() {
    std::lock_guard<std::mutex> hold(g_reportLock);
    return g_nLastError;
}

void ReportException(const CMyError& e, const std::string& buildTime, const std::string& sourceFile,
                     int line) {
    ReportLines report;
    if (e.m_nKind == 1) {
        // A plain user message: the list holds its text alone.
        report.Add(e.m_strText);
        {
            std::lock_guard<std::mutex> hold(g_reportLock);
            g_arrExceptionLog.clear();
            g_nLastError = e.m_nCode;
        }
        Publish(&report);
        return;
    }
    Guarded(&report, "MyError", [&] {
        report.Header("MyError thrown:", buildTime, sourceFile, line);
        report.Add("\tDescription: " + e.m_strText);
    });
    Publish(&report);
}

void ReportException(const CWin32Error& e, const std::string& buildTime,
                     const std::string& sourceFile, int line) {
    ReportLines report;
    Guarded(&report, "Win32 Error", [&] {
        report.Header("Win32 Error thrown:", buildTime, sourceFile, line);
        report.Add("\tDescription: " + e.m_strDescription);
    });
    Publish(&report);
}

void ReportException(const SEH_Exception& e, const std::string& buildTime,
                     const std::string& sourceFile, int line) {
    ReportLines report;
    Guarded(&report, "Win32 Structured Exception", [&] {
        report.Header("Win32 Structured Exception thrown:", buildTime, sourceFile, line);
        SetLastError(static_cast<int>(e.m_nCode));
        report.Add("\tMessage: " + StructuredExceptionName(e.m_nCode));
        if (FindCode(kStructuredExceptions, e.m_nCode) != nullptr) {
            report.Add("\tDescription: " + StructuredExceptionText(e.m_nCode));
        }
    });
    Publish(&report);
}

void ReportException(const CComError& e, const std::string& buildTime,
                     const std::string& sourceFile, int line) {
    ReportLines report;
    Guarded(&report, "_com_error Exception", [&] {
        report.Header("_com_error Exception thrown for classes generated by #import", buildTime,
                      sourceFile, line);
        char code[32];
        std::snprintf(code, sizeof(code), "\tCode: 0x%08lx",
                      static_cast<unsigned long>(static_cast<unsigned>(e.m_hr)));
        report.Add(code);
        report.Add("\tMessage: " + e.m_strMessage);
        report.Add("\tSource: " + e.m_strSource);
        report.Add("\tDescription: " + e.m_strDescription);
    });
    Publish(&report);
}

void ReportException(const CException& e, const std::string& buildTime,
                     const std::string& sourceFile, int line) {
    ReportLines report;
    Guarded(&report, "MFC Exception", [&] {
        report.Header(std::string("MFC Exception(") + e.GetRuntimeClassName() + ") thrown:",
                      buildTime, sourceFile, line);
        AddFrameworkDetails(&report, e);
    });
    Publish(&report);
}

void ReportUnknownException(const std::exception* e, const std::string& buildTime,
                            const std::string& sourceFile, int line) {
    ReportLines report;
    Guarded(&report, "Unidentified Exception", [&] {
        report.Header("Unidentified Exception thrown", buildTime, sourceFile, line);
        if (e != nullptr) report.Add(std::string("\tDescription: ") + e->what());
    });
    Publish(&report);
}

void ReportCurrentException(const std::string& sourceFile, int line) {
    std::exception_ptr current = std::current_exception();
    if (!current) return;
    ClearExceptionLog();
    bool previous = SetShowExceptions(true);
    try {
        std::rethrow_exception(current);
    } catch (const CMyError& e) {
        SetShowExceptions(false);
        ReportException(e, BuildTimeText(), sourceFile, line);
    } catch (const CWin32Error& e) {
        ReportException(e, BuildTimeText(), sourceFile, line);
    } catch (const SEH_Exception& e) {
        ReportException(e, BuildTimeText(), sourceFile, line);
    } catch (const CComError& e) {
        ReportException(e, BuildTimeText(), sourceFile, line);
    } catch (const CException& e) {
        ReportException(e, BuildTimeText(), sourceFile, line);
    } catch (const std::exception& e) {
        ReportUnknownException(&e, BuildTimeText(), sourceFile, line);
    } catch (...) {
        ReportUnknownException(nullptr, BuildTimeText(), sourceFile, line);
    }
    SetShowExceptions(previous);
}

void RecordCurrentException() {
    std::exception_ptr current = std::current_exception();
    if (!current) return;
    int code = -1;
    try {
        std::rethrow_exception(current);
    } catch (const CFileException& e) {
        code = e.m_cause;
    } catch (const CArchiveException& e) {
        code = e.m_cause;
    } catch (const COleException& e) {
        code = static_cast<int>(e.m_sc);
    } catch (const COleDispatchException& e) {
        code = static_cast<int>(e.m_wCode);
    } catch (const CWMException& e) {
        code = e.m_nCode;
    } catch (const SEH_Exception& e) {
        code = static_cast<int>(e.m_nCode);
    } catch (const CWin32Error& e) {
        code = e.m_nCode;
    } catch (const CMyError& e) {
        code = e.m_nCode;
    } catch (const CComError& e) {
        code = e.m_hr;
    } catch (const std::system_error& e) {
        code = e.code().value();
    } catch (...) {
    }
    SetLastError(code);
}
