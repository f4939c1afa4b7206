#include "module/objects/manager_object.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "bridge/module_interfaces.h"
#include "tests/engine/com_reads.h"
#include "tests/engine/file_text.h"
#include "tests/engine/request_sample_invoice.h"
#include "tests/engine/temp_folder.h"

namespace {

using com_reads::Read;
using request_test::NewManager;
using M = ITarvos;

// A 1 x 1 pixel PNG, transparent.
const std::string kTinyPng(
    "\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0\x1F\x15\xC4\x89\0\0\0\x0A"
    "IDATx\x9C\x63\0\x01\0\0\x05\0\x01\x0D\x0A\x2D\xB4\0\0\0\0IEND\xAE\x42\x60\x82",
    67);

// A 1 x 1 pixel, 24-bit BMP with the given compression field: file size,
// pixel offset, info header size, width, height, planes and bits per pixel,
// compression, image size; the pixel blue.
std::string TinyBmp(char compression) {
    std::string bytes("BM\x3A\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x01\0\0\0\x01\0\0\0\x01\0\x18\0",
                      30);
    bytes += std::string(1, compression) + std::string(3, '\0') + std::string("\x04\0\0\0", 4);
    bytes += std::string(20, '\0');
    bytes[56] = '\xFF';
    return bytes;
}

class ManagerTest : public ::testing::Test {
  protected:
    std::string AbortText() { return Read(manager_.Get(), &M::GetAbortInfo); }

    ComPtr<M> manager_ = NewManager();
    VARIANT_BOOL status_ = VARIANT_FALSE;
};

// ---------------------------------------------------------------------------
// Settings: the defaults, each end of a range taken, one past it refused with
// the parameter's name. After every step all settings are read at once, so a
// refusal that changes anything or a setter that touches another setting
// shows. A new manager has its own settings.

HRESULT Log(M* m, long level, long size, long archive, const std::string& dir,
            VARIANT_BOOL* status) {
    return m->SetLogSettings(level, size, archive, dir, status);
}

TEST_F(ManagerTest, SettingsKeepTheirRangesRefusalsChangeNothingAndNullsAreRefused) {
    M* m = manager_.Get();
    auto settings = [](M* of) {
        return Read(of, &M::GetModus) + " " + Read(of, &M::GetModuleLanguage) + " " +
               Read(of, &M::GetLogSettings);
    };
    const std::string defaults = "ok|1 ok|1 ok|1|4000|1||T";
    std::string expected = defaults;
    EXPECT_EQ(expected, settings(m));
    const std::string d(1024, 'd');
    const struct {
        std::function<HRESULT(VARIANT_BOOL*)> call;
        const char* refusal;     // "": taken
        std::string after = "";  // the settings after a taken call
    } steps[] = {
        {[m](auto*) { return m->PutModus(2); }, "", "ok|2 ok|1 ok|1|4000|1||T"},
        {[m](auto*) { return m->PutModus(3); }, "PutModus: eModusType 3"},
        {[m](auto*) { return m->PutModuleLanguage(3); }, "", "ok|2 ok|3 ok|1|4000|1||T"},
        {[m](auto*) { return m->PutModuleLanguage(4); }, "PutModuleLanguage: eLanguage 4"},
        {[m](auto* s) { return Log(m, 2, 100, 0, "/var/log/old", s); }, "",
         "ok|2 ok|3 ok|2|100|0|/var/log/old|T"},
        {[&](auto* s) { return Log(m, 5, 1048576, 1, d, s); }, "",
         "ok|2 ok|3 ok|5|1048576|1|" + d + "|T"},
        {[m](auto* s) { return Log(m, 0, 0, 0, "", s); }, "", "ok|2 ok|3 ok|0|0|0||T"},
        {[m](auto* s) { return Log(m, 1, -1, 1, "d", s); }, "SetLogSettings: lMaxSizeKB"},
        {[m](auto* s) { return Log(m, 1, 1048577, 1, "d", s); }, "SetLogSettings: lMaxSizeKB"},
        {[m](auto* s) { return Log(m, 1, 1, 2, "d", s); }, "SetLogSettings: eDoArchive"},
        {[m](auto* s) { return Log(m, 1, 1, 1, "a\x01", s); }, "SetLogSettings: bstrArchiveDir"},
        {[&](auto* s) { return Log(m, 1, 1, 1, d + "d", s); }, "SetLogSettings: bstrArchiveDir"},
    };
    for (const auto& s : steps) {
        const std::string refusal = s.refusal;
        EXPECT_EQ(refusal.empty() ? S_OK : E_INVALIDARG, s.call(&status_)) << s.after << refusal;
        if (refusal.empty()) expected = s.after;
        EXPECT_EQ(expected, settings(m)) << refusal;
        const std::string abort = AbortText();
        EXPECT_TRUE(refusal.empty() || (abort.find("ok|" + refusal) == 0 && abort.back() == 'T'))
            << abort;
    }
    EXPECT_NE(std::string::npos, Read(m, &M::GetModuleVersionText).find("4.50.001"));
    // A new manager is one of its own, with the defaults.
    ComPtr<M> other = NewManager();
    EXPECT_NE(m, other.Get());
    EXPECT_EQ(defaults, settings(other.Get()));
    // A null out-pointer is refused.
    VARIANT_BOOL status = VARIANT_TRUE;
    EXPECT_EQ(E_POINTER, m->GetAbortInfo(nullptr, &status));
}

// ---------------------------------------------------------------------------
// Logo: PNG and uncompressed BMP (also with bit fields) at 1 to 200 mm.

TEST_F(ManagerTest, LogoFilesAndSizes) {
    const struct {
        const char* file;  // in the test's folder; "": no logo
        std::string bytes;
        long width, height;
        const char* refusal;  // "": taken
        std::string after;    // the logo's file, width and height afterwards
    } steps[] = {
        {"logo.png", kTinyPng, 40, 20, "", "logo.png|40|20"},
        {"logo.bmp", TinyBmp(0), 200, 1, "", "logo.bmp|200|1"},
        {"fields.bmp", TinyBmp(3), 1, 200, "", "fields.bmp|1|200"},
        {"missing.png", "", 40, 20, "cannot be opened", "fields.bmp|1|200"},
        {"rle.bmp", TinyBmp(1), 40, 20, "compressed BMP", "fields.bmp|1|200"},
        {"logo.txt", "hello", 40, 20, "neither a PNG nor a BMP", "fields.bmp|1|200"},
        {"short.bmp", std::string("BM\0\0", 4), 40, 20, "SetLogo: bstrBMPLogoFile",
         "fields.bmp|1|200"},
        {"logo.png", kTinyPng, 0, 20, "SetLogo: lMMWidth 0 mm", "fields.bmp|1|200"},
        {"logo.png", kTinyPng, 40, 201, "SetLogo: lMMHeigth 201 mm", "fields.bmp|1|200"},
        {"", "", 0, 0, "", "|0|0"},
    };
    TempFolder folder;
    EXPECT_EQ(E_INVALIDARG, manager_->SetLogo(folder.Path(), 40, 20, &status_));  // a folder
    for (const auto& s : steps) {
        std::string path = *s.file ? folder.Path() + s.file : "";
        if (!s.bytes.empty()) WriteFileText(path, s.bytes);
        HRESULT hr = manager_->SetLogo(path, s.width, s.height, &status_);
        EXPECT_EQ(*s.refusal ? E_INVALIDARG : S_OK, hr) << s.after << " " << AbortText();
        EXPECT_NE(std::string::npos, AbortText().find(s.refusal)) << s.after;
        LogoSettings logo = dynamic_cast<CTarvos*>(manager_.Get())->Settings().logo;
        std::string file = logo.file.empty() ? "" : logo.file.substr(folder.Path().size());
        EXPECT_EQ(s.after, file + "|" + std::to_string(logo.width_mm) + "|" +
                               std::to_string(logo.height_mm));
    }
}

}  // namespace
