#pragma once

#include <exception>
#include <string>
#include <utility>

// The program's exception classes and the exception report.
//
// The report is a process-wide list of text lines that describes the latest
// exception caught inside the logging code. A catch handler calls
// ReportCurrentException(), which empties the list, appends the report of the
// caught type and, when the show flag is on, writes the whole text to standard
// error (a service has nobody to dismiss a message box). The list, the show
// flag and the last error code are guarded by one internal lock, so reports
// may come from any thread.

// ---------------------------------------------------------------------------
// Exception classes.

// Base of the framework-style exceptions (file, archive, OLE, dispatch and our
// own CWMException). GetRuntimeClassName() names the most derived class.
class CException : public std::exception {
  public:
    CException() = default;
    explicit CException(std::string message) : m_strErrorMessage(std::move(message)) {}
    ~CException() override = default;

    virtual const char* GetRuntimeClassName() const { return "CException"; }

    // Copies at most size - 1 characters of the error message into buffer
    // (always terminated when size > 0). Returns false when there is no
    // message. helpContext, when given, receives 0.
    virtual bool GetErrorMessage(char* buffer, unsigned size,
                                 unsigned* helpContext = nullptr) const;

    const char* what() const noexcept override { return m_strErrorMessage.c_str(); }

  protected:
    std::string m_strErrorMessage;
};

// A failed file operation; m_cause is one of the Cause values.
class CFileException : public CException {
  public:
    enum Cause {
        none = 0,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile
    };
    explicit CFileException(int cause, std::string fileName = std::string(),
                            std::string message = std::string())
        : CException(std::move(message)), m_cause(cause), m_strFileName(std::move(fileName)) {}
    const char* GetRuntimeClassName() const override { return "CFileException"; }

    int m_cause;
    std::string m_strFileName;
};

// A failed serialisation; m_cause is one of the Cause values.
class CArchiveException : public CException {
  public:
    enum Cause {
        none = 0,
        genericException,
        readOnly,
        endOfFile,
        writeOnly,
        badIndex,
        badClass,
        badSchema
    };
    explicit CArchiveException(int cause, std::string message = std::string())
        : CException(std::move(message)), m_cause(cause) {}
    const char* GetRuntimeClassName() const override { return "CArchiveException"; }

    int m_cause;
};

// A failed OLE call with its status code.
class COleException : public CException {
  public:
    explicit COleException(long status) : m_sc(status) {}
    const char* GetRuntimeClassName() const override { return "COleException"; }

    long m_sc;
};

// An error raised by an automation method.
class COleDispatchException : public CException {
  public:
    COleDispatchException(long code, std::string description, std::string helpFile = std::string(),
                          long helpContext = 0, std::string source = std::string())
        : CException(description),
          m_wCode(code),
          m_strDescription(std::move(description)),
          m_strHelpFile(std::move(helpFile)),
          m_dwHelpContext(helpContext),
          m_strSource(std::move(source)) {}
    const char* GetRuntimeClassName() const override { return "COleDispatchException"; }

    long m_wCode;
    std::string m_strDescription;
    std::string m_strHelpFile;
    long m_dwHelpContext;
    std::string m_strSource;
};

// The program's own exception: a code, the module or source that raised it,
// and a message text.
class CWMException : public CException {
  public:
    // The message is LoadMessage(resourceId, insert1..insert4).
    CWMException(int code, int resourceId, const std::string& source,
                 const std::string& insert1 = std::string(),
                 const std::string& insert2 = std::string(),
                 const std::string& insert3 = std::string(),
                 const std::string& insert4 = std::string());
    // Stores the three values unchanged.
    CWMException(int code, const std::string& message, const std::string& source);

    const char* GetRuntimeClassName() const override { return "CWMException"; }
    // Copies at most size - 1 characters of m_strMessage; always true.
    bool GetErrorMessage(char* buffer, unsigned size,
                         unsigned* helpContext = nullptr) const override;

    int m_nCode;
    std::string m_strSource;
    std::string m_strMessage;
};

// The maker's application error. Kind 1 marks a plain user message.
class CMyError : public std::exception {
  public:
    CMyError(int kind, int code, std::string text)
        : m_nKind(kind), m_nCode(code), m_strText(std::move(text)) {}
    const char* what() const noexcept override { return m_strText.c_str(); }

    int m_nKind;
    int m_nCode;
    std::string m_strText;
};

// A failed system call: its error code and a description.
class CWin32Error : public std::exception {
  public:
    // The description is the system's text for the errno value `code`.
    explicit CWin32Error(int code);
    CWin32Error(int code, std::string description)
        : m_nCode(code), m_strDescription(std::move(description)) {}
    const char* what() const noexcept override { return m_strDescription.c_str(); }

    int m_nCode;
    std::string m_strDescription;
};

// A structured (hardware or system) exception with its exception code. Linux
// turns no fault into one of these; the type exists so that code which does
// throw one gets the report with the code's name and explanation.
class SEH_Exception : public std::exception {
  public:
    explicit SEH_Exception(unsigned code) : m_nCode(code) {}
    const char* what() const noexcept override { return "structured exception"; }

    unsigned m_nCode;
};

// A COM error: the HRESULT, its message text, and the error source and
// description of the error information.
class CComError : public std::exception {
  public:
    CComError(int hr, std::string message, std::string source = std::string(),
              std::string description = std::string())
        : m_hr(hr),
          m_strMessage(std::move(message)),
          m_strSource(std::move(source)),
          m_strDescription(std::move(description)) {}
    const char* what() const noexcept override { return m_strMessage.c_str(); }

    int m_hr;
    std::string m_strMessage;
    std::string m_strSource;
    std::string m_strDescription;
};

// ---------------------------------------------------------------------------
// Messages.

// Expands `text`: "^1".."^4" become insert 1..4 (an empty insert removes the
// sequence), a '^' before anything else is copied unchanged, and the result
// stops at 254 characters.
std::string ExpandMessage(const std::string& text, const std::string& insert1,
                          const std::string& insert2, const std::string& insert3,
                          const std::string& insert4);

// The string-table text of `resourceId` expanded by ExpandMessage; when that
// is empty, the fixed "An error occured!..." fallback text.
std::string LoadMessage(int resourceId, const std::string& insert1 = std::string(),
                        const std::string& insert2 = std::string(),
                        const std::string& insert3 = std::string(),
                        const std::string& insert4 = std::string());

// ---------------------------------------------------------------------------
// Cause tables.

// Name and explanation of a structured exception code; unknown codes give
// "Unknown Win32 Exception Code" and an empty explanation.
std::string StructuredExceptionName(unsigned code);
std::string StructuredExceptionText(unsigned code);

// Name and text of a CFileException / CArchiveException cause; unknown causes
// give "Unrecognized Cause" and "Unknown.".
std::string FileExceptionCauseName(int cause);
std::string FileExceptionCauseText(int cause);
std::string ArchiveExceptionCauseName(int cause);
std::string ArchiveExceptionCauseText(int cause);

// ---------------------------------------------------------------------------
// The exception report.

// The program's build time, as the reports print it.
const char* BuildTimeText();

// Empties the report list and sets the last error code to 0.
void ClearExceptionLog();

// All report lines, each followed by a line feed; empty when there are none.
std::string GetExceptionLogText();

// The show flag (initially on): when set, every report writes the whole
// report text to standard error. Returns the previous value.
bool SetShowExceptions(bool show);
bool ShowExceptions();

// The last error code recorded from an exception (initially 0).
int GetExceptionLastError();

// Appends the report of one exception (title, file, line, build time and the
// details of the type) and shows the text when the show flag is on.
// sourceFile may carry a folder; the report prints its last component.
void ReportException(const CMyError& e, const std::string& buildTime, const std::string& sourceFile,
                     int line);
void ReportException(const CWin32Error& e, const std::string& buildTime,
                     const std::string& sourceFile, int line);
void ReportException(const SEH_Exception& e, const std::string& buildTime,
                     const std::string& sourceFile, int line);
void ReportException(const CComError& e, const std::string& buildTime,
                     const std::string& sourceFile, int line);
void ReportException(const CException& e, const std::string& buildTime,
                     const std::string& sourceFile, int line);
// Any other thrown object. A standard exception adds its what() text as a
// "\tDescription: " line.
void ReportUnknownException(const std::exception* e, const std::string& buildTime,
                            const std::string& sourceFile, int line);

// For a catch handler of the logging code: empties the list, then reports the
// exception being handled with BuildTimeText(). The show flag is on for the
// report (off for a CMyError) and restored afterwards.
// REQUIRES: called inside a catch block (does nothing otherwise).
void ReportCurrentException(const std::string& sourceFile, int line);

// For a catch handler that only records: sets the last error code from the
// exception being handled (cause, status or code; errno of a system_error;
// -1 for anything else). Reports nothing.
void RecordCurrentException();
