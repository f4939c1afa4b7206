#include "common/exceptions.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <system_error>

namespace {

const std::string kFallback =
    "An error occured!\n\nThe corresponding text could not be found. This is a programming error "
    "- please write down the error code and the module name and contact your Pendra dealer!";

// --- Message expansion -------------------------------------------------------

TEST(LoadMessageTest, InsertsReplaceCaretNumbers) {
    EXPECT_EQ("[A] and [C]", ExpandMessage("[^1] and [^3]", "A", "B", "C", ""));
    EXPECT_EQ("D-C-B-A", ExpandMessage("^4-^3-^2-^1", "A", "B", "C", "D"));
}

TEST(LoadMessageTest, OtherCaretSequencesStayUnchanged) {
    EXPECT_EQ("x^9y ^ ^a^", ExpandMessage("x^9y ^ ^a^", "A", "B", "C", "D"));
    EXPECT_EQ("^A", ExpandMessage("^^1", "A", "", "", ""));
}

TEST(LoadMessageTest, MissingInsertRemovesTheSequence) {
    EXPECT_EQ("[A][]", ExpandMessage("[^1][^2]", "A", "", "", ""));
}

TEST(LoadMessageTest, ResultStopsAt254Characters) {
    EXPECT_EQ(std::string(254, 't'), ExpandMessage(std::string(300, 't'), "", "", "", ""));
    std::string cut =
        ExpandMessage(std::string(250, 't') + "^1end", std::string(10, 'i'), "", "", "");
    EXPECT_EQ(std::string(250, 't') + "iiii", cut);
}

TEST(LoadMessageTest, StringTableTextIsLoaded) {
    // The table's texts use %n inserts, which LoadMessage leaves alone.
    EXPECT_EQ("The URI path [%1] is not valid", LoadMessage(401, "A", "B", "C"));
}

TEST(LoadMessageTest, UnknownIdGivesFallbackText) {
    EXPECT_EQ(kFallback, LoadMessage(999, "A"));
}

TEST(CWMExceptionTest, ResourceConstructorLoadsMessage) {
    CWMException e(17, 405, "Endpoint");
    EXPECT_EQ(17, e.m_nCode);
    EXPECT_EQ("Endpoint", e.m_strSource);
    EXPECT_EQ("The <application/json> could not be read correctly", e.m_strMessage);
    EXPECT_EQ(kFallback, CWMException(1, 999, "x").m_strMessage);
    EXPECT_STREQ("CWMException", e.GetRuntimeClassName());
}

TEST(CWMExceptionTest, GetErrorMessageCopiesAtMostSizeMinusOne) {
    CWMException e(3, std::string("message"), "src");
    char buffer[5] = {'z', 'z', 'z', 'z', 'z'};
    EXPECT_TRUE(e.GetErrorMessage(buffer, sizeof(buffer)));
    EXPECT_STREQ("mess", buffer);
    EXPECT_TRUE(CWMException(3, std::string(), "src").GetErrorMessage(buffer, sizeof(buffer)));
    EXPECT_STREQ("", buffer);
}

// --- Cause tables ------------------------------------------------------------

TEST(CauseTableTest, FileCauses) {
    EXPECT_EQ("FileNotFound", FileExceptionCauseName(2));
    EXPECT_EQ("The file could not be located.", FileExceptionCauseText(2));
    EXPECT_EQ("EndOfFile", FileExceptionCauseName(14));
    EXPECT_EQ("Unrecognized Cause", FileExceptionCauseName(15));
    EXPECT_EQ("Unknown.", FileExceptionCauseText(-1));
}

TEST(CauseTableTest, ArchiveCauses) {
    EXPECT_EQ("BadSchema", ArchiveExceptionCauseName(7));
    EXPECT_EQ("Unspecified error.", ArchiveExceptionCauseText(1));
    EXPECT_EQ("Unrecognized Cause", ArchiveExceptionCauseName(8));
}

TEST(CauseTableTest, StructuredExceptionCodes) {
    EXPECT_EQ("EXCEPTION_ACCESS_VIOLATION", StructuredExceptionName(0xC0000005u));
    EXPECT_EQ("The thread used up its stack.", StructuredExceptionText(0xC00000FDu));
    EXPECT_EQ(StructuredExceptionText(0x80000001u), StructuredExceptionText(0xC0000008u));
    EXPECT_EQ("Unknown Win32 Exception Code", StructuredExceptionName(0x1234u));
    EXPECT_EQ("", StructuredExceptionText(0x1234u));
}

// --- The report --------------------------------------------------------------

class ExceptionReportTest : public ::testing::Test {
  protected:
    void SetUp() override { ClearExceptionLog(); }
    void TearDown() override {
        ClearExceptionLog();
        SetShowExceptions(true);
    }

    // Throws `e`, catches it and reports it as the logging code does; returns
    // the report text, and what went to standard error in *shown.
    template <typename E>
    std::string Report(const E& e, std::string* shown = nullptr) {
        ::testing::internal::CaptureStderr();
        try {
            throw e;
        } catch (...) {
            ReportCurrentException("/src/common/module_log.cpp", 121);
        }
        std::string err = ::testing::internal::GetCapturedStderr();
        if (shown != nullptr) *shown = err;
        return GetExceptionLogText();
    }

    std::string Head(const std::string& title) {
        return title + "\n\tFile: module_log.cpp\n\tLine: #121\n\tTime: " + BuildTimeText() + "\n";
    }
};

TEST_F(ExceptionReportTest, FileExceptionReportsItsCause) {
    std::string shown;
    std::string text = Report(CFileException(CFileException::fileNotFound, "a.xml"), &shown);
    EXPECT_EQ(Head("MFC Exception(CFileException) thrown:") +
                  "\tMessage: FileNotFound\n\tDescription: The file could not be located.\n",
              text);
    EXPECT_EQ(2, GetExceptionLastError());
    EXPECT_EQ(text, shown);
}

TEST_F(ExceptionReportTest, FrameworkMessageComesFirst) {
    std::string text = Report(CArchiveException(5, "bad\r\nformat"));
    EXPECT_EQ(Head("MFC Exception(CArchiveException) thrown:") +
                  "\tMessage: bad format\n\tMessage: BadIndex\n\tDescription: Invalid file "
                  "format.\n",
              text);
}

TEST_F(ExceptionReportTest, OwnExceptionShowsCodeMessageAndSource) {
    std::string text = Report(CWMException(408, std::string("no var"), "Bridge"));
    EXPECT_EQ(Head("MFC Exception(CWMException) thrown:") +
                  "\tMessage: no var\n\tCode: 408\n\tMessage: no var\n\tSource: Bridge\n",
              text);
}

TEST_F(ExceptionReportTest, DispatchAndOleExceptions) {
    EXPECT_EQ(Head("MFC Exception(COleDispatchException) thrown:") +
                  "\tMessage: desc\n\tCode: 9\n\tMessage: desc\n\tHlpFile: h.hlp\n"
                  "\tHlpContext: 4\n\tSource: Mod\n",
              Report(COleDispatchException(9, "desc", "h.hlp", 4, "Mod")));
    EXPECT_EQ(Head("MFC Exception(COleException) thrown:") + "\tCode: -2147467259\n",
              Report(COleException(static_cast<long>(static_cast<int>(0x80004005u)))));
}

TEST_F(ExceptionReportTest, StructuredException) {
    EXPECT_EQ(Head("Win32 Structured Exception thrown:") +
                  "\tMessage: EXCEPTION_INT_DIVIDE_BY_ZERO\n\tDescription: The thread attempted "
                  "to divide an integer value by an integer divisor of zero.\n",
              Report(SEH_Exception(0xC0000094u)));
    EXPECT_EQ(static_cast<int>(0xC0000094u), GetExceptionLastError());
    EXPECT_EQ(
        Head("Win32 Structured Exception thrown:") + "\tMessage: Unknown Win32 Exception Code\n",
        Report(SEH_Exception(7)));
}

TEST_F(ExceptionReportTest, ComError) {
    EXPECT_EQ(Head("_com_error Exception thrown for classes generated by #import") +
                  "\tCode: 0x80004005\n\tMessage: Unspecified error\n\tSource: Module\n"
                  "\tDescription: It broke\n",
              Report(CComError(static_cast<int>(0x80004005u), "Unspecified error", "Module",
                               "It broke")));
}

TEST_F(ExceptionReportTest, Win32Error) {
    EXPECT_EQ(Head("Win32 Error thrown:") + "\tDescription: No such file or directory\n",
              Report(CWin32Error(2)));
}

TEST_F(ExceptionReportTest, MyErrorIsReportedWithoutShowing) {
    std::string shown;
    EXPECT_EQ(Head("MyError thrown:") + "\tDescription: broken\n",
              Report(CMyError(0, 5, "broken"), &shown));
    EXPECT_EQ("", shown);
    EXPECT_TRUE(ShowExceptions());
}

TEST_F(ExceptionReportTest, UserMessageReplacesTheList) {
    std::string shown;
    EXPECT_EQ("Please insert the card\n",
              Report(CMyError(1, 77, "Please insert the card"), &shown));
    EXPECT_EQ(77, GetExceptionLastError());
    EXPECT_EQ("", shown);
}

TEST_F(ExceptionReportTest, AnythingElseIsUnidentified) {
    EXPECT_EQ(Head("Unidentified Exception thrown"), Report(42));
    EXPECT_EQ(Head("Unidentified Exception thrown") + "\tDescription: out of range\n",
              Report(std::out_of_range("out of range")));
}

TEST_F(ExceptionReportTest, ReportHoldsOnlyTheLatestException) {
    Report(SEH_Exception(7));
    EXPECT_EQ(Head("Win32 Error thrown:") + "\tDescription: x\n", Report(CWin32Error(1, "x")));
}

TEST_F(ExceptionReportTest, ShowFlagOffKeepsStandardErrorQuiet) {
    SetShowExceptions(false);
    ::testing::internal::CaptureStderr();
    ReportException(CWin32Error(1, "quiet"), "t", "f.cpp", 3);
    EXPECT_EQ("", ::testing::internal::GetCapturedStderr());
    EXPECT_EQ("Win32 Error thrown:\n\tFile: f.cpp\n\tLine: #3\n\tTime: t\n\tDescription: quiet\n",
              GetExceptionLogText());
}

TEST_F(ExceptionReportTest, ClearEmptiesListAndLastError) {
    Report(CFileException(3));
    ClearExceptionLog();
    EXPECT_EQ("", GetExceptionLogText());
    EXPECT_EQ(0, GetExceptionLastError());
}

TEST_F(ExceptionReportTest, ReportOutsideCatchDoesNothing) {
    ReportCurrentException("x.cpp", 1);
    EXPECT_EQ("", GetExceptionLogText());
}

// Framework exceptions whose own message fails while it is reported.
class FailingMessage : public CException {
  public:
    explicit FailingMessage(bool framework) : framework_(framework) {}
    const char* GetRuntimeClassName() const override { return "FailingMessage"; }
    bool GetErrorMessage(char*, unsigned, unsigned*) const override {
        if (framework_) throw CFileException(1);
        throw std::runtime_error("no message");
    }

  private:
    bool framework_;
};

TEST_F(ExceptionReportTest, ExceptionDuringReportAddsOneLine) {
    EXPECT_EQ(Head("MFC Exception(FailingMessage) thrown:") +
                  "MFC Exception was generated during logging of MFC Exception\n",
              Report(FailingMessage(true)));
    EXPECT_EQ(Head("MFC Exception(FailingMessage) thrown:") +
                  "Unidentified Exception was generated during logging of MFC Exception\n",
              Report(FailingMessage(false)));
}

// --- Recording ---------------------------------------------------------------

int Recorded(const std::exception_ptr& e) {
    ClearExceptionLog();
    try {
        std::rethrow_exception(e);
    } catch (...) {
        RecordCurrentException();
    }
    return GetExceptionLastError();
}

TEST(RecordExceptionTest, RecordsCodeWithoutReport) {
    ClearExceptionLog();
    EXPECT_EQ(13, Recorded(std::make_exception_ptr(CFileException(13))));
    EXPECT_EQ(6, Recorded(std::make_exception_ptr(CArchiveException(6))));
    EXPECT_EQ(408, Recorded(std::make_exception_ptr(CWMException(408, std::string("m"), "s"))));
    EXPECT_EQ(
        ENOSPC,
        Recorded(std::make_exception_ptr(std::system_error(ENOSPC, std::generic_category()))));
    EXPECT_EQ(-1, Recorded(std::make_exception_ptr(std::bad_alloc())));
    EXPECT_EQ("", GetExceptionLogText());
    ClearExceptionLog();
}

}  // namespace
