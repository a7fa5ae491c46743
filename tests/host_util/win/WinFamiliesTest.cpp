#include "HandleResources.h"
#include "win/AboutBox.h"
#include "win/BitmapResources.h"
#include "win/DialogMessages.h"
#include "win/HostUtilIds.h"
#include "win/ModuleVersion.h"
#include "win/OwnMemory.h"
#include "win/ResourceHandles.h"
#include "win/VersionWarnings.h"
#include "Utilities.h"

#include "../FakeHandles.h"

#include <gtest/gtest.h>

#include "MessageRecorder.h"

#include <cstring>
#include <string>
#include <vector>

using namespace frostel::hostutil;
using namespace testsupport;
using namespace fakehandles;

namespace {


// Installs the recording message box for one test.
struct RecordMessages {
    RecordMessages() {
        gShown.clear();
        SetMessageBoxSink(RecordBox);
    }
    ~RecordMessages() { SetMessageBoxSink(nullptr); }
};

}  // namespace

TEST(OwnMemory, ZeroedGlobalBlocksByPointer) {
    GlobalBlock block(1000);
    ASSERT_TRUE(block);
    auto* p = static_cast<unsigned char*>(block.get());
    EXPECT_GE(GlobalBlockSize(p), 1000u);
    bool zero = true;
    for (int i = 0; i < 1000; ++i) zero = zero && p[i] == 0;
    EXPECT_TRUE(zero);
    EXPECT_EQ(GlobalBlockSize(nullptr), 0u);
    FreeGlobal(nullptr);

    void* empty = AllocGlobalZeroed(0);
    EXPECT_NE(empty, nullptr);
    FreeGlobal(empty);
}

TEST(OwnMemory, ResizeLocalHandleKeepsContents) {
    OwnLocalHandleRecord rec{};
    std::memcpy(rec.tag, kOwnLocalHandleTag, 4);
    rec.data = static_cast<pi::Ptr>(AllocGlobalZeroed(4));
    ASSERT_NE(rec.data, nullptr);
    std::memcpy(rec.data, "abcd", 4);
    auto h = reinterpret_cast<pi::Handle>(&rec);

    ASSERT_EQ(ResizeLocalHandle(h, 100000), pi::noErr);
    EXPECT_EQ(std::string(rec.data, 4), "abcd");
    EXPECT_GE(GlobalBlockSize(rec.data), 100000u);
    bool zero = true;
    for (int i = 4; i < 100000; ++i) zero = zero && rec.data[i] == 0;
    EXPECT_TRUE(zero) << "the added part is zeroed";

    ASSERT_EQ(ResizeLocalHandle(h, 2), pi::noErr);
    EXPECT_EQ(std::string(rec.data, 2), "ab");
    FreeGlobal(rec.data);

    OwnLocalHandleRecord foreign{};
    EXPECT_EQ(ResizeLocalHandle(reinterpret_cast<pi::Handle>(&foreign), 8), pi::nilHandleErr);
    EXPECT_EQ(ResizeLocalHandle(nullptr, 8), pi::nilHandleErr);
}

TEST(ResourceHandles, ResourcesAndStringsIntoHostHandles) {
    pi::HandleProcs procs = Procs();
    OwnedHandle data(LoadResourceToHandle(&procs, Self(), MAKEINTRESOURCEA(10), 300));  // RT_RCDATA
    ASSERT_NE(data.h, nullptr);
    EXPECT_EQ(data.Bytes(), "1234");

    OwnedHandle text(LoadStringToHandle(&procs, Self(), IDS_HOSTUTIL_RANGE));
    ASSERT_NE(text.h, nullptr);
    EXPECT_EQ(text.Bytes(), "Please enter a value between ^0 and ^1.");

    EXPECT_EQ(LoadResourceToHandle(&procs, Self(), MAKEINTRESOURCEA(10), 301), nullptr);
    EXPECT_EQ(LoadStringToHandle(&procs, Self(), 12345), nullptr);
    EXPECT_EQ(LoadResourceToHandle(nullptr, Self(), MAKEINTRESOURCEA(10), 300), nullptr);
    EXPECT_EQ(LoadStringText(Self(), 12345), "");
}

TEST(ModuleVersion, FromTheVersionResource) {
    uint16_t v[4] = {};
    ASSERT_TRUE(GetModuleFileVersion(Self(), v));
    EXPECT_EQ(v[0], 2);
    EXPECT_EQ(v[3], 5);
    EXPECT_EQ(ModuleVersionText(Self()), "2.3.4.5");
}

TEST(BitmapResources, ResourcePixelsAndFileIntoDibSection) {
    RgbaImage img;
    ASSERT_EQ(LoadBitmapResourcePixels(Self(), 200, img), BmpError::None);
    ASSERT_EQ(img.width, 3);
    ASSERT_EQ(img.height, 2);
    const uint8_t expected[24] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255,
                                  255, 255, 255, 255, 0, 0, 0, 255, 10, 20, 30, 255};
    EXPECT_EQ(std::vector<uint8_t>(expected, expected + 24), img.pixels);
    EXPECT_EQ(LoadBitmapResourcePixels(Self(), 201, img), BmpError::CannotOpen);

    char dir[MAX_PATH], path[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    GetTempFileNameA(dir, "hut", 0, path);
    ASSERT_EQ(WriteBmpFile(path, expected, 3, 2, 12), BmpError::None);
    BitmapHandle bmp;
    ASSERT_EQ(ReadBmpFileToDib(path, bmp), BmpError::None);
    DIBSECTION ds{};
    ASSERT_EQ(GetObjectA(bmp.get(), sizeof ds, &ds), int(sizeof ds));
    EXPECT_EQ(ds.dsBm.bmWidth, 3);
    EXPECT_EQ(ds.dsBm.bmHeight, 2);
    EXPECT_EQ(ds.dsBmih.biBitCount, 24);
    auto* bits = static_cast<const uint8_t*>(ds.dsBm.bmBits);
    // Bottom-up: the first stored row is the lower one (white, black, 10/20/30) as BGR.
    const uint8_t lower[9] = {255, 255, 255, 0, 0, 0, 30, 20, 10};
    EXPECT_EQ(0, std::memcmp(bits, lower, 9));
    DeleteFileA(path);

    EXPECT_EQ(ReadBmpFileToDib("Z:\\no\\such\\file.bmp", bmp), BmpError::CannotOpen);
    EXPECT_TRUE(bmp) << "a failed read leaves the old bitmap";
}

TEST(Messages, CaretArgumentsAndIcons) {
    RecordMessages rec;
    ShowStringMessage(nullptr, Self(), IDS_HOSTUTIL_RANGE, MessageKind::Error, "1", "9");
    ASSERT_EQ(gShown.size(), 1u);
    EXPECT_EQ(gShown[0].text, "Please enter a value between 1 and 9.");
    EXPECT_EQ(gShown[0].flags & MB_ICONMASK, UINT(MB_ICONSTOP));
}

namespace {
pi::OSErr AnyColor(pi::ColorServicesInfo*) { return pi::noErr; }
}  // namespace

TEST(VersionWarnings, TooOldOrNewerWithTheVersion) {
    RecordMessages rec;
    pi::FilterRecord fr{};
    EXPECT_FALSE(WarnIfServiceMissing(nullptr, Self(), &fr, HostService::ColorServices));
    ASSERT_EQ(gShown.size(), 1u);
    EXPECT_EQ(gShown[0].text,
              "This host application is too old for this filter.\n\n"
              "This filter needs version 3.0 of the plug-in interface.");

    pi::HandleProcs procs = Procs();
    procs.handleProcsVersion = 2;
    fr.handleProcs = &procs;
    EXPECT_FALSE(WarnIfServiceMissing(nullptr, Self(), &fr, HostService::HandleProcs));
    ASSERT_EQ(gShown.size(), 2u);
    EXPECT_NE(gShown[1].text.find("offers a newer plug-in interface"), std::string::npos);
    EXPECT_NE(gShown[1].text.find("version 2.5 "), std::string::npos);

    fr.colorServices = AnyColor;
    EXPECT_TRUE(WarnIfServiceMissing(nullptr, Self(), &fr, HostService::ColorServices));
    EXPECT_EQ(gShown.size(), 2u);
}

namespace {

std::string gOpened;
bool RecordOpen(const char* address) {
    gOpened = address;
    return true;
}

std::string gAboutText;
BOOL CALLBACK FindAbout(HWND w, LPARAM out) {
    if (GetDlgItem(w, IDC_ABOUT_LINK1)) {
        *reinterpret_cast<HWND*>(out) = w;
        return FALSE;
    }
    return TRUE;
}

// Runs inside the About box's modal loop: reads it, clicks a link, then
// clicks the box itself.
void CALLBACK DriveAbout(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND about = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindAbout, reinterpret_cast<LPARAM>(&about));
    if (!about) return;
    char buf[512] = {};
    GetDlgItemTextA(about, IDC_ABOUT_TEXT, buf, sizeof buf);
    gAboutText = buf;
    SendMessageA(about, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_LINK2, STN_CLICKED),
                 LPARAM(GetDlgItem(about, IDC_ABOUT_LINK2)));
    SendMessageA(about, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
}

}  // namespace

TEST(AboutBox, ShowsTheVersionOpensLinksAndClosesOnAClick) {
    SetWebAddressOpener(RecordOpen);
    SetTimer(nullptr, 0, 50, DriveAbout);
    ShowAboutBox(nullptr, Self());
    SetWebAddressOpener(nullptr);
    EXPECT_NE(gAboutText.find("Version 2.3.4.5"), std::string::npos) << gAboutText;
    EXPECT_EQ(gOpened, "https://www.frostel.example/support");
}
