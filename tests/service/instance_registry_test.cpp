#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "registry/instance_registry.h"

namespace {

// A registry on a clock the test moves.
class InstanceRegistryTest : public ::testing::Test {
  protected:
    InstanceRegistryTest() : registry_([this] { return now_; }) {}

    // Every (interface, handle) NextToDestroy gives for `handle`, in order.
    std::vector<std::pair<std::string, int>> DestroyAll(const std::string& name, int handle) {
        std::vector<std::pair<std::string, int>> released;
        std::string out;
        for (int next; (next = registry_.NextToDestroy(name, handle, &out)) >= 1;) {
            released.emplace_back(out, next);
        }
        return released;
    }

    int64_t now_ = 1700000000;
    CInstanceRegistry registry_;
};

using Released = std::vector<std::pair<std::string, int>>;

TEST_F(InstanceRegistryTest, ManagerGroupIsDestroyedAddressesFirstThenRequestsThenManager) {
    ASSERT_EQ(0, registry_.Register("ITarvos", 0, 100));
    ASSERT_EQ(0, registry_.Register("IGeneralInvoiceRequest", 100, 400));
    ASSERT_EQ(0, registry_.Register("IAddress", 400, 500));
    ASSERT_EQ(0, registry_.Register("IAddress", 400, 300));
    EXPECT_EQ((Released{{"IAddress", 300},
                        {"IAddress", 500},
                        {"IGeneralInvoiceRequest", 400},
                        {"ITarvos", 100}}),
              DestroyAll("ITarvos", 100));
    EXPECT_EQ(402, registry_.Touch("ITarvos", "GetModus", 100));
    EXPECT_EQ(402, registry_.Touch("IAddress", "GetType", 300));
    EXPECT_EQ(0u, registry_.GroupCount());
    EXPECT_EQ(0u, registry_.InstanceCount());
}

TEST_F(InstanceRegistryTest, DestroyingARequestTakesItsAddressesButNotItsServiceInput) {
    registry_.Register("ITarvos", 0, 100);
    registry_.Register("IGeneralInvoiceRequest", 100, 400);
    registry_.Register("IAddress", 400, 300);
    registry_.Register("IServiceExInput", 400, 600);  // a group of its own, keyed 400
    EXPECT_EQ((Released{{"IAddress", 300}, {"IGeneralInvoiceRequest", 400}}),
              DestroyAll("IGeneralInvoiceRequest", 400));
    EXPECT_EQ(0, registry_.Touch("IServiceExInput", "GetExternalFactor_MT", 600));
    EXPECT_EQ(0, registry_.Touch("ITarvos", "GetModus", 100));
    EXPECT_EQ(nullptr, registry_.LockFor(600)) << "the service input's group has no lock";
    EXPECT_NE(nullptr, registry_.LockFor(100));
    EXPECT_EQ((Released{{"ITarvos", 100}}), DestroyAll("ITarvos", 100));
    EXPECT_EQ(0, registry_.Touch("IServiceExInput", "GetExternalFactor_MT", 600))
        << "destroying the manager leaves the service input's own group alone";
}

TEST_F(InstanceRegistryTest, InterfaceNameDoesNotLimitTheSearch) {
    registry_.Register("ITarvos", 0, 100);
    registry_.Register("IGeneralInvoiceRequest", 100, 400);
    registry_.Register("IAddress", 400, 300);
    EXPECT_EQ((Released{{"IAddress", 300}, {"IGeneralInvoiceRequest", 400}}),
              DestroyAll("IAddress", 400));
}

TEST_F(InstanceRegistryTest, AddressWhoseParentHasNoGroupIsRefused) {
    EXPECT_EQ(402, registry_.Register("IAddress", 999, 300));
    EXPECT_EQ(402, registry_.Touch("IAddress", "GetType", 300));
    std::string out;
    EXPECT_EQ(0, registry_.NextExpired("ITarvos", &out, true)) << "nothing was recorded";
}

TEST_F(InstanceRegistryTest, SameReferenceRegisteredTwiceResetsItsTimes) {
    registry_.Register("ITarvos", 0, 100);
    registry_.Register("IGeneralInvoiceRequest", 100, 400);
    registry_.Register("IAddress", 400, 300);
    now_ += 4000;
    registry_.Register("IAddress", 400, 300);
    std::string out;
    EXPECT_EQ(400, registry_.NextExpired("ITarvos", &out, false)) << "the request is idle";
    EXPECT_EQ(0, registry_.NextExpired("ITarvos", &out, false)) << "the address is not";
    now_ += 3601;
    EXPECT_EQ(300, registry_.NextExpired("ITarvos", &out, false));
    EXPECT_EQ("IAddress", out);
}

TEST_F(InstanceRegistryTest, RegisterRefusesWhatCannotBeRecorded) {
    EXPECT_EQ(402, registry_.Register("", 0, 100));
    EXPECT_EQ(402, registry_.Register("ITarvos", 0, 0));
    EXPECT_EQ(402, registry_.Register("ITarvos", 0, -5));
    EXPECT_EQ(0, registry_.Register("IOther", 0, 7)) << "other names: nothing recorded";
    EXPECT_EQ(0u, registry_.GroupCount());
}

TEST_F(InstanceRegistryTest, TouchChecksHandleAndGroup) {
    EXPECT_EQ(0, registry_.Touch("itarvos", "getcreatetarvos", 0));
    EXPECT_EQ(402, registry_.Touch("ITarvos", "GetModus", 0));
    EXPECT_EQ(402, registry_.Touch("ITarvos", "GetModus", -1));
    EXPECT_EQ(402, registry_.Touch("ITarvos", "GetModus", 100));
    registry_.Register("ITarvos", 0, 100);
    registry_.Register("IGeneralInvoiceRequest", 100, 400);
    EXPECT_EQ(0, registry_.Touch("itarvos", "GetModus", 100));
    EXPECT_EQ(0, registry_.Touch("IGeneralInvoiceRequest", "Finalize", 400));
    EXPECT_EQ(402, registry_.Touch("IGeneralInvoiceRequest", "Finalize", 401));
    EXPECT_EQ(402, registry_.Touch("ITarvos", "GetModus", 400))
        << "a request handle is no manager group";
}

TEST_F(InstanceRegistryTest, GroupLocksAreSharedWithinAGroupOnly) {
    registry_.Register("ITarvos", 0, 100);
    registry_.Register("ITarvos", 0, 200);
    registry_.Register("IGeneralInvoiceRequest", 100, 400);
    registry_.Register("IAddress", 400, 300);
    EXPECT_EQ(registry_.LockFor(100), registry_.LockFor(400));
    EXPECT_EQ(registry_.LockFor(100), registry_.LockFor(300));
    EXPECT_NE(registry_.LockFor(100), registry_.LockFor(200));
    EXPECT_EQ(nullptr, registry_.LockFor(0));
    EXPECT_EQ(nullptr, registry_.LockFor(999));
}

TEST_F(InstanceRegistryTest, GroupLockIsTimed) {
    registry_.Register("ITarvos", 0, 100);
    CInstanceRegistry::GroupLock lock = registry_.LockFor(100);
    ASSERT_NE(nullptr, lock);
    std::unique_lock<std::timed_mutex> held(*lock);
    bool granted = true;
    std::thread other([&] { granted = lock->try_lock_for(std::chrono::milliseconds(50)); });
    other.join();
    EXPECT_FALSE(granted);
}

TEST_F(InstanceRegistryTest, DestroyedManagerKeepsItsLockForALaterRegistration) {
    registry_.Register("ITarvos", 0, 100);
    CInstanceRegistry::GroupLock first = registry_.LockFor(100);
    DestroyAll("ITarvos", 100);
    EXPECT_EQ(nullptr, registry_.LockFor(100)) << "no group, no lock";
    registry_.Register("ITarvos", 0, 100);
    EXPECT_EQ(first, registry_.LockFor(100));
}

TEST_F(InstanceRegistryTest, NextToDestroyOfUnknownHandlesGivesNothing) {
    std::string out = "x";
    EXPECT_EQ(0, registry_.NextToDestroy("ITarvos", 100, &out));
    EXPECT_EQ("", out);
    EXPECT_EQ(0, registry_.NextToDestroy("IAddress", 100, &out));
    EXPECT_EQ(0, registry_.NextToDestroy("", 100, &out));
    EXPECT_EQ(0, registry_.NextToDestroy("ITarvos", 0, &out));
}

TEST_F(InstanceRegistryTest, ConcurrentUseKeepsTheRecordsConsistent) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([this, t] {
            for (int round = 0; round < 500; ++round) {
                int manager = 1 + t * 100000 + round * 10;
                registry_.Register("ITarvos", 0, manager);
                registry_.Register("IGeneralInvoiceRequest", manager, manager + 1);
                registry_.Register("IAddress", manager + 1, manager + 2);
                registry_.Touch("IAddress", "GetType", manager + 2);
                registry_.LockFor(manager + 2);
                std::string out;
                while (registry_.NextToDestroy("ITarvos", manager, &out) >= 1) {
                }
            }
        });
    }
    std::string out;
    for (int i = 0; i < 200; ++i) registry_.NextExpired("ITarvos", &out, false);
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(0u, registry_.GroupCount());
    EXPECT_EQ(0u, registry_.InstanceCount());
}

}  // namespace
