#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "registry/instance_registry.h"

namespace {

// A registry on a clock the test moves, with a manager 100, its request
// 400 with the addresses 300 and 500 and a service input 600, and a second
// manager 200.
class InstanceRegistryTest : public ::testing::Test {
  protected:
    InstanceRegistryTest() : registry_([this] { return now_; }) {
        EXPECT_EQ(0, registry_.Register("ITarvos", 0, 100));
        EXPECT_EQ(0, registry_.Register("ITarvos", 0, 200));
        EXPECT_EQ(0, registry_.Register("IGeneralInvoiceRequest", 100, 400));
        EXPECT_EQ(0, registry_.Register("IAddress", 400, 500));
        EXPECT_EQ(0, registry_.Register("IAddress", 400, 300));
        EXPECT_EQ(0, registry_.Register("IServiceExInput", 400, 600));  // a group of its own
    }

    // Every (interface, handle) `next` gives until it gives none: "IAddress:300 ...".
    static std::string Drain(const std::function<int(std::string*)>& next) {
        std::string drained, name;
        for (int handle; (handle = next(&name)) >= 1;)
            drained += name + ":" + std::to_string(handle) + " ";
        return drained;
    }
    std::string DestroyAll(const std::string& name, int handle) {
        return Drain([&](std::string* out) { return registry_.NextToDestroy(name, handle, out); });
    }
    std::string ExpiredAll(const std::string& name) {
        return Drain([&](std::string* out) { return registry_.NextExpired(name, out, false); });
    }

    int64_t now_ = 1700000000;
    CInstanceRegistry registry_;
};

TEST_F(InstanceRegistryTest, DestroyingTakesTheDependentsFirst) {
    // A request takes its addresses, not its service input; the interface
    // name does not limit the search.
    EXPECT_EQ("IAddress:300 IAddress:500 IGeneralInvoiceRequest:400 ", DestroyAll("IAddress", 400));
    EXPECT_EQ(402, registry_.Touch("IAddress", "GetType", 300));
    EXPECT_EQ(0, registry_.Touch("ITarvos", "GetModus", 100));
    registry_.Register("IGeneralInvoiceRequest", 100, 700);
    registry_.Register("IAddress", 700, 800);
    EXPECT_EQ("IAddress:800 IGeneralInvoiceRequest:700 ITarvos:100 ", DestroyAll("ITarvos", 100));
    EXPECT_EQ(0, registry_.Touch("IServiceExInput", "GetExternalFactor_MT", 600))
        << "the service input's own group stays";
    EXPECT_EQ("", DestroyAll("ITarvos", 100) + DestroyAll("", 200) + DestroyAll("ITarvos", 0));
    EXPECT_EQ("ITarvos:200 IServiceExInput:600 ",
              DestroyAll("ITarvos", 200) + DestroyAll("IServiceExInput", 600));
}

TEST_F(InstanceRegistryTest, RegisterAndTouchRefuseWhatNamesNothing) {
    const std::pair<int, int> refused[] = {
        {registry_.Register("IAddress", 999, 301), 402},  // a parent without a group
        {registry_.Register("", 0, 101), 402},
        {registry_.Register("ITarvos", 0, 0), 402},
        {registry_.Register("ITarvos", 0, -5), 402},
        {registry_.Register("IOther", 0, 7), 0},  // other names: nothing recorded
        {registry_.Touch("itarvos", "getcreatetarvos", 0), 0},
        {registry_.Touch("ITarvos", "GetModus", 0), 402},
        {registry_.Touch("ITarvos", "GetModus", 101), 402},
        {registry_.Touch("IAddress", "GetType", 301), 402},
        {registry_.Touch("itarvos", "GetModus", 100), 0},
        {registry_.Touch("ITarvos", "GetModus", 500), 402},  // an address keys no group
        {registry_.Touch("ITarvos", "GetModus", 400), 0},    // a request with service inputs does
        {registry_.Touch("ITarvos", "GetModus", 7), 402},
    };
    for (size_t k = 0; k < sizeof refused / sizeof refused[0]; ++k) {
        EXPECT_EQ(refused[k].second, refused[k].first) << "case " << k;
    }
    EXPECT_EQ(3u, registry_.GroupCount());
}

TEST_F(InstanceRegistryTest, IdleInstancesExpireAndUseResetsTheirTime) {
    now_ += 4000;
    registry_.Register("IAddress", 400, 300);  // registered again: its times start anew
    registry_.Touch("ITarvos", "GetModus", 200);
    registry_.Touch("IServiceExInput", "GetExternalFactor_MT", 600);
    EXPECT_EQ("", ExpiredAll("IAddress")) << "only ITarvos finds anything";
    EXPECT_EQ("IAddress:500 IGeneralInvoiceRequest:400 ", ExpiredAll("ITarvos"));
    now_ += 3601;
    std::string out;
    EXPECT_EQ(300, registry_.NextExpired("ITarvos", &out, false));
}

TEST_F(InstanceRegistryTest, GroupLocksAreSharedWithinAGroupAndOutliveIt) {
    CInstanceRegistry::GroupLock lock = registry_.LockFor(100);
    ASSERT_NE(nullptr, lock);
    EXPECT_EQ(lock, registry_.LockFor(400));
    EXPECT_EQ(lock, registry_.LockFor(300));
    EXPECT_NE(lock, registry_.LockFor(200));
    for (int none : {0, 999, 600}) EXPECT_EQ(nullptr, registry_.LockFor(none)) << none;
    DestroyAll("ITarvos", 100);
    EXPECT_EQ(nullptr, registry_.LockFor(100)) << "no group, no lock";
    registry_.Register("ITarvos", 0, 100);
    EXPECT_EQ(lock, registry_.LockFor(100)) << "a later registration gets it back";
}

}  // namespace
