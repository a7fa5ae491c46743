#include "PageMemory.h"
#include "WidgetInternal.h"

#include <cmath>
#include <cstring>

namespace frostel::widgets {

using namespace detail;

namespace {
constexpr UINT_PTR kClickTimer = 1;
PreviewDialogCalls gCalls;

void DrawDiagonals(HDC dc, int w, int h) {
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(128, 128, 128));
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, 0, 0, nullptr);
    LineTo(dc, w, h);
    MoveToEx(dc, w - 1, 0, nullptr);
    LineTo(dc, -1, h);
    SelectObject(dc, old);
    DeleteObject(pen);
}

void BlitBitmap(HDC dc, HBITMAP b, int x, int y, int w, int h, int srcW, int srcH) {
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, b);
    if (w == srcW && h == srcH) BitBlt(dc, x, y, w, h, mem, 0, 0, SRCCOPY);
    else StretchBlt(dc, x, y, w, h, mem, 0, 0, srcW, srcH, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
}

void FillHeader(BITMAPINFOHEADER& h, int w, int ht) {
    h = BITMAPINFOHEADER{};
    h.biSize = sizeof h;
    h.biWidth = w;
    h.biHeight = ht;
    h.biPlanes = 1;
    h.biBitCount = 24;
    h.biCompression = BI_RGB;
}

// Makes the DDB from the stored pixels.
void MakeBitmap(TPreviewContaner* p) {
    if (p->bitmap) DeleteObject(p->bitmap);
    p->bitmap = nullptr;
    if (!p->pixels || p->bitmapW <= 0 || p->bitmapH <= 0) return;
    FillHeader(p->header, p->bitmapW, p->bitmapH);
    BITMAPINFO bi{};
    bi.bmiHeader = p->header;
    HDC dc = GetDC(p->wnd);
    p->bitmap = CreateDIBitmap(dc, &p->header, CBM_INIT, p->pixels, &bi, DIB_RGB_COLORS);
    ReleaseDC(p->wnd, dc);
}

void DropImage(TPreviewContaner* p) {
    if (p->bitmap) DeleteObject(p->bitmap);
    p->bitmap = nullptr;
    ShelvePages(p->pixels);  // in the dialog, for the next preview's bitmap
    p->pixels = nullptr;
}
}  // namespace

void SetPreviewDialogCalls(const PreviewDialogCalls& calls) { gCalls = calls; }
const PreviewDialogCalls& GetPreviewDialogCalls() { return gCalls; }

bool IsNearPoint(const TPreviewMarker& m, float x, float y) {
    return m.visible && std::fabs(m.screenX - x) <= 10.0f && std::fabs(m.screenY - y) <= 10.0f;
}

TPreviewContaner::~TPreviewContaner() { DropImage(this); }

bool TPreviewContaner::Frame(PreviewFrame* f) const {
    float w = 0.0f, h = 0.0f;
    if (!gCalls.documentSize || !gCalls.documentSize(&w, &h) || w == 0.0f || h == 0.0f) return false;
    *f = PreviewFrame{w, h, viewX, viewY, offsetX, offsetY};
    return true;
}

void TPreviewContaner::SetLinked(float x, float y) {
    if (linkedAreSliders) {
        if (gCalls.setLinkedSlider) {
            if (linkedX) gCalls.setLinkedSlider(linkedX, x);
            if (linkedY) gCalls.setLinkedSlider(linkedY, y);
        }
        return;
    }
    if (linkedX) SetControlValueText(static_cast<TSpinEdit*>(linkedX), x);
    if (linkedY) SetControlValueText(static_cast<TSpinEdit*>(linkedY), y);
}

bool TPreviewContaner::MarkerFromPoint(int index, int x, int y) {
    PreviewFrame f;
    float px, py;
    if (!Frame(&f) || !ClientToPercent(f, x, y, &px, &py)) return false;
    markers[index].x = px;
    markers[index].y = py;
    if (gCalls.centreMoved) gCalls.centreMoved(index, px, py);
    return true;
}

void TPreviewContaner::PaintNavigator(HDC target) {
    Surface s(target, width, height);
    if (!s) return;
    RECT all{0, 0, width, height};
    FillBackground(s.dc(), all);
    if (bitmap) BlitBitmap(s.dc(), bitmap, offsetX, offsetY, bitmapW, bitmapH, bitmapW, bitmapH);
    else DrawDiagonals(s.dc(), width, height);
    if (mainPreview) {
        frameW = NavigatorFrameExtent(mainPreview->bitmapW, navigatorScale, previewScale);
        frameH = NavigatorFrameExtent(mainPreview->bitmapH, navigatorScale, previewScale);
        // The frame position is in the image's pixels: over the image, wherever it is centred.
        const FrameBox b = NavigatorFrameOnImage(frameX, frameY, frameW, frameH, bitmap ? bitmapW : 0,
                                                 bitmap ? bitmapH : 0);
        Canvas c = s.canvas();
        InvertFrameEdges(c, offsetX + b.x, offsetY + b.y, b.w, b.h);
    }
    s.CopyTo(target, 0, 0);
}

void TPreviewContaner::PaintPreview(HDC target) {
    Surface s(target, width, height);
    if (!s) return;
    RECT all{0, 0, width, height};
    FillRect(s.dc(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (bitmap) {
        const int w = mode == 2 && drawW > 0 ? drawW : bitmapW;
        const int h = mode == 2 && drawH > 0 ? drawH : bitmapH;
        BlitBitmap(s.dc(), bitmap, offsetX + dragOffset.x, offsetY + dragOffset.y, w, h, bitmapW, bitmapH);
    } else {
        DrawDiagonals(s.dc(), width, height);
    }
    PreviewFrame f;
    if (Frame(&f)) {
        Canvas c = s.canvas();
        float sx, sy;
        if (centreMode != 0) {
            PercentToClient(f, pendingX, pendingY, &sx, &sy);
            DrawMarkerCross(c, int(std::lround(sx)) + dragOffset.x, int(std::lround(sy)) + dragOffset.y, 0);
        }
        for (TPreviewMarker& m : markers) {
            PercentToClient(f, m.x, m.y, &sx, &sy);
            m.screenX = sx + float(dragOffset.x);
            m.screenY = sy + float(dragOffset.y);
            if (m.visible) DrawMarkerCross(c, int(std::lround(m.screenX)), int(std::lround(m.screenY)), m.style);
        }
    }
    s.CopyTo(target, 0, 0);
}

void TPreviewContaner::Paint(HDC dc) {
    if (mode == 0) PaintNavigator(dc);
    else PaintPreview(dc);
}

LRESULT TPreviewContaner::Handle(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    const int x = short(LOWORD(lp)), y = short(HIWORD(lp));
    HWND parent = GetParent(w);
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_LBUTTONDOWN:
            doubleClicked = false;
            SetCapture(w);
            quietDrag = (wp & MK_CONTROL) != 0;
            press = POINT{x, y};
            dragOffset = POINT{0, 0};
            for (TPreviewMarker& m : markers) {
                if (IsNearPoint(m, float(x), float(y))) {
                    m.grabbed = true;
                    break;
                }
            }
            return 0;
        case WM_MOUSEMOVE: {
            mousePoint = POINT{x, y};
            if (wp & MK_LBUTTON) {
                if (GetCapture() != w) return 0;
                if (mode == 0) {
                    frameX += x - press.x;
                    frameY += y - press.y;
                    press = POINT{x, y};
                    InvalidateRect(w, nullptr, FALSE);
                    return 0;
                }
                int grabbed = -1;
                for (size_t i = 0; i < markers.size(); ++i)
                    if (markers[i].grabbed) grabbed = int(i);
                if (grabbed >= 0) {
                    MarkerFromPoint(grabbed, x, y);
                    dragOffset = POINT{0, 0};
                } else {
                    dragOffset.x += x - press.x;
                    dragOffset.y += y - press.y;
                }
                if (!quietDrag) InvalidateRect(w, nullptr, FALSE);
                press = POINT{x, y};
                return 0;
            }
            if ((wp & MK_RBUTTON) && mode == 1) {
                if (centreMode == 0 && markers.empty()) return 0;
                if (rightPressed_ && gCursors.place) SetCursor(gCursors.place);
                PreviewFrame f;
                float px, py;
                if (!Frame(&f) || !ClientToPercent(f, x, y, &px, &py)) return 0;
                SetLinked(px, py);
                pendingX = px;
                pendingY = py;
                if (centreMode == 0) {
                    if (markers[0].visible) {
                        markers[0].x = px;
                        markers[0].y = py;
                        if (gCalls.centreMoved) gCalls.centreMoved(0, px, py);
                        markers[0].grabbed = true;
                        InvalidateRect(w, nullptr, FALSE);
                    }
                } else {
                    if (gCalls.setCentreRotor) gCalls.setCentreRotor(px, py);
                    centreMode = 2;
                    InvalidateRect(w, nullptr, FALSE);
                }
                return 0;
            }
            if (mode == 1 && !(wp & MK_CONTROL)) {
                for (const TPreviewMarker& m : markers) {
                    if (IsNearPoint(m, float(x), float(y))) {
                        SetCursor(gCursors.hand ? gCursors.hand : LoadCursorA(nullptr, IDC_HAND));
                        break;
                    }
                }
            }
            return 0;
        }
        case WM_LBUTTONUP:
            ReleaseCapture();
            if (SetTimer(w, kClickTimer, 200, nullptr)) return 0;
            [[fallthrough]];
        case WM_TIMER: {
            if (msg == WM_TIMER) {
                if (wp != kClickTimer) return 0;
                KillTimer(w, kClickTimer);
            }
            if (doubleClicked) return 0;
            if (mode != 0) {
                bool hadGrab = false;
                for (size_t i = 0; i < markers.size(); ++i) {
                    if (!markers[i].grabbed) continue;
                    markers[i].grabbed = false;
                    hadGrab = true;
                    if (i == 0 && gCalls.storeCentre) gCalls.storeCentre(markers[0].x, markers[0].y);
                }
                if (!hadGrab) {
                    viewX -= dragOffset.x;
                    viewY -= dragOffset.y;
                }
            }
            dragOffset = POINT{0, 0};
            if (!quietDrag) SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, kNotifyPreviewMoved), 0);
            quietDrag = false;
            return 0;
        }
        case WM_LBUTTONDBLCLK:
            doubleClicked = true;
            SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, kNotifyPreviewDoubleClick), 0);
            return 0;
        case WM_RBUTTONDOWN: {
            rightPressed_ = false;
            if (mode != 1) return 0;
            PreviewFrame f;
            float px, py;
            if (!Frame(&f) || !ClientToPercent(f, x, y, &px, &py)) return 0;
            // The centre of a click that never moves is where it was pressed.
            pendingX = px;
            pendingY = py;
            rightPressed_ = true;
            // The module's crosshair while the right button places the centre.
            if (gCursors.place) SetCursor(gCursors.place);
            if (!markers.empty() && markers[0].visible) {
                MarkerFromPoint(0, x, y);
                markers[0].grabbed = true;
            }
            SetCapture(w);
            return 0;
        }
        case WM_RBUTTONUP: {
            if (GetCapture() == w) ReleaseCapture();
            if (rightPressed_) SetCursor(gCursors.sizeAll ? gCursors.sizeAll : LoadCursorA(nullptr, IDC_SIZEALL));
            if (!rightPressed_) return 0;
            rightPressed_ = false;
            const bool marker0 = !markers.empty() && markers[0].visible;
            if (centreMode == 0 && !marker0) return 0;
            if (gCalls.storeCentre) gCalls.storeCentre(pendingX, pendingY);
            if (gCalls.setCentreRotor) gCalls.setCentreRotor(pendingX, pendingY);
            if (centreMode == 0) markers[0].grabbed = false;
            if (gCalls.rerenderPreview) gCalls.rerenderPreview();
            return 0;
        }
        default:
            break;
    }
    return TContaner::Handle(w, msg, wp, lp);
}

int RegisterPreviewContanerClass(HINSTANCE instance) {
    return RegisterWidget(instance, kPreviewClass, WidgetWindowProc<TPreviewContaner>, CS_DBLCLKS, IDC_SIZEALL);
}

void BuildPreviewBitmap(TPreviewContaner* p, const PreviewSource& src) {
    if (!p || !src.data) return;
    const PreviewLayout l = LayoutPreviewBitmap(p->width, p->height, src.width, src.height);
    p->offsetX = l.offsetX;
    p->offsetY = l.offsetY;
    DropImage(p);
    p->bitmapW = l.width;
    p->bitmapH = l.height;
    FillHeader(p->header, l.width, l.height);
    if (l.width <= 0 || l.height <= 0) return;
    p->pixels = static_cast<uint8_t*>(TakePages(size_t(l.width) * 3 * size_t(l.height)));
    if (!p->pixels) return;  // no bitmap: the diagonals are drawn
    ConvertPreviewPixels(src, l.width, l.height, p->pixels, size_t(l.width) * 3);
    MakeBitmap(p);
}

void UpdatePreviewBitmap(TPreviewContaner* p) {
    if (!p || !p->pixels) return;
    p->offsetX = std::max(0, (p->width - p->bitmapW) / 2);
    p->offsetY = std::max(0, (p->height - p->bitmapH) / 2);
    MakeBitmap(p);
}

bool SetPreviewPixels(TPreviewContaner* p, const uint8_t* bgr, int w, int h) {
    if (!p) return false;
    DropImage(p);
    p->bitmapW = p->bitmapH = 0;
    if (!bgr || w <= 0 || h <= 0) return false;
    const size_t rowBytes = (size_t(w) * 3 + 3) / 4 * 4;
    p->pixels = static_cast<uint8_t*>(AllocPages(rowBytes * size_t(h)));
    if (!p->pixels) return false;
    std::memcpy(p->pixels, bgr, rowBytes * size_t(h));
    p->bitmapW = w;
    p->bitmapH = h;
    UpdatePreviewBitmap(p);
    return true;
}

bool ShowPreviewImage(TPreviewContaner* p, const uint8_t* bgr, int w, int h, float zoom) {
    if (!p) return false;
    p->source.clear();
    p->sourceW = p->sourceH = 0;
    if (!bgr || w <= 0 || h <= 0) {
        DropImage(p);
        p->bitmapW = p->bitmapH = 0;
        return false;
    }
    const size_t rowBytes = (size_t(w) * 3 + 3) / 4 * 4;
    p->source.assign(bgr, bgr + rowBytes * size_t(h));
    p->sourceW = w;
    p->sourceH = h;
    p->zoom = zoom;
    RebuildPreviewView(p);
    return true;
}

void RebuildPreviewView(TPreviewContaner* p) {
    if (!p) return;
    DropImage(p);
    p->bitmapW = p->bitmapH = 0;
    if (p->source.empty()) return;
    const PreviewView v = ClampPreviewView(p->width, p->height, p->sourceW, p->sourceH, p->zoom, p->viewX, p->viewY);
    p->viewX = v.viewX;
    p->viewY = v.viewY;
    p->offsetX = v.offsetX;
    p->offsetY = v.offsetY;
    if (v.width <= 0 || v.height <= 0) return;
    p->pixels = static_cast<uint8_t*>(AllocPages(size_t(v.width) * 3 * size_t(v.height)));
    if (!p->pixels) return;  // no bitmap: the diagonals are drawn
    CutPreviewView(p->source.data(), p->sourceW, p->sourceH, (size_t(p->sourceW) * 3 + 3) / 4 * 4, p->zoom, v,
                   p->pixels, size_t(v.width) * 3);
    p->bitmapW = v.width;
    p->bitmapH = v.height;
    MakeBitmap(p);
}

void PreviewContanerStub(TPreviewContaner*) {}

}  // namespace frostel::widgets
