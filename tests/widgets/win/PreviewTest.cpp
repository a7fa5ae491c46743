// The preview container: its bitmap from the host's buffer, clicks, drags,
// the centre set with the right button, and the navigator's frame.
#include <gtest/gtest.h>

#include <vector>

#include "PageMemory.h"
#include "RigSupport.h"

using namespace frostel::widgets;
using namespace rig;

namespace {
constexpr int kPreview = 401;

struct Recorder {
    std::vector<std::pair<float, float>> moved, rotor, stored;
    int rerenders = 0;
};
Recorder gRec;

std::vector<uint8_t> Rgb8(int w, int h, uint8_t r, uint8_t g, uint8_t b, int rowBytes);

struct PreviewFixture : ::testing::Test {
    void SetUp() override {
        gRec = Recorder{};
        PreviewDialogCalls calls;
        calls.documentSize = [](float* w, float* h) {
            *w = 400.0f;
            *h = 300.0f;
            return true;
        };
        calls.centreMoved = [](int, float x, float y) { gRec.moved.push_back({x, y}); };
        calls.setCentreRotor = [](float x, float y) { gRec.rotor.push_back({x, y}); };
        calls.storeCentre = [](float x, float y) { gRec.stored.push_back({x, y}); };
        calls.rerenderPreview = [] { ++gRec.rerenders; };
        SetPreviewDialogCalls(calls);
        w = Child(kPreviewClass, kPreview, 0, 0, 400, 300);
        p = static_cast<TPreviewContaner*>(FindControlObject(w, kPreviewClass));
        ASSERT_NE(p, nullptr);
        ClearCommands();
    }
    void TearDown() override {
        DestroyWindow(w);
        SetPreviewDialogCalls(PreviewDialogCalls{});
    }
    // A navigator (120 x 90) over the main preview, whose bitmap is 100 x 80.
    TPreviewContaner* Navigator(int id, float navigatorScale, float previewScale, HWND& n) {
        auto px = Rgb8(100, 80, 90, 160, 220, 300);
        PreviewSource src;
        src.data = px.data();
        src.rowBytes = 300;
        src.planes = 3;
        src.width = 100;
        src.height = 80;
        BuildPreviewBitmap(p, src);
        n = Child(kPreviewClass, id, 420, 100, 120, 90);
        auto* nav = static_cast<TPreviewContaner*>(FindControlObject(n, kPreviewClass));
        nav->mode = 0;
        nav->mainPreview = p;
        nav->navigatorScale = navigatorScale;
        nav->previewScale = previewScale;
        return nav;
    }
    void AddMarker() {
        p->markers.resize(1);
        p->markers[0].visible = true;
        Snap(w);  // screen points are set by painting
    }
    HWND w = nullptr;
    TPreviewContaner* p = nullptr;
};

std::vector<uint8_t> Rgb8(int w, int h, uint8_t r, uint8_t g, uint8_t b, int rowBytes) {
    std::vector<uint8_t> px(size_t(rowBytes) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* q = &px[size_t(y) * rowBytes + x * 3];
            q[0] = r;
            q[1] = g;
            q[2] = b;
        }
    return px;
}
}  // namespace

TEST_F(PreviewFixture, BitmapFromTheOutputBufferIsCentredAndFreed) {
    const int64_t liveBefore = frostel::GetPageMemoryStats().live;
    auto px = Rgb8(201, 100, 200, 40, 10, 640);
    PreviewSource src;
    src.data = px.data();
    src.rowBytes = 640;
    src.planes = 3;
    src.width = 201;
    src.height = 100;
    BuildPreviewBitmap(p, src);
    ASSERT_NE(p->bitmap, nullptr);
    EXPECT_EQ(p->bitmapW, 200);
    EXPECT_EQ(p->bitmapH, 100);
    EXPECT_EQ(p->offsetX, 99);
    EXPECT_EQ(p->offsetY, 100);
    Snapshot s = Snap(w);
    EXPECT_EQ(s.At(150, 150), RGB(200, 40, 10));
    EXPECT_EQ(s.At(50, 50), RGB(0, 0, 0)) << "black around the image";

    HBITMAP first = p->bitmap;
    BuildPreviewBitmap(p, src);
    EXPECT_FALSE(Alive(first)) << "the old bitmap is deleted when replaced";
    HBITMAP second = p->bitmap;

    PreviewSource none;
    BuildPreviewBitmap(p, none);
    EXPECT_EQ(p->bitmap, second) << "no output buffer: the bitmap stays";

    DestroyWindow(w);
    w = nullptr;
    EXPECT_FALSE(Alive(second));
    EXPECT_EQ(frostel::GetPageMemoryStats().live, liveBefore) << "pixels released with the window";
}

TEST_F(PreviewFixture, SixteenBitBufferIsSteppedByItsRowBytes) {
    // 8 x 2 pixels of 16-bit RGB, rows padded: a stride counted in 16-bit
    // units would read twice as far.
    const int rowBytes = 8 * 6 + 16;
    std::vector<uint8_t> px(size_t(rowBytes) * 2, 0);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 8; ++x) {
            uint16_t v[3] = {uint16_t(y ? 0x4000 : 0x8000), 0, 0};
            memcpy(&px[size_t(y) * rowBytes + x * 6], v, 6);
        }
    PreviewSource src;
    src.data = px.data();
    src.rowBytes = rowBytes;
    src.planes = 3;
    src.depth = 16;
    src.width = 8;
    src.height = 2;
    BuildPreviewBitmap(p, src);
    Snapshot s = Snap(w);
    EXPECT_EQ(s.At(p->offsetX + 1, p->offsetY), RGB(255, 0, 0));
    EXPECT_EQ(s.At(p->offsetX + 1, p->offsetY + 1), RGB(128, 0, 0));
}

TEST_F(PreviewFixture, ClickSendsCode9After200msAndDoubleClickCode2Only) {
    Click(w, 100, 100);
    const DWORD released = GetTickCount();
    ASSERT_TRUE(PumpUntil([] { return CountCommands(kPreview) > 0; }, 1000));
    EXPECT_EQ(CountCommands(kPreview, kNotifyPreviewMoved), 1);
    EXPECT_GE(int(FirstCommand(kPreview)->tick - released), 150);

    ClearCommands();
    RealDoubleClick(w, 100, 100);
    Pump(400);
    EXPECT_EQ(CountCommands(kPreview, kNotifyPreviewDoubleClick), 1);
    EXPECT_EQ(CountCommands(kPreview, kNotifyPreviewMoved), 0);
}

TEST_F(PreviewFixture, DragMovesTheViewAndCtrlDragStaysQuiet) {
    p->viewX = 50;
    p->viewY = 40;
    Press(w, 100, 100);
    Move(w, 110, 105, MK_LBUTTON);
    Move(w, 130, 120, MK_LBUTTON);
    EXPECT_EQ(p->dragOffset.x, 30);
    Release(w, 130, 120);
    Pump(300);
    EXPECT_EQ(p->viewX, 20);
    EXPECT_EQ(p->viewY, 20);
    EXPECT_EQ(CountCommands(kPreview, kNotifyPreviewMoved), 1);

    ClearCommands();
    UpdateWindow(w);
    Press(w, 100, 100, MK_LBUTTON | MK_CONTROL);
    Move(w, 120, 100, MK_LBUTTON | MK_CONTROL);
    RECT dirty;
    EXPECT_FALSE(GetUpdateRect(w, &dirty, FALSE)) << "no redraw while a quiet drag moves";
    Release(w, 120, 100);
    Pump(300);
    EXPECT_EQ(CountCommands(kPreview), 0) << "and no notification";
    EXPECT_EQ(p->viewX, 0);
}

TEST_F(PreviewFixture, RightClickWithoutMovementPlacesTheCentreWhereItWasPressed) {
    p->centreMode = 1;
    SendMessageA(w, WM_RBUTTONDOWN, MK_RBUTTON, Pt(300, 75));
    SendMessageA(w, WM_RBUTTONUP, 0, Pt(300, 75));
    ASSERT_EQ(gRec.stored.size(), 1u);
    EXPECT_FLOAT_EQ(gRec.stored[0].first, 50.0f);
    EXPECT_FLOAT_EQ(gRec.stored[0].second, 50.0f);
    ASSERT_EQ(gRec.rotor.size(), 1u);
    EXPECT_EQ(gRec.rerenders, 1);

    // A second click elsewhere stores its own point, not the first one.
    SendMessageA(w, WM_RBUTTONDOWN, MK_RBUTTON, Pt(0, 0));
    SendMessageA(w, WM_RBUTTONUP, 0, Pt(0, 0));
    ASSERT_EQ(gRec.stored.size(), 2u);
    EXPECT_FLOAT_EQ(gRec.stored[1].first, -100.0f);
    EXPECT_FLOAT_EQ(gRec.stored[1].second, 100.0f);

    // A release whose press this container never saw stores nothing.
    SendMessageA(w, WM_RBUTTONUP, 0, Pt(10, 10));
    EXPECT_EQ(gRec.stored.size(), 2u);
}

// While the right button places the centre the preview shows the dialog's
// own cursor (resource 201); the release gives back the four-way arrow.
TEST_F(PreviewFixture, RightButtonShowsThePlaceCursorWhilePlacing) {
    const WidgetCursors saved = gCursors;
    gCursors.place = LoadCursorA(nullptr, IDC_CROSS);  // any cursor but the class's
    gCursors.sizeAll = LoadCursorA(nullptr, IDC_SIZEALL);
    p->centreMode = 1;
    SetCursor(gCursors.sizeAll);
    SendMessageA(w, WM_RBUTTONDOWN, MK_RBUTTON, Pt(100, 75));
    EXPECT_EQ(GetCursor(), gCursors.place);
    SendMessageA(w, WM_MOUSEMOVE, MK_RBUTTON, Pt(120, 75));
    EXPECT_EQ(GetCursor(), gCursors.place);
    SendMessageA(w, WM_RBUTTONUP, 0, Pt(120, 75));
    EXPECT_EQ(GetCursor(), gCursors.sizeAll);
    gCursors = saved;
}

TEST_F(PreviewFixture, RightDragMovesTheMarkerAndTheLinkedFields) {
    AddMarker();
    HWND spinX = Child(kSpinEditClass, 402, 420, 0, 120, 46);
    auto* sx = static_cast<TSpinEdit*>(FindControlObject(spinX, kSpinEditClass));
    SetSpinEditRange(sx, -100, 100);
    sx->outerLower = -100;
    sx->outerUpper = 100;
    p->linkedX = sx;
    SendMessageA(w, WM_RBUTTONDOWN, MK_RBUTTON, Pt(200, 150));
    EXPECT_TRUE(p->markers[0].grabbed);
    SendMessageA(w, WM_MOUSEMOVE, MK_RBUTTON, Pt(100, 150));
    EXPECT_FLOAT_EQ(p->markers[0].x, -50.0f);
    EXPECT_FLOAT_EQ(sx->value, -50.0f);
    ASSERT_FALSE(gRec.moved.empty());
    EXPECT_FLOAT_EQ(gRec.moved.back().first, -50.0f);
    SendMessageA(w, WM_RBUTTONUP, 0, Pt(100, 150));
    EXPECT_FALSE(p->markers[0].grabbed);
    ASSERT_EQ(gRec.stored.size(), 1u);
    EXPECT_FLOAT_EQ(gRec.stored[0].first, -50.0f);
    EXPECT_EQ(gRec.rerenders, 1);
    DestroyWindow(spinX);
}

TEST_F(PreviewFixture, LeftDragOfTheMarkerStoresItsCentre) {
    AddMarker();
    Snap(w);
    ASSERT_NEAR(p->markers[0].screenX, 200.0f, 0.01) << "marker at 0 % sits in the middle";
    Press(w, 205, 148);
    EXPECT_TRUE(p->markers[0].grabbed);
    Move(w, 300, 150, MK_LBUTTON);
    EXPECT_FLOAT_EQ(p->markers[0].x, 50.0f);
    EXPECT_EQ(p->dragOffset.x, 0) << "the image does not move with the marker";
    Release(w, 300, 150);
    Pump(300);
    ASSERT_EQ(gRec.stored.size(), 1u);
    EXPECT_FLOAT_EQ(gRec.stored[0].first, 50.0f);
    EXPECT_EQ(p->viewX, 0);
}

TEST_F(PreviewFixture, WithoutADocumentNothingIsPlaced) {
    PreviewDialogCalls calls = GetPreviewDialogCalls();
    calls.documentSize = [](float* w, float* h) {
        *w = 0.0f;
        *h = 0.0f;
        return true;
    };
    SetPreviewDialogCalls(calls);
    p->centreMode = 1;
    SendMessageA(w, WM_RBUTTONDOWN, MK_RBUTTON, Pt(30, 30));
    SendMessageA(w, WM_RBUTTONUP, 0, Pt(30, 30));
    EXPECT_TRUE(gRec.stored.empty());
    EXPECT_EQ(gRec.rerenders, 0);
    SetPreviewDialogCalls(PreviewDialogCalls{});
    SendMessageA(w, WM_RBUTTONDOWN, MK_RBUTTON, Pt(30, 30));  // empty table: nothing to call
    SendMessageA(w, WM_RBUTTONUP, 0, Pt(30, 30));
    EXPECT_TRUE(gRec.stored.empty());
}

TEST_F(PreviewFixture, NavigatorFrameFollowsTheDrag) {
    HWND n;
    TPreviewContaner* nav = Navigator(403, 0.25f, 2.0f, n);
    Snapshot before = Snap(n);
    EXPECT_EQ(nav->frameW, 51);
    EXPECT_EQ(nav->frameH, 41);
    Press(n, 10, 10);
    Move(n, 30, 25, MK_LBUTTON);
    EXPECT_EQ(nav->frameX, 20);
    EXPECT_EQ(nav->frameY, 15);
    Snapshot after = Snap(n);
    EXPECT_NE(before.At(20, 15), after.At(20, 15)) << "the frame's corner is drawn where it moved";
    Release(n, 30, 25);
    Pump(300);
    EXPECT_EQ(CountCommands(403, kNotifyPreviewMoved), 1);
    DestroyWindow(n);
}

// The navigator centres its image; the frame's position counts in the
// image's pixels, so at the view's origin the frame sits on the image's
// top-left corner, not on the navigator's (the main dialog's marker is
// view x navigator scale x preview scale).
TEST_F(PreviewFixture, NavigatorFrameIsDrawnOverTheImageItFrames) {
    HWND n;
    TPreviewContaner* nav = Navigator(404, 0.5f, 1.0f, n);
    const int iw = 120, ih = 60;  // a wide image: centred 15 pixels down
    std::vector<uint8_t> grey(size_t(iw) * 3 * ih, 100);
    ASSERT_TRUE(SetPreviewPixels(nav, grey.data(), iw, ih));
    ASSERT_EQ(nav->offsetX, 0);
    ASSERT_EQ(nav->offsetY, 15);
    nav->frameX = nav->frameY = 0;
    InvalidateRect(n, nullptr, FALSE);
    const Snapshot shot = Snap(n);
    ASSERT_GT(nav->frameW, 2);
    const COLORREF inverted = RGB(155, 155, 155), image = RGB(100, 100, 100);
    EXPECT_EQ(shot.At(0, 15), inverted) << "the frame's top-left corner is on the image's";
    EXPECT_EQ(shot.At(nav->frameW / 2, 15), inverted) << "its top edge runs along the image's top row";
    EXPECT_EQ(shot.At(nav->frameW / 2, 16), image);
    EXPECT_NE(shot.At(nav->frameW / 2, 0), inverted) << "nothing is drawn above the image";
    EXPECT_EQ(shot.At(0, 15 + nav->frameH - 1), inverted) << "the bottom-left corner";
    DestroyWindow(n);
}

// When the preview shows the whole image, the frame (a pixel or two larger
// by its rounding) is drawn on the image's last column and row, and nothing
// past them on the navigator's background.
TEST_F(PreviewFixture, NavigatorFrameOfTheWholeImageEndsOnItsEdges) {
    HWND n;
    TPreviewContaner* nav = Navigator(405, 0.5f, 1.0f, n);
    const int iw = 48, ih = 40;  // the main preview's 100 x 80 at half size, less its rounding
    std::vector<uint8_t> grey(size_t(iw) * 3 * ih, 100);
    ASSERT_TRUE(SetPreviewPixels(nav, grey.data(), iw, ih));
    const int ox = nav->offsetX, oy = nav->offsetY;
    nav->frameX = nav->frameY = 0;
    InvalidateRect(n, nullptr, FALSE);
    const Snapshot shot = Snap(n);
    ASSERT_GT(nav->frameW, iw);
    ASSERT_GT(nav->frameH, ih);
    const COLORREF inverted = RGB(155, 155, 155), image = RGB(100, 100, 100), back = shot.At(2, 2);
    ASSERT_NE(back, image);
    EXPECT_EQ(shot.At(ox + iw - 1, oy + ih / 2), inverted) << "the right edge on the last column";
    EXPECT_EQ(shot.At(ox + iw / 2, oy + ih - 1), inverted) << "the bottom edge on the last row";
    EXPECT_EQ(shot.At(ox + iw - 2, oy + ih / 2), image);
    for (int d = 0; d < 3; ++d) {
        EXPECT_EQ(shot.At(ox + iw + d, oy + ih / 2), back) << "past the right edge by " << d;
        EXPECT_EQ(shot.At(ox + iw / 2, oy + ih + d), back) << "below the bottom edge by " << d;
    }
    DestroyWindow(n);
}

TEST_F(PreviewFixture, ViewOfACallersImageAtAZoomIsClampedAndCentred) {
    // 300 x 200, bottom-up rows: left half red, right half blue, the top 10 rows green.
    const int iw = 300, ih = 200, row = 900;
    std::vector<uint8_t> img(size_t(row) * ih);
    for (int y = 0; y < ih; ++y)
        for (int x = 0; x < iw; ++x) {
            uint8_t* q = &img[size_t(ih - 1 - y) * row + size_t(x) * 3];
            const COLORREF c = y < 10 ? RGB(0, 255, 0) : x < 150 ? RGB(255, 0, 0) : RGB(0, 0, 255);
            q[0] = GetBValue(c);
            q[1] = GetGValue(c);
            q[2] = GetRValue(c);
        }
    p->viewX = 10000;
    p->viewY = 10000;
    ASSERT_TRUE(ShowPreviewImage(p, img.data(), iw, ih, 2.0f));
    EXPECT_EQ(p->viewX, 200) << "clamped to the zoomed image";
    EXPECT_EQ(p->viewY, 100);
    EXPECT_EQ(p->bitmapW, 400);
    Snapshot s = Snap(w);
    EXPECT_EQ(s.At(99, 150), RGB(255, 0, 0));
    EXPECT_EQ(s.At(100, 150), RGB(0, 0, 255)) << "image x 150 at zoomed x 300";

    HBITMAP zoomed = p->bitmap;
    p->zoom = 0.5f;
    RebuildPreviewView(p);
    EXPECT_FALSE(Alive(zoomed));
    EXPECT_EQ(p->viewX, 2);
    EXPECT_EQ(p->viewY, 0);
    EXPECT_EQ(p->offsetX, 126) << "the smaller image centred";
    EXPECT_EQ(p->offsetY, 100);
    s = Snap(w);
    EXPECT_EQ(s.At(150, 102), RGB(0, 255, 0)) << "top rows at the top";
    EXPECT_EQ(s.At(150, 110), RGB(255, 0, 0));
    EXPECT_EQ(s.At(198, 110), RGB(255, 0, 0));
    EXPECT_EQ(s.At(199, 110), RGB(0, 0, 255)) << "image x 150 at client 126 - 2 + 75";
    EXPECT_EQ(s.At(50, 50), RGB(0, 0, 0));

    EXPECT_FALSE(ShowPreviewImage(p, nullptr, iw, ih, 1.0f));
    EXPECT_EQ(p->bitmap, nullptr);
}
