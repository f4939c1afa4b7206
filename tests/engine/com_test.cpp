#include "platform/com.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "bridge/module_factory.h"
#include "bridge/module_interfaces.h"

// A small interface of our own for the reference-counting tests.
class IFake : public IUnknown {
  public:
    virtual int Value() = 0;
};
template <>
struct InterfaceTraits<IFake> {
    static constexpr IID kIid = {0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};
};

namespace {

// Counts live fakes so that the tests see when one is deleted.
int g_liveFakes = 0;

class FakeObject : public ComObject<IFake> {
  public:
    explicit FakeObject(int value) : value_(value) { ++g_liveFakes; }
    int Value() override { return value_; }

  protected:
    ~FakeObject() override { --g_liveFakes; }

  private:
    int value_;
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

TEST_F(ComPtrTest, MadeObjectHasOneReferenceAndDiesWithItsPointer) {
    {
        ComPtr<FakeObject> p = MakeComObject<FakeObject>(7);
        EXPECT_EQ(1u, RefCount(p.Get()));
        EXPECT_EQ(7, p->Value());
        EXPECT_EQ(1, g_liveFakes);
    }
    EXPECT_EQ(0, g_liveFakes);
}

TEST_F(ComPtrTest, CopyAddsAReferenceMoveDoesNot) {
    ComPtr<IFake> a = MakeComObject<FakeObject>(1);
    ComPtr<IFake> b = a;
    EXPECT_EQ(2u, RefCount(a.Get()));
    ComPtr<IFake> c = std::move(b);
    EXPECT_FALSE(b);
    EXPECT_EQ(2u, RefCount(a.Get()));
    c = nullptr;
    EXPECT_EQ(1u, RefCount(a.Get()));
    ComPtr<IFake>& same = a;
    a = same;  // self-assignment keeps the reference
    EXPECT_EQ(1u, RefCount(a.Get()));
    EXPECT_EQ(1, g_liveFakes);
}

TEST_F(ComPtrTest, AssignmentReleasesThePreviousObject) {
    ComPtr<IFake> a = MakeComObject<FakeObject>(1);
    ComPtr<IFake> b = MakeComObject<FakeObject>(2);
    EXPECT_EQ(2, g_liveFakes);
    a = b;
    EXPECT_EQ(1, g_liveFakes);
    EXPECT_EQ(2, a->Value());
    EXPECT_TRUE(a == b);
}

TEST_F(ComPtrTest, AttachAdoptsAndDetachHandsOver) {
    ComPtr<IFake> a = MakeComObject<FakeObject>(3);
    IFake* raw = a.Detach();
    EXPECT_FALSE(a);
    EXPECT_EQ(1u, RefCount(raw));
    ComPtr<IFake> b;
    b.Attach(raw);
    EXPECT_EQ(1u, RefCount(raw));
    b.Reset();
    EXPECT_EQ(0, g_liveFakes);
}

TEST_F(ComPtrTest, RawPointerConstructorAddsAReference) {
    ComPtr<IFake> a = MakeComObject<FakeObject>(3);
    ComPtr<IFake> b(a.Get());
    EXPECT_EQ(2u, RefCount(a.Get()));
}

TEST_F(ComPtrTest, OutParameterAdoptsTheCalleesReference) {
    ComPtr<IFake> source = MakeComObject<FakeObject>(4);
    ComPtr<IFake> target = MakeComObject<FakeObject>(5);
    EXPECT_EQ(2, g_liveFakes);
    // The callee hands out its own reference through T**.
    IFake** out = target.ReleaseAndGetAddressOf();
    EXPECT_EQ(1, g_liveFakes);  // the old target is gone
    ASSERT_EQ(S_OK, source.CopyTo(out));
    EXPECT_EQ(2u, RefCount(source.Get()));
    EXPECT_EQ(4, target->Value());
    EXPECT_EQ(E_POINTER, source.CopyTo(nullptr));
}

TEST_F(ComPtrTest, QueryInterfaceForKnownIds) {
    ComPtr<IFake> fake = MakeComObject<FakeObject>(9);
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(S_OK, fake.As(&unknown));
    EXPECT_EQ(2u, RefCount(fake.Get()));
    ComPtr<IFake> again;
    ASSERT_EQ(S_OK, unknown.As(&again));
    EXPECT_EQ(fake.Get(), again.Get());
    EXPECT_EQ(3u, RefCount(fake.Get()));
}

TEST_F(ComPtrTest, ConvertsFromImplementationToInterface) {
    ComPtr<FakeObject> impl = MakeComObject<FakeObject>(6);
    ComPtr<IFake> iface = impl;
    EXPECT_EQ(2u, RefCount(iface.Get()));
}

// ---- error paths

TEST_F(ComPtrTest, QueryInterfaceForAWrongIdGivesNoInterfaceAndNull) {
    ComPtr<IFake> fake = MakeComObject<FakeObject>(9);
    void* raw = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(E_NOINTERFACE, fake->QueryInterface(InterfaceId<ITarvos>(), &raw));
    EXPECT_EQ(nullptr, raw);
    EXPECT_EQ(1u, RefCount(fake.Get()));

    ComPtr<IAddress> address;
    EXPECT_EQ(E_NOINTERFACE, fake.As(&address));
    EXPECT_FALSE(address);
    EXPECT_EQ(1u, RefCount(fake.Get()));

    EXPECT_EQ(E_POINTER, fake->QueryInterface(IID_IUnknown, nullptr));
}

TEST_F(ComPtrTest, AsOnANullPointerGivesPointerError) {
    ComPtr<IFake> empty;
    ComPtr<IUnknown> out;
    EXPECT_EQ(E_POINTER, empty.As(&out));
    EXPECT_FALSE(out);
}

TEST_F(ComPtrTest, CountingIsThreadSafe) {
    ComPtr<IFake> shared = MakeComObject<FakeObject>(1);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&shared] {
            for (int i = 0; i < 20000; ++i) {
                ComPtr<IFake> copy = shared;
                EXPECT_EQ(1, copy->Value());
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(1u, RefCount(shared.Get()));
}

// ---- codes and types

TEST(ComBasics, ResultCodesHaveTheirWindowsValues) {
    EXPECT_EQ(0x80004003u, static_cast<uint32_t>(E_POINTER));
    EXPECT_EQ(0x80070057u, static_cast<uint32_t>(E_INVALIDARG));
    EXPECT_EQ(0x80004005u, static_cast<uint32_t>(E_FAIL));
    EXPECT_EQ(0x8007000Eu, static_cast<uint32_t>(E_OUTOFMEMORY));
    EXPECT_EQ(0x80004001u, static_cast<uint32_t>(E_NOTIMPL));
    EXPECT_EQ(0x80004002u, static_cast<uint32_t>(E_NOINTERFACE));
    EXPECT_EQ(-2147467261, E_POINTER);  // travels as a signed number
    EXPECT_EQ(0x00040EC6, DB_S_ENDOFROWSET);
    EXPECT_TRUE(SUCCEEDED(S_FALSE));
    EXPECT_TRUE(SUCCEEDED(DB_S_ENDOFROWSET));
    EXPECT_TRUE(FAILED(E_FAIL));
    EXPECT_FALSE(FAILED(S_OK));
    EXPECT_EQ(0x17u, CLSCTX_ALL);
    EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    EXPECT_EQ(S_OK, OleRun(nullptr));
    CoUninitialize();
}

TEST(ModuleInterfaces, HaveDistinctIdentities) {
    const IID ids[] = {IID_IUnknown,
                       InterfaceId<ITarvos>(),
                       InterfaceId<IGeneralInvoiceRequest>(),
                       InterfaceId<IGeneralInvoiceResult>(),
                       InterfaceId<IAddress>(),
                       InterfaceId<IServiceExInput>(),
                       CLSID_Tarvos};
    for (size_t i = 0; i < std::size(ids); ++i) {
        for (size_t j = i + 1; j < std::size(ids); ++j) EXPECT_NE(ids[i], ids[j]) << i << j;
    }
}

}  // namespace
