#include "common/exceptions.h"

#include <gtest/gtest.h>

#include <string>
#include <system_error>

namespace {

class ExceptionReportTest : public ::testing::Test {
  protected:
    void TearDown() override { ClearExceptionLog(); }

    // Rethrows `e`, catches it and reports it as the logging code does;
    // returns what went to standard error.
    std::string Report(const std::exception_ptr& e) {
        ::testing::internal::CaptureStderr();
        try {
            std::rethrow_exception(e);
        } catch (...) {
            ReportCurrentException("/src/common/module_log.cpp", 121);
        }
        return ::testing::internal::GetCapturedStderr();
    }
};

// What the logging code can meet: the framework exception the bridge throws
// (OLE), a standard exception with a code and line breaks in its text, and
// anything else. Each has its report, also shown on standard error.
TEST_F(ExceptionReportTest, EachKindOfExceptionHasItsReport) {
    const std::system_error full(ENOSPC, std::generic_category(), "disk\r\nfull");
    const struct {
        std::exception_ptr e;
        std::string title, body;
    } cases[] = {
        {std::make_exception_ptr(COleException(static_cast<long>(static_cast<int>(0x80004006u)))),
         "MFC Exception(COleException) thrown:", "\tCode: -2147467258\n"},
        {std::make_exception_ptr(42), "Unidentified Exception thrown", ""},
        {std::make_exception_ptr(full), "Unidentified Exception thrown",
         "\tDescription: disk full: " + std::generic_category().message(ENOSPC) + "\n"},
    };
    Report(std::make_exception_ptr(7));  // the report holds only the latest exception
    for (const auto& c : cases) {
        const std::string shown = Report(c.e);
        EXPECT_EQ(c.title + "\n\tFile: module_log.cpp\n\tLine: #121\n\tTime: " + BuildTimeText() +
                      "\n" + c.body,
                  shown);
        EXPECT_EQ(shown, GetExceptionLogText()) << c.title;
    }
}

}  // namespace
