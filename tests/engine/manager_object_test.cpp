#include "module/objects/manager_object.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "bridge/module_factory.h"
#include "bridge/module_interfaces.h"
#include "tests/engine/com_reads.h"
#include "tests/engine/temp_folder.h"

namespace {

using com_reads::Read;

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

TEST(ManagerFactoryTest, EachCallMakesANewManagerOfItsOwn) {
    void* raw = nullptr;
    ASSERT_EQ(S_OK,
              CoCreateInstance(CLSID_Tarvos, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &raw));
    ComPtr<IUnknown> unknown;
    unknown.Attach(static_cast<IUnknown*>(raw));
    ComPtr<ITarvos> first;
    ASSERT_EQ(S_OK, unknown.As(&first));
    ComPtr<ITarvos> second = NewManager();
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.Get(), second.Get());
    ASSERT_EQ(S_OK, first->PutModus(2));
    EXPECT_EQ("ok|1", Read(second.Get(), &ITarvos::GetModus));
}

TEST(ManagerFactoryTest, RejectsWrongClassAggregationNullAndUnknownInterface) {
    const CLSID otherClass = {0x12345678, 0x1, 0x2, {1, 2, 3, 4, 5, 6, 7, 8}};
    ComPtr<ITarvos> outer = NewManager();
    const struct {
        CLSID clsid;
        IUnknown* outer;
        IID iid;
        HRESULT hr;
    } cases[] = {
        {otherClass, nullptr, InterfaceId<ITarvos>(), REGDB_E_CLASSNOTREG},
        {CLSID_Tarvos, outer.Get(), InterfaceId<ITarvos>(), CLASS_E_NOAGGREGATION},
        {CLSID_Tarvos, nullptr, InterfaceId<IAddress>(), E_NOINTERFACE},
    };
    for (const auto& c : cases) {
        void* raw = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(c.hr, CoCreateInstance(c.clsid, c.outer, CLSCTX_ALL, c.iid, &raw));
        EXPECT_EQ(nullptr, raw);
    }
    EXPECT_EQ(E_POINTER,
              CoCreateInstance(CLSID_Tarvos, nullptr, CLSCTX_ALL, InterfaceId<ITarvos>(), nullptr));
}

// ---------------------------------------------------------------------------
// Settings: the defaults, each end of a range taken, one past it refused with
// the parameter's name and the value before kept.

std::string Modus(ITarvos* m) {
    return Read(m, &ITarvos::GetModus);
}
std::string Language(ITarvos* m) {
    return Read(m, &ITarvos::GetModuleLanguage);
}
std::string Log(ITarvos* m) {
    return Read(m, &ITarvos::GetLogSettings);
}

struct SettingStep {
    std::function<HRESULT(ITarvos*, VARIANT_BOOL*)> call;  // null: the default
    const char* refusal;                                   // "": taken
    std::string (*read)(ITarvos*);
    std::string after;
};

HRESULT Log(ITarvos* m, long level, long size, long archive, const std::string& dir,
            VARIANT_BOOL* status) {
    return m->SetLogSettings(level, size, archive, dir, status);
}

const std::string kLongDir(1024, 'd');

const SettingStep kSettingSteps[] = {
    {nullptr, "", Modus, "ok|1"},
    {[](ITarvos* m, auto*) { return m->PutModus(2); }, "", Modus, "ok|2"},
    {[](ITarvos* m, auto*) { return m->PutModus(0); }, "PutModus: eModusType 0", Modus, "ok|2"},
    {[](ITarvos* m, auto*) { return m->PutModus(3); }, "PutModus: eModusType 3", Modus, "ok|2"},
    {[](ITarvos* m, auto*) { return m->PutModus(1L << 40); }, "PutModus", Modus, "ok|2"},
    {nullptr, "", Language, "ok|1"},
    {[](ITarvos* m, auto*) { return m->PutModuleLanguage(3); }, "", Language, "ok|3"},
    {[](ITarvos* m, auto*) { return m->PutModuleLanguage(2); }, "", Language, "ok|2"},
    {[](ITarvos* m, auto*) { return m->PutModuleLanguage(4); }, "PutModuleLanguage: eLanguage 4",
     Language, "ok|2"},
    {[](ITarvos* m, auto*) { return m->PutModuleLanguage(0); }, "PutModuleLanguage: eLanguage 0",
     Language, "ok|2"},
    {nullptr, "", Log, "ok|1|4000|1||T"},
    {[](ITarvos* m, auto* s) { return Log(m, 2, 100, 0, "/var/log/old", s); }, "", Log,
     "ok|2|100|0|/var/log/old|T"},
    {[](ITarvos* m, auto* s) { return Log(m, 5, 1048576, 1, kLongDir, s); }, "", Log,
     "ok|5|1048576|1|" + kLongDir + "|T"},
    {[](ITarvos* m, auto* s) { return Log(m, 0, 0, 0, "", s); }, "", Log, "ok|0|0|0||T"},
    {[](ITarvos* m, auto* s) { return Log(m, 6, 1, 1, "d", s); }, "SetLogSettings: lLogLevel", Log,
     "ok|0|0|0||T"},
    {[](ITarvos* m, auto* s) { return Log(m, -1, 1, 1, "d", s); }, "SetLogSettings: lLogLevel", Log,
     "ok|0|0|0||T"},
    {[](ITarvos* m, auto* s) { return Log(m, 1, -1, 1, "d", s); }, "SetLogSettings: lMaxSizeKB",
     Log, "ok|0|0|0||T"},
    {[](ITarvos* m, auto* s) { return Log(m, 1, 1048577, 1, "d", s); },
     "SetLogSettings: lMaxSizeKB", Log, "ok|0|0|0||T"},
    {[](ITarvos* m, auto* s) { return Log(m, 1, 1, 2, "d", s); }, "SetLogSettings: eDoArchive", Log,
     "ok|0|0|0||T"},
    {[](ITarvos* m, auto* s) { return Log(m, 1, 1, -1, "d", s); }, "SetLogSettings: eDoArchive",
     Log, "ok|0|0|0||T"},
    {[](ITarvos* m, auto* s) { return Log(m, 1, 1, 1, "a\x01", s); },
     "SetLogSettings: bstrArchiveDir", Log, "ok|0|0|0||T"},
    {[](ITarvos* m, auto* s) { return Log(m, 1, 1, 1, kLongDir + "d", s); },
     "SetLogSettings: bstrArchiveDir", Log, "ok|0|0|0||T"},
};

TEST_F(ManagerTest, SettingsKeepTheirRangesAndRefusalsChangeNothing) {
    EXPECT_EQ("ok||F", Read(manager_.Get(), &ITarvos::GetAbortInfo));  // nothing failed yet
    int step = 0;
    for (const SettingStep& s : kSettingSteps) {
        ++step;
        if (s.call) {
            std::string refusal = s.refusal;
            EXPECT_EQ(refusal.empty() ? S_OK : E_INVALIDARG, s.call(manager_.Get(), &status_))
                << step;
            std::string abort = Read(manager_.Get(), &ITarvos::GetAbortInfo);
            if (!refusal.empty()) {
                EXPECT_EQ(0u, abort.find("ok|" + refusal)) << step << abort;
                EXPECT_EQ('T', abort.back()) << step;
            }
        }
        EXPECT_EQ(s.after, s.read(manager_.Get())) << step;
    }
}

TEST_F(ManagerTest, VersionAndVersionText) {
    EXPECT_EQ("ok|4.50.001", Read(manager_.Get(), &ITarvos::GetModuleVersion));
    EXPECT_NE(std::string::npos,
              Read(manager_.Get(), &ITarvos::GetModuleVersionText).find("4.50.001"));
}

// ---------------------------------------------------------------------------
// Logo: PNG and uncompressed BMP (also with bit fields) at 1 to 200 mm.

struct LogoStep {
    const char* file;  // in the test's folder; "": no logo
    std::vector<uint8_t> bytes;
    long width, height;
    const char* refusal;  // "": taken
    std::string after;    // the logo's file, width and height afterwards
};

const LogoStep kLogoSteps[] = {
    {"logo.png", kTinyPng, 40, 20, "", "logo.png|40|20"},
    {"logo.bmp", TinyBmp(0), 200, 1, "", "logo.bmp|200|1"},
    {"fields.bmp", TinyBmp(3), 1, 200, "", "fields.bmp|1|200"},
    {"missing.png", {}, 40, 20, "cannot be opened", "fields.bmp|1|200"},
    {"rle.bmp", TinyBmp(1), 40, 20, "compressed BMP", "fields.bmp|1|200"},
    {"logo.txt", {'h', 'e', 'l', 'l', 'o'}, 40, 20, "neither a PNG nor a BMP", "fields.bmp|1|200"},
    {"short.bmp", {'B', 'M', 0, 0}, 40, 20, "SetLogo: bstrBMPLogoFile", "fields.bmp|1|200"},
    {"logo.png", kTinyPng, 0, 20, "SetLogo: lMMWidth 0 mm", "fields.bmp|1|200"},
    {"logo.png", kTinyPng, 40, 201, "SetLogo: lMMHeigth 201 mm", "fields.bmp|1|200"},
    {"logo.png", kTinyPng, -3, 20, "SetLogo: lMMWidth -3 mm", "fields.bmp|1|200"},
    {"", {}, 0, 0, "", "|0|0"},
};

TEST_F(ManagerTest, LogoFilesAndSizes) {
    TempFolder folder;
    EXPECT_EQ(E_INVALIDARG, manager_->SetLogo(folder.Path(), 40, 20, &status_));  // a folder
    int step = 0;
    for (const LogoStep& s : kLogoSteps) {
        ++step;
        std::string path = *s.file ? folder.Path() + s.file : "";
        if (!s.bytes.empty()) WriteBytes(path, s.bytes);
        HRESULT hr = manager_->SetLogo(path, s.width, s.height, &status_);
        EXPECT_EQ(*s.refusal ? E_INVALIDARG : S_OK, hr) << step << " " << AbortText(manager_.Get());
        EXPECT_NE(std::string::npos, AbortText(manager_.Get()).find(s.refusal)) << step;
        LogoSettings logo = dynamic_cast<CTarvos*>(manager_.Get())->Settings().logo;
        std::string file = logo.file.empty() ? "" : logo.file.substr(folder.Path().size());
        EXPECT_EQ(s.after,
                  file + "|" + std::to_string(logo.width_mm) + "|" + std::to_string(logo.height_mm))
            << step;
    }
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
