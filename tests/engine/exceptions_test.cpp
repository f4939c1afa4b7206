#include "common/exceptions.h"

#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>
#include <string>
#include <system_error>

namespace {

const std::string kFallback =
    "An error occured!\n\nThe corresponding text could not be found. This is a programming error "
    "- please write down the error code and the module name and contact your Pendra dealer!";

TEST(LoadMessageTest, CaretNumbersTakeTheInsertsAndTheTextStopsAt254) {
    const struct {
        std::string text, insert1;
        const char* insert2;
        std::string expected;
    } cases[] = {
        {"[^1] and [^3]", "A", "B", "[A] and [C]"},
        {"^4-^3-^2-^1", "A", "B", "D-C-B-A"},
        {"x^9y ^ ^a^", "A", "B", "x^9y ^ ^a^"},
        {"^^1", "A", "", "^A"},
        {"[^1][^2]", "A", "", "[A][]"},
        {std::string(300, 't'), "", "", std::string(254, 't')},
        {std::string(250, 't') + "^1end", std::string(10, 'i'), "", std::string(250, 't') + "iiii"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, ExpandMessage(c.text, c.insert1, c.insert2, "C", "D")) << c.text;
    }
    // The table's texts use %n inserts, which LoadMessage leaves alone.
    EXPECT_EQ("The URI path [%1] is not valid", LoadMessage(401, "A", "B", "C"));
    EXPECT_EQ(kFallback, LoadMessage(999, "A"));
}

// (The resource constructor is one row of the report table below.)
TEST(CWMExceptionTest, CopiesOfTheMessageAreCut) {
    char buffer[5] = {'z', 'z', 'z', 'z', 'z'};
    EXPECT_TRUE(CWMException(3, std::string("message"), "src").GetErrorMessage(buffer, 5));
    EXPECT_STREQ("mess", buffer);
    EXPECT_TRUE(CWMException(3, std::string(), "src").GetErrorMessage(buffer, 5));
    EXPECT_STREQ("", buffer);
}

TEST(CauseTableTest, NamesAndTextsOfCauses) {
    const std::pair<std::string, std::string> cases[] = {
        {"EndOfFile", FileExceptionCauseName(14)},
        {"Unrecognized Cause", FileExceptionCauseName(15)},
        {"Unknown.", FileExceptionCauseText(-1)},
        {"BadSchema", ArchiveExceptionCauseName(7)},
        {"Unspecified error.", ArchiveExceptionCauseText(1)},
        {"Unrecognized Cause", ArchiveExceptionCauseName(8)},
        {"The thread used up its stack.", StructuredExceptionText(0xC00000FDu)},
        {StructuredExceptionText(0x80000001u), StructuredExceptionText(0xC0000008u)},
        {"Unknown Win32 Exception Code", StructuredExceptionName(0x1234u)},
        {"", StructuredExceptionText(0x1234u)},
    };
    for (const auto& [expected, actual] : cases) EXPECT_EQ(expected, actual);
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

class ExceptionReportTest : public ::testing::Test {
  protected:
    void SetUp() override { ClearExceptionLog(); }
    void TearDown() override {
        ClearExceptionLog();
        SetShowExceptions(true);
    }

    // Rethrows `e`, catches it and reports it as the logging code does;
    // returns the report text, and what went to standard error in *shown.
    std::string Report(const std::exception_ptr& e, std::string* shown = nullptr) {
        ::testing::internal::CaptureStderr();
        try {
            std::rethrow_exception(e);
        } catch (...) {
            ReportCurrentException("/src/common/module_log.cpp", 121);
        }
        std::string err = ::testing::internal::GetCapturedStderr();
        if (shown != nullptr) *shown = err;
        return GetExceptionLogText();
    }
};

template <typename E>
std::exception_ptr Ptr(const E& e) {
    return std::make_exception_ptr(e);
}

// The code RecordCurrentException keeps for `e`; it reports nothing.
int Recorded(const std::exception_ptr& e) {
    ClearExceptionLog();
    try {
        std::rethrow_exception(e);
    } catch (...) {
        RecordCurrentException();
    }
    EXPECT_EQ("", GetExceptionLogText());
    return GetExceptionLastError();
}

// Each kind of exception: its report, the last error the report and
// RecordCurrentException keep, and whether the report goes to standard error.
TEST_F(ExceptionReportTest, EachKindOfExceptionHasItsReportAndCode) {
    const std::string mfc = "MFC Exception(";
    const std::system_error full(ENOSPC, std::generic_category());
    const std::string json = "The <application/json> could not be read correctly";
    const struct {
        std::exception_ptr e;
        std::string title, body;
        int lastError;  // INT_MIN: not checked
        int recorded;
        bool shown;
    } cases[] = {
        {Ptr(CFileException(CFileException::fileNotFound, "a.xml")),
         mfc + "CFileException) thrown:",
         "\tMessage: FileNotFound\n\tDescription: The file could not be located.\n", 2, 2, true},
        {Ptr(CArchiveException(5, "bad\r\nformat")), mfc + "CArchiveException) thrown:",
         "\tMessage: bad format\n\tMessage: BadIndex\n\tDescription: Invalid file format.\n", 5, 5,
         true},
        {Ptr(CWMException(17, 405, "Endpoint")), mfc + "CWMException) thrown:",
         "\tMessage: " + json + "\n\tCode: 17\n\tMessage: " + json + "\n\tSource: Endpoint\n",
         INT_MIN, 17, true},
        {Ptr(COleDispatchException(9, "desc", "h.hlp", 4, "Mod")),
         mfc + "COleDispatchException) thrown:",
         "\tMessage: desc\n\tCode: 9\n\tMessage: desc\n\tHlpFile: h.hlp\n\tHlpContext: 4\n"
         "\tSource: Mod\n",
         INT_MIN, 9, true},
        {Ptr(COleException(static_cast<long>(static_cast<int>(0x80004006u)))),
         mfc + "COleException) thrown:", "\tCode: -2147467258\n", INT_MIN,
         static_cast<int>(0x80004006u), true},
        {Ptr(SEH_Exception(0xC0000094u)), "Win32 Structured Exception thrown:",
         "\tMessage: EXCEPTION_INT_DIVIDE_BY_ZERO\n\tDescription: The thread attempted to divide "
         "an integer value by an integer divisor of zero.\n",
         static_cast<int>(0xC0000094u), static_cast<int>(0xC0000094u), true},
        {Ptr(SEH_Exception(7)), "Win32 Structured Exception thrown:",
         "\tMessage: Unknown Win32 Exception Code\n", 7, 7, true},
        {Ptr(CComError(static_cast<int>(0x80004005u), "Unspecified error", "Module", "It broke")),
         "_com_error Exception thrown for classes generated by #import",
         "\tCode: 0x80004005\n\tMessage: Unspecified error\n\tSource: Module\n"
         "\tDescription: It broke\n",
         INT_MIN, static_cast<int>(0x80004005u), true},
        {Ptr(CWin32Error(3)), "Win32 Error thrown:", "\tDescription: No such process\n", INT_MIN, 3,
         true},
        {Ptr(CMyError(0, 5, "broken")), "MyError thrown:", "\tDescription: broken\n", INT_MIN, 5,
         false},
        {Ptr(42), "Unidentified Exception thrown", "", INT_MIN, -1, true},
        {Ptr(full), "Unidentified Exception thrown",
         "\tDescription: " + std::string(full.what()) + "\n", INT_MIN, ENOSPC, true},
        {Ptr(FailingMessage(true)), mfc + "FailingMessage) thrown:",
         "MFC Exception was generated during logging of MFC Exception\n", INT_MIN, -1, true},
        {Ptr(FailingMessage(false)), mfc + "FailingMessage) thrown:",
         "Unidentified Exception was generated during logging of MFC Exception\n", INT_MIN, -1,
         true},
    };
    Report(Ptr(SEH_Exception(6)));  // the report holds only the latest exception
    for (const auto& c : cases) {
        std::string shown;
        std::string text = Report(c.e, &shown);
        EXPECT_EQ(c.title + "\n\tFile: module_log.cpp\n\tLine: #121\n\tTime: " + BuildTimeText() +
                      "\n" + c.body,
                  text);
        if (c.lastError != INT_MIN) {
            EXPECT_EQ(c.lastError, GetExceptionLastError()) << c.title;
        }
        EXPECT_EQ(c.shown ? text : "", shown) << c.title;
        EXPECT_EQ(c.recorded, Recorded(c.e)) << c.title;
    }
    EXPECT_TRUE(ShowExceptions());
}

TEST_F(ExceptionReportTest, UserMessageReplacesTheReportAndNothingIsShown) {
    std::string shown;
    EXPECT_EQ("Please insert the card\n",
              Report(Ptr(CMyError(1, 77, "Please insert the card")), &shown));
    EXPECT_EQ(77, GetExceptionLastError());
    EXPECT_EQ("", shown);
    ClearExceptionLog();
    SetShowExceptions(false);
    ::testing::internal::CaptureStderr();
    ReportException(CWin32Error(1, "quiet"), "t", "f.cpp", 3);
    EXPECT_EQ("", ::testing::internal::GetCapturedStderr());
    EXPECT_EQ("Win32 Error thrown:\n\tFile: f.cpp\n\tLine: #3\n\tTime: t\n\tDescription: quiet\n",
              GetExceptionLogText());
    // Clearing, and reporting outside a catch, leave nothing.
    ClearExceptionLog();
    EXPECT_EQ(0, GetExceptionLastError());
    ReportCurrentException("x.cpp", 1);
    EXPECT_EQ("", GetExceptionLogText());
}

}  // namespace
