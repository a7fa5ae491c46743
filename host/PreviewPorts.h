// What the image reads, the progress display and the preview's stop check
// need of the open dialog: its main preview container, its progress bar and
// its input queue. The dialog implements them over its widgets and sets the
// pointers while it is open (null otherwise); nothing here is called across
// a window procedure's boundary with an exception.
#pragma once

#include <cstdint>

namespace frostel {

class PreviewPort {
public:
    virtual ~PreviewPort() = default;
    // Client area of the container, in screen pixels.
    virtual int32_t ClientWidth() const = 0;
    virtual int32_t ClientHeight() const = 0;
    // The document's size at the current preview scale.
    virtual void SetScaledImageSize(int32_t width, int32_t height) = 0;
    // Top-left of the shown area in preview pixels.
    virtual int32_t ViewX() const = 0;
    virtual int32_t ViewY() const = 0;
    virtual void SetView(int32_t x, int32_t y) = 0;
};

class ProgressPort {
public:
    virtual ~ProgressPort() = default;
    // Range 0..total, position done; drawn at once.
    virtual void Show(int32_t done, int32_t total) = 0;
};

class InputPort {
public:
    virtual ~InputPort() = default;
    // A click, key or command waits for the dialog: the preview being drawn
    // is already out of date. Looks without taking anything off the queue.
    virtual bool InputWaiting() = 0;
};

extern PreviewPort* gPreviewPort;
extern ProgressPort* gProgressPort;
extern InputPort* gInputPort;

}  // namespace frostel
