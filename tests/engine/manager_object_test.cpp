#include "module/objects/manager_object.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bridge/module_factory.h"
#include "bridge/module_interfaces.h"
#include "tests/engine/temp_folder.h"

namespace {

ComPtr<ITarvos> NewManager() {
    ComPtr<ITarvos> manager;
    void* raw = nullptr;
    EXPECT_EQ(S_OK,
              CoCreateInstance(CLSID_Tarvos, nullptr, CLSCTX_ALL, InterfaceId<ITarvos>(), &raw));
    manager.Attach(static_cast<ITarvos*>(raw));
    return manager;
}

std::string AbortText(ITarvos* manager) {
    BSTR text;
    VARIANT_BOOL status = VARIANT_FALSE;
    EXPECT_EQ(S_OK, manager->GetAbortInfo(&text, &status));
    return text;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// A 1 x 1 pixel PNG, transparent.
const std::vector<uint8_t> kTinyPng = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48,
    0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00,
    0x00, 0x1F, 0x15, 0xC4, 0x89, 0x00, 0x00, 0x00, 0x0A, 0x49, 0x44, 0x41, 0x54, 0x78,
    0x9C, 0x63, 0x00, 0x01, 0x00, 0x00, 0x05, 0x00, 0x01, 0x0D, 0x0A, 0x2D, 0xB4, 0x00,
    0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

void PutLittle32(std::vector<uint8_t>* bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) (*bytes)[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A 1 x 1 pixel, 24-bit BMP with the given compression field.
std::vector<uint8_t> TinyBmp(uint32_t compression) {
    std::vector<uint8_t> bytes(58, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    PutLittle32(&bytes, 2, 58);   // file size
    PutLittle32(&bytes, 10, 54);  // pixel data offset
    PutLittle32(&bytes, 14, 40);  // info header size
    PutLittle32(&bytes, 18, 1);   // width
    PutLittle32(&bytes, 22, 1);   // height
    bytes[26] = 1;                // planes
    bytes[28] = 24;               // bits per pixel
    PutLittle32(&bytes, 30, compression);
    PutLittle32(&bytes, 34, 4);  // image size
    bytes[56] = 0xFF;            // the pixel, blue
    return bytes;
}

class ManagerTest : public ::testing::Test {
  protected:
    ComPtr<ITarvos> manager_ = NewManager();
    VARIANT_BOOL status_ = VARIANT_FALSE;
};

// ---------------------------------------------------------------------------
// Creation

TEST(ManagerFactoryTest, CreatesAManagerAsUnknownOrAsITarvos) {
    void* raw = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Tarvos, nullptr, CLSCTX_ALL, IID_IUnknown, &raw));
    ComPtr<IUnknown> unknown;
    unknown.Attach(static_cast<IUnknown*>(raw));
    ComPtr<ITarvos> manager;
    ASSERT_EQ(S_OK, unknown.As(&manager));
    long modus = 0;
    EXPECT_EQ(S_OK, manager->GetModus(&modus));
}

TEST(ManagerFactoryTest, EachCallMakesANewManager) {
    ComPtr<ITarvos> first = NewManager();
    ComPtr<ITarvos> second = NewManager();
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.Get(), second.Get());
    ASSERT_EQ(S_OK, first->PutModus(2));
    long modus = 0;
    ASSERT_EQ(S_OK, second->GetModus(&modus));
    EXPECT_EQ(1, modus);
}

TEST(ManagerFactoryTest, RejectsWrongClassAggregationNullAndUnknownInterface) {
    const CLSID otherClass = {0x12345678, 0x1, 0x2, {1, 2, 3, 4, 5, 6, 7, 8}};
    void* raw = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              CoCreateInstance(otherClass, nullptr, CLSCTX_ALL, InterfaceId<ITarvos>(), &raw));
    EXPECT_EQ(nullptr, raw);

    ComPtr<ITarvos> outer = NewManager();
    raw = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, CoCreateInstance(CLSID_Tarvos, outer.Get(), CLSCTX_ALL,
                                                      InterfaceId<ITarvos>(), &raw));
    EXPECT_EQ(nullptr, raw);

    EXPECT_EQ(E_POINTER,
              CoCreateInstance(CLSID_Tarvos, nullptr, CLSCTX_ALL, InterfaceId<ITarvos>(), nullptr));

    raw = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(E_NOINTERFACE,
              CoCreateInstance(CLSID_Tarvos, nullptr, CLSCTX_ALL, InterfaceId<IAddress>(), &raw));
    EXPECT_EQ(nullptr, raw);
}

TEST(ManagerFactoryTest, AcceptsThePartsOfTheContext) {
    void* raw = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Tarvos, nullptr, CLSCTX_INPROC_SERVER,
                                     InterfaceId<ITarvos>(), &raw));
    static_cast<ITarvos*>(raw)->Release();
}

// ---------------------------------------------------------------------------
// Mode, language, version

TEST_F(ManagerTest, ModusStartsAtProductionAndTakesTest) {
    long modus = 0;
    ASSERT_EQ(S_OK, manager_->GetModus(&modus));
    EXPECT_EQ(1, modus);
    ASSERT_EQ(S_OK, manager_->PutModus(2));
    ASSERT_EQ(S_OK, manager_->GetModus(&modus));
    EXPECT_EQ(2, modus);
}

TEST_F(ManagerTest, UnknownModusIsRejectedAndKeepsTheOldOne) {
    ASSERT_EQ(S_OK, manager_->PutModus(2));
    for (long bad : {0L, 3L, -1L, 1L << 40}) {
        EXPECT_EQ(E_INVALIDARG, manager_->PutModus(bad)) << bad;
        EXPECT_NE(std::string::npos, AbortText(manager_.Get()).find("PutModus: eModusType"));
    }
    long modus = 0;
    ASSERT_EQ(S_OK, manager_->GetModus(&modus));
    EXPECT_EQ(2, modus);
}

TEST_F(ManagerTest, LanguageStartsAtGermanAndTakesFrenchAndItalian) {
    long language = 0;
    ASSERT_EQ(S_OK, manager_->GetModuleLanguage(&language));
    EXPECT_EQ(1, language);
    for (long value : {2L, 3L, 1L}) {
        ASSERT_EQ(S_OK, manager_->PutModuleLanguage(value));
        ASSERT_EQ(S_OK, manager_->GetModuleLanguage(&language));
        EXPECT_EQ(value, language);
    }
}

TEST_F(ManagerTest, UnknownLanguageIsRejectedAndKeepsTheOldOne) {
    ASSERT_EQ(S_OK, manager_->PutModuleLanguage(3));
    EXPECT_EQ(E_INVALIDARG, manager_->PutModuleLanguage(4));
    EXPECT_EQ(E_INVALIDARG, manager_->PutModuleLanguage(0));
    EXPECT_NE(std::string::npos, AbortText(manager_.Get()).find("PutModuleLanguage: eLanguage 0"));
    long language = 0;
    ASSERT_EQ(S_OK, manager_->GetModuleLanguage(&language));
    EXPECT_EQ(3, language);
}

TEST_F(ManagerTest, VersionAndVersionText) {
    BSTR version;
    BSTR text;
    ASSERT_EQ(S_OK, manager_->GetModuleVersion(&version));
    ASSERT_EQ(S_OK, manager_->GetModuleVersionText(&text));
    EXPECT_EQ("4.50.001", version);
    EXPECT_NE(std::string::npos, text.find("4.50.001"));
}

TEST_F(ManagerTest, AbortInfoIsEmptyUntilACallFails) {
    BSTR text = "stale";
    VARIANT_BOOL status = VARIANT_TRUE;
    ASSERT_EQ(S_OK, manager_->GetAbortInfo(&text, &status));
    EXPECT_EQ("", text);
    EXPECT_EQ(VARIANT_FALSE, status);
    EXPECT_EQ(E_INVALIDARG, manager_->PutModus(9));
    ASSERT_EQ(S_OK, manager_->GetAbortInfo(&text, &status));
    EXPECT_EQ(VARIANT_TRUE, status);
    EXPECT_FALSE(text.empty());
}

// ---------------------------------------------------------------------------
// Log settings

TEST_F(ManagerTest, LogSettingsHaveDefaultsAndRoundTrip) {
    long level = -1;
    long size = -1;
    long archive = -1;
    BSTR dir = "x";
    ASSERT_EQ(S_OK, manager_->GetLogSettings(&level, &size, &archive, &dir, &status_));
    EXPECT_EQ(1, level);
    EXPECT_EQ(4000, size);
    EXPECT_EQ(1, archive);
    EXPECT_EQ("", dir);

    ASSERT_EQ(S_OK, manager_->SetLogSettings(5, 250, 0, "/var/log/old", &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    ASSERT_EQ(S_OK, manager_->GetLogSettings(&level, &size, &archive, &dir, &status_));
    EXPECT_EQ(5, level);
    EXPECT_EQ(250, size);
    EXPECT_EQ(0, archive);
    EXPECT_EQ("/var/log/old", dir);
}

TEST_F(ManagerTest, BadLogSettingsAreRejectedAndChangeNothing) {
    ASSERT_EQ(S_OK, manager_->SetLogSettings(2, 100, 1, "keep", &status_));
    struct Case {
        long level, size, archive;
        std::string dir, field;
    };
    const std::vector<Case> cases = {
        {6, 100, 1, "d", "lLogLevel"},
        {-1, 100, 1, "d", "lLogLevel"},
        {2, -5, 1, "d", "lMaxSizeKB"},
        {2, 1048577, 1, "d", "lMaxSizeKB"},
        {2, 100, 2, "d", "eDoArchive"},
        {2, 100, -1, "d", "eDoArchive"},
        {2, 100, 1,
         "a\x01"
         "b",
         "bstrArchiveDir"},
        {2, 100, 1, std::string(1025, 'a'), "bstrArchiveDir"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(E_INVALIDARG,
                  manager_->SetLogSettings(c.level, c.size, c.archive, c.dir, &status_))
            << c.field;
        EXPECT_NE(std::string::npos, AbortText(manager_.Get()).find("SetLogSettings: " + c.field))
            << AbortText(manager_.Get());
    }
    long level, size, archive;
    BSTR dir;
    ASSERT_EQ(S_OK, manager_->GetLogSettings(&level, &size, &archive, &dir, &status_));
    EXPECT_EQ(2, level);
    EXPECT_EQ(100, size);
    EXPECT_EQ(1, archive);
    EXPECT_EQ("keep", dir);
}

// ---------------------------------------------------------------------------
// Logo

class ManagerLogoTest : public ManagerTest {
  protected:
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::string path = folder_.Path() + name;
        WriteBytes(path, bytes);
        return path;
    }
    LogoSettings Logo() { return dynamic_cast<CTarvos*>(manager_.Get())->Settings().logo; }

    TempFolder folder_;
};

TEST_F(ManagerLogoTest, TakesAPngAndAnUncompressedBmp) {
    std::string png = Write("logo.png", kTinyPng);
    ASSERT_EQ(S_OK, manager_->SetLogo(png, 40, 20, &status_)) << AbortText(manager_.Get());
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(png, Logo().file);
    EXPECT_EQ(40, Logo().width_mm);
    EXPECT_EQ(20, Logo().height_mm);

    std::string bmp = Write("logo.bmp", TinyBmp(0));
    EXPECT_EQ(S_OK, manager_->SetLogo(bmp, 200, 1, &status_)) << AbortText(manager_.Get());
    std::string bitfields = Write("fields.bmp", TinyBmp(3));
    EXPECT_EQ(S_OK, manager_->SetLogo(bitfields, 10, 10, &status_)) << AbortText(manager_.Get());
    EXPECT_EQ(bitfields, Logo().file);
}

TEST_F(ManagerLogoTest, AnEmptyFileNameRemovesTheLogo) {
    ASSERT_EQ(S_OK, manager_->SetLogo(Write("logo.png", kTinyPng), 40, 20, &status_));
    ASSERT_EQ(S_OK, manager_->SetLogo("", 0, 0, &status_));
    EXPECT_EQ("", Logo().file);
}

TEST_F(ManagerLogoTest, RejectsMissingCompressedAndForeignFiles) {
    std::string good = Write("logo.png", kTinyPng);
    ASSERT_EQ(S_OK, manager_->SetLogo(good, 40, 20, &status_));

    EXPECT_EQ(E_INVALIDARG, manager_->SetLogo(folder_.Path() + "missing.png", 40, 20, &status_));
    EXPECT_NE(std::string::npos, AbortText(manager_.Get()).find("cannot be opened"));

    EXPECT_EQ(E_INVALIDARG, manager_->SetLogo(Write("rle.bmp", TinyBmp(1)), 40, 20, &status_));
    EXPECT_NE(std::string::npos, AbortText(manager_.Get()).find("compressed BMP"));

    EXPECT_EQ(E_INVALIDARG,
              manager_->SetLogo(Write("logo.txt", {'h', 'e', 'l', 'l', 'o'}), 40, 20, &status_));
    EXPECT_NE(std::string::npos, AbortText(manager_.Get()).find("neither a PNG nor a BMP"));

    EXPECT_EQ(E_INVALIDARG,
              manager_->SetLogo(Write("short.bmp", {'B', 'M', 0, 0}), 40, 20, &status_));
    EXPECT_EQ(E_INVALIDARG, manager_->SetLogo(folder_.Path(), 40, 20, &status_));

    EXPECT_EQ(good, Logo().file);
    EXPECT_EQ(40, Logo().width_mm);
}

TEST_F(ManagerLogoTest, RejectsSizesOutsideOneTo200Millimetres) {
    std::string png = Write("logo.png", kTinyPng);
    EXPECT_EQ(E_INVALIDARG, manager_->SetLogo(png, 0, 20, &status_));
    EXPECT_NE(std::string::npos, AbortText(manager_.Get()).find("SetLogo: lMMWidth 0 mm"));
    EXPECT_EQ(E_INVALIDARG, manager_->SetLogo(png, 40, 201, &status_));
    EXPECT_NE(std::string::npos, AbortText(manager_.Get()).find("SetLogo: lMMHeigth 201 mm"));
    EXPECT_EQ(E_INVALIDARG, manager_->SetLogo(png, -3, 20, &status_));
    EXPECT_EQ("", Logo().file);
}

// ---------------------------------------------------------------------------
// Requests

TEST_F(ManagerTest, EveryCallHandsOutAFreshRequestThatBecomesCurrent) {
    ComPtr<IGeneralInvoiceRequest> first;
    ComPtr<IGeneralInvoiceRequest> second;
    ASSERT_EQ(S_OK, manager_->GetGeneralInvoiceRequest(first.ReleaseAndGetAddressOf()));
    ASSERT_EQ(S_OK, manager_->GetGeneralInvoiceRequest(second.ReleaseAndGetAddressOf()));
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.Get(), second.Get());
    CTarvos* impl = dynamic_cast<CTarvos*>(manager_.Get());
    ASSERT_NE(nullptr, impl);
    EXPECT_EQ(second.Get(), impl->CurrentRequest().Get());
}

TEST_F(ManagerTest, TheCurrentRequestOutlivesTheClientsReference) {
    IGeneralInvoiceRequest* raw = nullptr;
    ASSERT_EQ(S_OK, manager_->GetGeneralInvoiceRequest(&raw));
    raw->AddRef();
    EXPECT_EQ(2u, raw->Release()) << "the client's and the manager's reference";
    raw->Release();
    VARIANT_BOOL status = VARIANT_FALSE;
    EXPECT_EQ(S_OK, raw->Initialize(1, &status)) << "still alive through the manager";
}

TEST_F(ManagerTest, NullOutPointersAreRejected) {
    EXPECT_EQ(E_POINTER, manager_->GetGeneralInvoiceRequest(nullptr));
    EXPECT_EQ(E_POINTER, manager_->GetModus(nullptr));
    EXPECT_EQ(E_POINTER, manager_->GetModuleLanguage(nullptr));
    EXPECT_EQ(E_POINTER, manager_->GetModuleVersion(nullptr));
    EXPECT_EQ(E_POINTER, manager_->GetModuleVersionText(nullptr));
    EXPECT_EQ(E_POINTER, manager_->SetLogSettings(1, 1, 1, "", nullptr));
    long value = 0;
    BSTR text;
    EXPECT_EQ(E_POINTER, manager_->GetLogSettings(&value, &value, nullptr, &text, &status_));
    EXPECT_EQ(E_POINTER, manager_->SetLogo("", 1, 1, nullptr));
    EXPECT_EQ(E_POINTER, manager_->GetAbortInfo(nullptr, &status_));
}

// ---------------------------------------------------------------------------
// Operations of later work

// ---------------------------------------------------------------------------
// Threads

TEST(ManagerThreadTest, ManagersOnDifferentThreadsKeepTheirOwnSettings) {
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &failures] {
            ComPtr<ITarvos> manager = NewManager();
            VARIANT_BOOL status;
            for (int i = 0; i < 200; ++i) {
                long level = (t + i) % 6;
                if (manager->SetLogSettings(level, i, i % 2, "", &status) != S_OK) ++failures[t];
                long got, size, archive;
                BSTR dir;
                manager->GetLogSettings(&got, &size, &archive, &dir, &status);
                if (got != level || size != i) ++failures[t];
                ComPtr<IGeneralInvoiceRequest> request;
                if (manager->GetGeneralInvoiceRequest(request.ReleaseAndGetAddressOf()) != S_OK) {
                    ++failures[t];
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(std::vector<int>(4, 0), failures);
}

}  // namespace
