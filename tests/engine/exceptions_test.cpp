#include "common/exceptions.h"

#include <gtest/gtest.h>

#include <string>
#include <system_error>

namespace {

class ExceptionReportTest : public ::testing::Test {
  protected:
    void TearDown() override { ClearExceptionLog(); }

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

// What the logging code can meet: a framework exception (the file one
// stands for its family), the OLE one the bridge throws, a standard
// exception with a code and line breaks in its text, and anything else.
// Each has its report, also shown on standard error.
TEST_F(ExceptionReportTest, EachKindOfExceptionHasItsReport) {
    const std::system_error full(ENOSPC, std::generic_category(), "disk\r\nfull");
    const struct {
        std::exception_ptr e;
        std::string title, body;
    } cases[] = {
        {Ptr(CFileException(CFileException::fileNotFound, "a.xml")),
         "MFC Exception(CFileException) thrown:",
         "\tMessage: FileNotFound\n\tDescription: The file could not be located.\n"},
        {Ptr(COleException(static_cast<long>(static_cast<int>(0x80004006u)))),
         "MFC Exception(COleException) thrown:", "\tCode: -2147467258\n"},
        {Ptr(42), "Unidentified Exception thrown", ""},
        {Ptr(full), "Unidentified Exception thrown",
         "\tDescription: disk full: " + std::generic_category().message(ENOSPC) + "\n"},
    };
    Report(Ptr(7));  // the report holds only the latest exception
    for (const auto& c : cases) {
        std::string shown;
        std::string text = Report(c.e, &shown);
        EXPECT_EQ(c.title + "\n\tFile: module_log.cpp\n\tLine: #121\n\tTime: " + BuildTimeText() +
                      "\n" + c.body,
                  text);
        EXPECT_EQ(text, shown) << c.title;
    }
}

}  // namespace
