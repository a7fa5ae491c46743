// Answers the message boxes, the About box and the message dialog the
// plug-in shows during one selector call with OK and records each with the
// host. On Windows a hook on the calling thread sees them, since the plug-in
// runs in this process; the native build has no message boxes to see (the
// plug-in's native alert sink reports to Host::RecordMessageBox directly).
#pragma once

namespace frostel::hostsim {

class Host;

class MessageBoxWatch {
public:
    explicit MessageBoxWatch(Host& host);
    ~MessageBoxWatch();
    MessageBoxWatch(const MessageBoxWatch&) = delete;
    MessageBoxWatch& operator=(const MessageBoxWatch&) = delete;

private:
    void* hook_ = nullptr;
    Host* previous_ = nullptr;
};

}  // namespace frostel::hostsim
