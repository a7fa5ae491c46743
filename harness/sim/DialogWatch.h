// Answers the plug-in's filter dialog during one selector call. The dialog is
// told apart from other windows by its caption ("Vornhal Frostel"). On
// Windows a hook on the calling thread sees it, since the plug-in runs in
// this process; the native build has no dialog to see.
//
//   Silent  the dialog ends with OK before its procedure hears of it, as a
//           host that shows no dialog would have it (the default: nothing can
//           hang on a modal dialog under the null graphics driver)
//   Show    the dialog is left to the person in front of the screen
//   Script  the dialog is driven from a timer inside its modal loop, one
//           script line a tick, and what it shows is logged ("dialogSeen");
//           a script that does not end the dialog is ended with Cancel
//
// Script lines (ids are the page's when the shown page has one, else the
// dialog's, else the preset panel's; "main:ID" always means the dialog's):
//   command ID [CODE]   WM_COMMAND to the dialog      hotkey N    WM_HOTKEY N
//   click ID            a left click at the control's centre
//   tab N               select page N                 select ID I  combo entry I
//   pick ID TEXT        click the list entry that shows TEXT (a folder: its name)
//   open ID TEXT        double-click it (opens a folder entry)
//   check ID 0|1        set a check box or radio      type ID TEXT   focus and text (spin edits: their field)
//   key enter|escape    a key to the focused window   focus ID
//   notify ID           the control's change notice to its page
//   drag DX DY          pan the preview with the left button
//   size W H            resize the dialog and end the move    minimize | restore
//   wait N              let N ticks pass              shot FILE.png [ID]  the dialog (or a control's
//                                                                         client area) as a picture
//   wait shell N        until the module has made N shell calls in all
//                       (ShellExecuteA, recorded by the test host; 10 s at most)
//   record scale | enabled ID | text ID | rect ID | pos ID (a progress bar's) | minsize | focus | placement
//          | layout   every visible control's text against its room, in its
//                     own font (clipped ones listed), and the controls of one
//                     window that lie over each other (group boxes, the tab
//                     control, the pages and the header pictures hold others)
//                       (placement: window, title bar, OK and the monitors' work
//                       areas in screen pixels)
//   timed LINE          runs LINE and logs how long it took ("us"): a change
//                       that renders the preview does so before it returns
//   ok | cancel | close
//
// With the test host's dialogOkAfterMs (--dialog-ok-after), another thread
// posts OK that long after the dialog opened, whatever the script is doing,
// and the dialog's end logs how long it took after that ("okHandled": ms to
// the dialog's end, takenMs to when its loop took OK off the queue).
#pragma once

#include <string>
#include <vector>

namespace frostel::hostsim {

class Host;

class DialogWatch {
public:
    explicit DialogWatch(Host& host);
    ~DialogWatch();
    DialogWatch(const DialogWatch&) = delete;
    DialogWatch& operator=(const DialogWatch&) = delete;

private:
    void* hook_ = nullptr;  // the watch's state, when this one installed it
};

}  // namespace frostel::hostsim
