// The test host: plays the image editor's side of the filter interface in
// this process. It owns a document, builds the filter record with its
// callbacks, runs the selectors in the order an editor does, serves the
// plug-in's pixel requests, counts every handle and suite call, logs the
// whole conversation and commits the result back into the document.
//
// The interface's callbacks carry no context, so they reach the host through
// Host::Current(), the host whose selector call is in progress. One host
// drives a plug-in at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "CallLog.h"
#include "ColorModel.h"
#include "Document.h"
#include "HostInterface.h"

namespace frostel::hostsim {

using EntryPoint = void (*)(int16_t selector, void* record, intptr_t* data, int16_t* result);

// Values the plug-in may put in inputPadding / outputPadding / maskPadding;
// 0..255 asks for that fill value outside the image.
enum : int16_t {
    kPadEdgeReplication = -1,
    kPadNone = -2,          // the request is clipped to the image and the rectangle updated
    kPadErrorOnBounds = -3,  // the host's default: a request outside the image is refused
};

// Codes the host answers with.
constexpr pi::OSErr kBadRequestErr = pi::filterBadParameters;  // advanceState: invalid rectangle, planes, rate or padding
constexpr pi::OSErr kRefusedErr = pi::memFullErr;              // advanceState: refused (fault) or too large
constexpr pi::SPErr kSuiteNotFoundErr = pi::SPErr(pi::FourCC("S!Fd"));  // AcquireSuite/ReleaseSuite: unknown suite
constexpr pi::SPErr kBadParameterErr = pi::SPErr(pi::FourCC("Parm"));   // basic suite: null or unknown argument
constexpr pi::SPErr kConvertFailedErr = -1;  // colour space suite: injected conversion failure
constexpr pi::uint32 kHostSignature = pi::FourCC("FrTH");
constexpr uint8_t kPaddingByte = 0xA5;  // fills the row padding of served buffers

enum class DropHandle { None, Parameters, Data };

// How the host answers the plug-in's filter dialog (DialogWatch.h).
enum class DialogAnswer { Silent, Show, Script };

struct Options {
    // Services offered.
    bool bigDocument = true;  // offer the 32-bit coordinate block
    bool basicSuite = true;   // offer sSPBasic (filter and about records)
    bool handleProcs = true;  // offer the handle callbacks
    int16_t handleProcsVersion = pi::kCurrentHandleProcsVersion;
    // Suites the basic suite refuses although registered: "name" (every
    // version) or "name@version".
    std::set<std::string> disabledSuites;
    bool colorServices = true;  // offer the colour-services callback
    bool progress = true;       // offer the progress callback
    Rgb pickedColor{0x20, 0x80, 0xE0};    // what the colour picker answers
    bool pickCancelled = false;          // the user cancels the colour picker
    DialogAnswer dialog = DialogAnswer::Silent;
    std::vector<std::string> dialogScript;  // DialogAnswer::Script: one command a line
    // Script: OK is posted this many milliseconds after the dialog
    // opened, from another thread, as a click that comes while the dialog
    // may be busy; the log says how long the dialog took to end after it
    // ("dialogSeen" okHandled). -1: never.
    int dialogOkAfterMs = -1;

    // Document shape as served.
    std::optional<pi::VRect> filterRect;  // instead of the selection's bounds or the whole image
    int32_t rowPadding = 0;               // bytes after each row of every buffer served
    int32_t maxSpace = 100000000;
    pi::RGBColor background{0xFFFF, 0xFFFF, 0xFFFF};
    pi::RGBColor foreground{0, 0, 0};
    intptr_t hwnd = 0;         // platformData's window
    int maxContinueCalls = 1000;

    // Faults. Counts are 1-based and over the life of the Host.
    int failNewAt = 0;         // this newProc call returns null (0: never)
    int failLockAt = 0;        // this lockProc call returns null (0: never)
    DropHandle dropHandle = DropHandle::None;
    int16_t dropBefore = pi::filterSelectorStart;  // the handle is disposed and cleared before each such selector
    bool refuseAdvance = false;  // advanceState answers kRefusedErr and serves nothing
    bool serveNothing = false;   // advanceState answers noErr and serves nothing (a faulty host)
    int abortAfter = -1;         // abortProc answers true from call abortAfter + 1 on (-1: never)
    int failConvertAt = 0;       // this colour space suite conversion (Convert8 or Convert16) fails
};

struct RunResult {
    bool ok = false;
    int16_t failedSelector = -1;  // selector that stopped the run; -1 when the host stopped before any
    int16_t result = 0;           // its result code, or the host's code when the host stopped the run
    std::string message;          // for people: what stopped the run
    int continueCalls = 0;
};

struct MessageBoxShown {
    std::string caption;
    std::string text;
};

// One of the plug-in's own small dialogs (its About box, its message
// dialog): the caption and the text of each item, by item id.
struct DialogShown {
    std::string caption;
    std::map<int, std::string> items;
    std::vector<std::string> texts;  // the items without an id, in their order
    std::string owner;               // the caption of the window it is modal over
};

// A call the plug-in made to the shell to open a file or an address; the
// test host records it instead (see RecordShellCalls on Windows).
struct ShellCall {
    std::string owner;  // the owner window's caption
    std::string verb, file;
    std::optional<std::string> parameters, directory;  // none: null
    int show = 0;
};

const char* SelectorName(int16_t selector);  // "about", ..., "finish", "unknown"

class Host {
public:
    explicit Host(EntryPoint entry, Options options = {});
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    Options& options() { return options_; }
    const Options& options() const { return options_; }

    void SetDocument(Document doc);
    const Document& document() const { return doc_; }

    // parameters (when asked) -> prepare -> start -> continue while a request
    // is pending -> finish. The first non-zero result stops the run; the
    // document changes only when every selector returned 0.
    RunResult RunFilter(bool withParameters);
    // One raw selector on the current record (built first when there is none).
    // Nothing is committed to the document.
    int16_t CallSelector(int16_t selector);
    int16_t About();

    // State kept between runs.
    pi::Handle parameterHandle() const { return params_; }
    intptr_t dataSlot() const { return data_; }
    pi::FilterRecord& record() { return record_; }
    const pi::BigDocumentStruct& bigDocument() const { return big_; }

    // Handle bookkeeping.
    int LiveHandles() const;
    int LockCount(pi::Handle h) const;  // -1 when h is not a live handle
    int OutstandingLocks() const;       // over all live handles
    bool IsLiveHandle(pi::Handle h) const;
    std::vector<uint8_t> HandleBytes(pi::Handle h) const;  // contents of a live handle
    // Handles the host fills for the plug-in (a recorded action's
    // descriptor) and disposes again itself; not counted as callback calls.
    pi::Handle NewFilledHandle(const std::vector<uint8_t>& bytes);
    void DisposeFilledHandle(pi::Handle h);
    // The number the log gives a live handle (never reused); 0 for null, -1
    // for a handle that is not live.
    int HandleNumber(pi::Handle h) const;
    int CallCount(const std::string& proc) const;          // "newProc", "advanceState", "AcquireSuite", ...
    // Time spent inside the plug-in's entry since the host was made, the
    // host's own work in the callbacks it made meanwhile included.
    double SelectorSeconds() const { return selectorSeconds_; }
    int Misuses() const;  // calls with unknown handles or blocks, releases without an acquire, null arguments
    int UnbalancedUnlocks() const;  // unlockProc on a handle that is not locked (counted, not refused)

    // Basic suite.
    void RegisterSuite(const std::string& name, int32_t version, const void* suite);
    void UnregisterSuite(const std::string& name, int32_t version);
    int SuiteBalance(const std::string& name, int32_t version) const;  // acquires - releases
    // "name@version" -> acquires - releases, for every suite acquired at
    // least once; also written to the log ("suiteBalances") after each run.
    std::map<std::string, int> SuiteBalances() const;
    int LiveBlocks() const;

    // A new handle holding bytes, handed to the plug-in (which disposes it),
    // as a host answers a request for data; logged as "handOut".
    pi::Handle HandOutHandle(const std::vector<uint8_t>& bytes);

    // Runs on every freshly built filter record, after the host's own fields:
    // the place to attach further services (descriptor parameters, property
    // procs, channel ports, document description).
    void AddRecordHook(std::function<void(pi::FilterRecord&)> hook);

    // Runs after a parameters selector that returned 0, on the parameter
    // record the plug-in left in the record's parameters handle (its bytes
    // and size; an own handle of the plug-in counts `ownHandleSize` bytes).
    // The place to change parameters the way a user would in a dialog.
    void SetParametersHook(std::function<void(uint8_t* record, size_t size)> hook, size_t ownHandleSize);

    // A message box the plug-in showed; answered OK and logged ("messageBox").
    void RecordMessageBox(const std::string& caption, const std::string& text);
    std::vector<MessageBoxShown> MessageBoxes() const;
    // The plug-in's About box or message dialog; closed and logged ("dialog").
    void RecordDialog(const DialogShown& dialog);
    std::vector<DialogShown> Dialogs() const;
    // A shell call of the plug-in (from any thread); logged ("shellExecute").
    void RecordShellCall(const ShellCall& call);
    std::vector<ShellCall> ShellCalls() const;
    // Logs an event of the host's own under the lock the callbacks take, for
    // watchers that run beside the plug-in's threads.
    void LogEvent(std::string call, CallLog::Args args);

    // The filter rectangle served: the option's, else the document's.
    pi::VRect FilterBounds() const;

    const CallLog& log() const { return log_; }
    CallLog& log() { return log_; }

    static Host* Current();

private:
    struct HandleBlock {
        pi::Ptr master = nullptr;  // first: the handle is the address of this field
        int32_t size = 0;
        int locks = 0;
        int id = 0;
    };
    struct Buffer {
        std::vector<uint8_t> bytes;
        uint8_t* data = nullptr;  // what the plug-in gets: `bytes`, or the host's own pixels
        bool inPlace = false;     // data is the host's own pixels
        pi::VRect rect{};  // what the buffer covers, in the request's coordinates
        int lo = 0, hi = -1;
        int32_t rowBytes = 0;
        bool served = false;
    };
    struct Request {
        pi::VRect rect;
        int lo, hi;
        pi::Fixed rate;
        int16_t padding;
    };
    friend struct Callbacks;

    void BuildRecord();
    int16_t Invoke(int16_t selector, void* record);
    void ApplyDropFault(int16_t selector);
    void ApplyParametersHook();
    bool Using32() const;
    bool RequestPending() const;
    pi::OSErr ServeRequest(const char* who);
    pi::OSErr Fill(const Request& req, std::vector<uint8_t>& src, int srcPlanes, Buffer& buf,
                   std::string& why) const;
    void CommitOutput();
    void FreeBuffers();
    void DisposeAll();
    RunResult Fail(RunResult rr, int16_t selector, int16_t result, std::string message);
    int HandleId(pi::Handle h) const;
    HandleBlock* Find(pi::Handle h) const;
    void Count(const char* proc) { ++calls_[proc]; }
    bool SuiteDisabled(const std::string& name, int32_t version) const;
    void LogSuiteBalances();

    // Callback bodies (called with mutex_ held).
    pi::Handle NewHandle(int32_t size);
    pi::Handle AddHandle(int32_t size);  // zeroed, live; null when memory is short
    void DisposeHandle(pi::Handle h, const char* proc);
    int32_t GetSize(pi::Handle h);
    pi::OSErr SetSize(pi::Handle h, int32_t size);
    pi::Ptr Lock(pi::Handle h, bool moveHigh);
    void Unlock(pi::Handle h);
    pi::SPErr Acquire(const char* name, int32_t version, const void** suite);
    pi::SPErr Release(const char* name, int32_t version);
    pi::SPErr Allocate(size_t size, void** block);
    pi::SPErr Free(void* block);
    pi::SPErr Reallocate(void* block, size_t size, void** newBlock);
    pi::OSErr ColorServices(pi::ColorServicesInfo* info);
    pi::SPErr ConvertColors(int bits, int16_t from, int16_t to, void* colors, int16_t count);
    bool Abort();
    void Progress(int32_t done, int32_t total);

    EntryPoint entry_;
    Options options_;
    Document doc_;
    CallLog log_;
    mutable std::recursive_mutex mutex_;

    pi::FilterRecord record_{};
    pi::BigDocumentStruct big_{};
    pi::AboutRecord about_{};
    pi::HandleProcs handleProcs_{};
    pi::PlatformData platform_{};
    bool recordBuilt_ = false;
    std::vector<std::function<void(pi::FilterRecord&)>> hooks_;
    std::function<void(uint8_t*, size_t)> parametersHook_;
    size_t ownParametersSize_ = 0;

    pi::Handle params_ = nullptr;
    intptr_t data_ = 0;

    std::map<pi::Handle, std::unique_ptr<HandleBlock>> handles_;
    int nextHandleId_ = 1;
    int newCalls_ = 0, lockCalls_ = 0, abortCalls_ = 0, misuses_ = 0, unbalancedUnlocks_ = 0, convertCalls_ = 0;
    std::vector<MessageBoxShown> messageBoxes_;
    std::vector<DialogShown> dialogs_;
    std::vector<ShellCall> shellCalls_;
    std::map<std::string, int> calls_;
    std::map<void*, size_t> blocks_;
    std::map<std::pair<std::string, int32_t>, const void*> suites_;
    std::map<std::pair<std::string, int32_t>, int> suiteBalance_;

    // Pixels of one invocation: the plug-in's output layer before masking
    // (the source is the document, unchanged until the run ends), and the
    // buffers of the request being served.
    std::vector<uint8_t> output_;
    Buffer in_, out_, mask_;
    double selectorSeconds_ = 0;
    std::string requestError_;  // why the last request was refused
};

}  // namespace frostel::hostsim
