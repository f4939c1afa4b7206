// GoogleTest before the REST library: the library defines a macro U.
#include <gtest/gtest.h>

#include <sys/time.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bridge/verb_dispatchers.h"
#include "endpoint/endpoint_handler.h"
#include "platform/ini_file.h"
#include "tests/engine/temp_folder.h"

namespace {

// A handler (listener not opened) with the bridge's dispatchers, on a clock
// the test moves; its settings ask for an inactivity limit of 10 s, which
// counts as the least allowed, 300 s.
class SweepTest : public ::testing::Test {
  protected:
    SweepTest() {
        std::string ini = folder_.Path() + "TarvosServer450.ini";
        platform::WriteProfileString(ini, "PARAMS", "TMPDIR_CSIDL", folder_.Path());
        platform::WriteProfileString(ini, "Settings", "Interface_Max_Inactivity_Sec", "10");
        HandlerOptions options;
        options.workerThreads = 1;
        options.clock = [this] { return now_; };
        handler_ = std::make_unique<CEndpointHandler>("http://127.0.0.1:1/sweep", ini, options);
        InstallDispatchers(*handler_);
    }

    // A manager, its request and `addresses` addresses of the request, made
    // by GET requests as a client makes them: their handles in that order.
    std::vector<int> Group(int addresses) {
        std::vector<int> handles{Get("ITarvos/GetCreateTarvos", "pITarvos")};
        handles.push_back(
            Get("ITarvos/GetGeneralInvoiceRequest?pITarvos=" + std::to_string(handles[0]),
                "pIGeneralInvoiceRequest"));
        for (int i = 0; i < addresses; ++i) {
            handles.push_back(
                Get("IGeneralInvoiceRequest/GetCreateAddress?pIGeneralInvoiceRequest=" +
                        std::to_string(handles[1]),
                    "pIAddress"));
        }
        return handles;
    }
    int Get(const std::string& target, const std::string& key) {
        HttpRequest request;
        request.head.method = "GET";
        request.head.target = "/sweep/" + target;
        Reply reply = handler_->Handle(request);
        EXPECT_EQ(200, reply.status) << target << " " << reply.body.serialize();
        return reply.body.has_field(key) ? reply.body.at(key).as_integer() : 0;
    }

    // The indexes in group_ of the handles that the tables still hold, in
    // the order of the release at stop: "21" for the address and the request
    // of a group.
    std::string Live() const {
        std::string live;
        for (const std::string& name : CHandlerTables::ReleaseOrder()) {
            for (int handle : handler_->Tables().Handles(name))
                live += std::to_string(std::find(group_.begin(), group_.end(), handle) -
                                       group_.begin());
        }
        return live;
    }

    TempFolder folder_;
    int64_t now_ = std::time(nullptr);
    std::unique_ptr<CEndpointHandler> handler_;
    std::vector<int> group_;
};

// Idle for 300 s: kept; for 301 s: released. An idle address of a group in
// use goes alone. (The order of the releases: the registry's tests.)
TEST_F(SweepTest, IdleObjectsAndDestroyedGroupsAreReleased) {
    group_ = Group(1);
    now_ += 300;
    EXPECT_EQ(0, handler_->RunSanityChecks(false));
    EXPECT_EQ("210", Live());
    ASSERT_EQ(0, handler_->Registry().Touch("ITarvos", "GetModus", group_[0]));
    ASSERT_EQ(0, handler_->Registry().Touch("IGeneralInvoiceRequest", "Finalize", group_[1]));
    now_ += 1;
    handler_->RunSanityChecks(false);
    EXPECT_EQ("10", Live());
    now_ += 300;
    handler_->RunSanityChecks(false);
    EXPECT_EQ("", Live());
    EXPECT_EQ(0u, handler_->Registry().GroupCount());

    // A destruction takes the whole group; the release at stop takes what
    // the registry knows, then what only the tables hold.
    group_ = Group(2);
    EXPECT_EQ(0, handler_->DestructInstance("ITarvos", group_[0]));
    EXPECT_EQ("", Live());
    group_ = Group(1);
    std::string name;  // the address leaves the registry, not the tables
    ASSERT_EQ(group_[2], handler_->Registry().NextToDestroy("IAddress", group_[2], &name));
    handler_->Tables().Lookup<IAddress>(group_[2] + 1000);  // an empty slot
    EXPECT_EQ(0, handler_->ReleaseAll());
    EXPECT_EQ(0u, handler_->Tables().Size());
}

// The sweep deletes files older than a day from the working folder and from
// no other folder.
TEST_F(SweepTest, CleanupOfTheWorkingFolder) {
    const std::string work = handler_->GetWorkingFolder();
    ASSERT_EQ(folder_.Path() + "tolvan/Halvo450Rest/", work);
    auto make = [this](const std::string& path, int64_t age) {
        std::ofstream(path) << "x";
        struct timeval times[2] = {{static_cast<time_t>(now_ - age), 0},
                                   {static_cast<time_t>(now_ - age), 0}};
        ASSERT_EQ(0, utimes(path.c_str(), times));
    };
    // The guard ignores case; folders stay.
    const std::string upper = folder_.Path() + "TOLVAN/HALVO450REST/";
    std::filesystem::create_directories(upper);
    std::filesystem::create_directory(work + "sub");
    const std::pair<std::string, int64_t> files[] = {
        {work + "old.pdf", 86401},   {work + "day.pdf", 86400},
        {work + "young.pdf", 86399}, {folder_.Path() + "old.txt", 90000},
        {upper + "old.txt", 90000},  {work + "sub", 90000},
    };
    for (const auto& file : files) make(file.first, file.second);
    handler_->RunSanityChecks(false);
    for (const std::string& folder : {folder_.Path(), std::string(), upper})
        handler_->CleanupWorkingFolder(folder);
    std::string left;
    for (const auto& file : files) left += std::filesystem::exists(file.first) ? "1" : "0";
    EXPECT_EQ("011101", left);
}

}  // namespace
