#include "platform/com.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "bridge/module_interfaces.h"

// A small interface of our own for the reference-counting tests.
class IFake : public IUnknown {};
template <>
struct InterfaceTraits<IFake> {
    static constexpr IID kIid = {0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};
};

namespace {

// Counts live fakes so that the tests see when one is deleted.
int g_liveFakes = 0;

class FakeObject : public ComObject<IFake> {
  public:
    FakeObject() { ++g_liveFakes; }

  protected:
    ~FakeObject() override { --g_liveFakes; }
};

uint32_t RefCount(IUnknown* p) {
    p->AddRef();
    return p->Release();
}

class ComPtrTest : public ::testing::Test {
  protected:
    void SetUp() override { g_liveFakes = 0; }
    void TearDown() override { EXPECT_EQ(0, g_liveFakes) << "a fake object leaked"; }
};

// One object through every way of holding it and QueryInterface; TearDown
// sees it deleted.
TEST_F(ComPtrTest, ReferencesFollowCopiesMovesAndHandOvers) {
    ComPtr<FakeObject> impl = MakeComObject<FakeObject>();
    ComPtr<IFake> a = impl;    // implementation to interface
    ComPtr<IFake> b(a.Get());  // from a raw pointer
    ComPtr<IFake> c = std::move(b);
    EXPECT_FALSE(b);
    EXPECT_EQ(3u, RefCount(a.Get()));
    c = nullptr;
    ComPtr<IFake>& same = a;
    a = same;  // self-assignment keeps the reference
    EXPECT_EQ(2u, RefCount(a.Get()));

    ComPtr<IFake> other = MakeComObject<FakeObject>();
    other = a;  // releases the previous object
    EXPECT_EQ(1, g_liveFakes);

    // An out-parameter T** adopts the reference the callee hands out.
    ComPtr<IFake> target = MakeComObject<FakeObject>();
    IFake** out = target.ReleaseAndGetAddressOf();
    EXPECT_EQ(1, g_liveFakes);  // the old target is gone
    ASSERT_EQ(S_OK, a.CopyTo(out));
    EXPECT_EQ(4u, RefCount(a.Get()));
    EXPECT_EQ(a.Get(), target.Get());
    EXPECT_EQ(E_POINTER, a.CopyTo(nullptr));

    // QueryInterface adds a reference only on success.
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(S_OK, a.As(&unknown));
    ComPtr<IFake> again;
    ASSERT_EQ(S_OK, unknown.As(&again));
    EXPECT_EQ(a.Get(), again.Get());
    ComPtr<IAddress> address;
    EXPECT_EQ(E_NOINTERFACE, a.As(&address));
    EXPECT_FALSE(address);
    void* none = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(E_NOINTERFACE, a->QueryInterface(InterfaceId<ITarvos>(), &none));
    EXPECT_EQ(nullptr, none);
    EXPECT_EQ(6u, RefCount(a.Get()));
}

TEST_F(ComPtrTest, CountingIsThreadSafe) {
    ComPtr<IFake> shared = MakeComObject<FakeObject>();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&shared] {
            for (int i = 0; i < 20000; ++i) ComPtr<IFake> copy = shared;
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(1u, RefCount(shared.Get()));
}

}  // namespace
