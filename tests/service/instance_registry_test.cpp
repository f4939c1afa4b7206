#include <gtest/gtest.h>

#include <string>

#include "registry/instance_registry.h"

namespace {

// A registry with a manager 100, its request 400 with the addresses 300 and
// 500 and a service input 600, and a second manager 200.
class InstanceRegistryTest : public ::testing::Test {
  protected:
    InstanceRegistryTest() {
        EXPECT_EQ(0, registry_.Register("ITarvos", 0, 100));
        EXPECT_EQ(0, registry_.Register("ITarvos", 0, 200));
        EXPECT_EQ(0, registry_.Register("IGeneralInvoiceRequest", 100, 400));
        EXPECT_EQ(0, registry_.Register("IAddress", 400, 500));
        EXPECT_EQ(0, registry_.Register("IAddress", 400, 300));
        EXPECT_EQ(0, registry_.Register("IServiceExInput", 400, 600));  // a group of its own
    }

    // Every (interface, handle) released for `handle`: "IAddress:300 ...".
    std::string DestroyAll(const std::string& name, int handle) {
        std::string destroyed, released;
        for (int next; (next = registry_.NextToDestroy(name, handle, &released)) >= 1;)
            destroyed += released + ":" + std::to_string(next) + " ";
        return destroyed;
    }

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
    std::string codes;  // 402 refused, 0 taken
    for (int code :
         {registry_.Register("IAddress", 999, 301),  // a parent without a group
          registry_.Register("ITarvos", 0, 0), registry_.Register("IOther", 0, 7),  // not recorded
          registry_.Touch("itarvos", "getcreatetarvos", 0),
          registry_.Touch("IAddress", "GetType", 301), registry_.Touch("itarvos", "GetModus", 100),
          registry_.Touch("ITarvos", "GetModus", 500),  // an address keys no group
          registry_.Touch("ITarvos", "GetModus", 400),  // a request with service inputs does
          registry_.Touch("ITarvos", "GetModus", 7)})
        codes += std::to_string(code) + " ";
    EXPECT_EQ("402 402 0 0 402 0 402 0 402 ", codes);
    EXPECT_EQ(3u, registry_.GroupCount());
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
