#pragma once

#include <gtest/gtest.h>

#include "tests/integration/server_process.h"

// Fixture base of a suite whose tests share one running service: started
// before the suite's first test, stopped after its last. Every test begins
// and ends with the service still running, whatever the test sent it.
//
//   class ObjectsTest : public SuiteServer<ObjectsTest> { ... };
//
// `Suite` only gives each suite a server of its own.
template <class Suite>
class SuiteServer : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        server_ = new ServerProcess();
        ASSERT_TRUE(server_->Start()) << server_->Output();
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(server_->Running()) << server_->Output(); }
    void TearDown() override { ASSERT_TRUE(server_->Running()) << server_->Output(); }

    static inline ServerProcess* server_ = nullptr;
};
