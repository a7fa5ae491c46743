#include "WorkPath.h"

#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>

#include "HostSim.h"

namespace frostel::hostsim {

int WorkPath::KnotCount() const {
    int n = 0;
    for (const PathItem& item : items) n += item.kind == PathItem::Knot;
    return n;
}

namespace {

bool ToNumber(const std::string& s, double& v) {
    std::istringstream in(s);
    in >> v;
    return !in.fail() && in.eof() && std::isfinite(v);
}

bool ToInt(const std::string& s, long lo, long hi, long& v) {
    double d;
    if (!ToNumber(s, d) || d != std::floor(d) || d < lo || d > hi) return false;
    v = long(d);
    return true;
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

void Put32(std::vector<uint8_t>& out, int32_t v) {
    const uint32_t u = uint32_t(v);
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(u >> shift));
}

// Pixels as an 8.24 fraction of the side.
int32_t Fraction(double pixels, int32_t side) {
    const double f = side > 0 ? std::round(pixels / side * 16777216.0) : 0;
    return int32_t(std::fmax(-2147483648.0, std::fmin(2147483647.0, f)));
}

}  // namespace

bool ParseWorkPath(const std::string& text, WorkPath& out, std::string& error) {
    out.items.clear();
    std::istringstream lines(text);
    std::string line;
    int lineNo = 0;
    bool inSubpath = false;
    auto fail = [&](const std::string& why) {
        error = "line " + std::to_string(lineNo) + ": " + why;
        return false;
    };
    while (std::getline(lines, line)) {
        ++lineNo;
        if (auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string s; words >> s;) w.push_back(s);
        if (w.empty()) continue;

        if (w[0] == "open" || w[0] == "closed") {
            PathItem item;
            item.kind = PathItem::Subpath;
            item.closed = w[0] == "closed";
            for (size_t i = 1; i < w.size(); ++i) {
                long n;
                if (w[i].rfind("knots=", 0) != 0 || !ToInt(w[i].substr(6), 0, 65535, n))
                    return fail("expected knots=N (0..65535), got '" + w[i] + "'");
                item.declaredKnots = int(n);
            }
            out.items.push_back(item);
            inSubpath = true;
        } else if (w[0] == "knot") {
            if (!inSubpath) return fail("knot outside a subpath");
            PathKnot k;
            size_t n = w.size();
            if (n > 1 && w[n - 1] == "unlinked") {
                k.linked = false;
                --n;
            }
            if (n != 3 && n != 7) return fail("knot needs X Y or X Y BX BY AX AY");
            double v[6];
            for (size_t i = 1; i < n; ++i)
                if (!ToNumber(w[i], v[i - 1])) return fail("'" + w[i] + "' is not a number");
            k.x = v[0];
            k.y = v[1];
            if (n == 7) k.beforeX = v[2], k.beforeY = v[3], k.afterX = v[4], k.afterY = v[5];
            else k.beforeX = k.afterX = k.x, k.beforeY = k.afterY = k.y;
            PathItem item;
            item.kind = PathItem::Knot;
            item.knot = k;
            out.items.push_back(item);
        } else if (w[0] == "record") {
            long s;
            if (w.size() != 2 || !ToInt(w[1], 0, 65535, s)) return fail("record needs a selector 0..65535");
            PathItem item;
            item.kind = PathItem::Record;
            item.selector = uint16_t(s);
            out.items.push_back(item);
        } else {
            return fail("unknown item '" + w[0] + "'");
        }
    }
    return true;
}

std::vector<uint8_t> EncodeWorkPath(const WorkPath& path, int32_t width, int32_t height) {
    std::vector<uint8_t> out;
    bool closed = false;
    const auto& items = path.items;
    for (size_t i = 0; i < items.size(); ++i) {
        const PathItem& item = items[i];
        switch (item.kind) {
        case PathItem::Record:
            Put16(out, item.selector);
            out.resize(out.size() + kPathRecordSize - 2, 0);
            break;
        case PathItem::Subpath: {
            int knots = 0;
            for (size_t j = i + 1; j < items.size() && items[j].kind != PathItem::Subpath; ++j)
                knots += items[j].kind == PathItem::Knot;
            closed = item.closed;
            Put16(out, closed ? 0 : 3);
            Put16(out, uint32_t(item.declaredKnots >= 0 ? item.declaredKnots : knots));
            out.resize(out.size() + kPathRecordSize - 4, 0);
            break;
        }
        case PathItem::Knot: {
            const PathKnot& k = item.knot;
            Put16(out, closed ? (k.linked ? 1 : 2) : (k.linked ? 4 : 5));
            Put32(out, Fraction(k.beforeY, height));
            Put32(out, Fraction(k.beforeX, width));
            Put32(out, Fraction(k.y, height));
            Put32(out, Fraction(k.x, width));
            Put32(out, Fraction(k.afterY, height));
            Put32(out, Fraction(k.afterX, width));
            break;
        }
        }
    }
    return out;
}

namespace {

struct ServedPaths {
    bool hasPath = false;
    WorkPath path;
};

std::mutex gServedMutex;
std::map<const Host*, std::shared_ptr<const ServedPaths>> gServed;

std::shared_ptr<const ServedPaths> ServedFor(const Host* host) {
    std::lock_guard<std::mutex> lock(gServedMutex);
    auto it = gServed.find(host);
    return it == gServed.end() ? nullptr : it->second;
}

std::string KeyText(pi::OSType key) {
    std::string s(4, ' ');
    for (int i = 0; i < 4; ++i) s[size_t(i)] = char((key >> (24 - 8 * i)) & 0xFF);
    return s;
}

constexpr pi::OSErr kParamErr = -50;

pi::OSErr Answer(const char* via, pi::OSType signature, pi::OSType key, pi::int32 index, intptr_t* simple,
                 pi::Handle* complex) {
    Host* host = Host::Current();
    if (!host) return pi::errPlugInPropertyUndefined;
    const auto served = ServedFor(host);
    pi::OSErr err = pi::errPlugInPropertyUndefined;
    pi::Handle handed = nullptr;
    if (served && signature == pi::kPhotoshopSignature) {
        if (key == pi::propNumberOfPaths || key == pi::propWorkPathIndex) {
            if (!simple) err = kParamErr;
            else {
                *simple = key == pi::propNumberOfPaths ? (served->hasPath ? 1 : 0) : (served->hasPath ? 0 : -1);
                err = pi::noErr;
            }
        } else if (key == pi::propPathContents && served->hasPath && index == 0) {
            if (!complex) err = kParamErr;
            else {
                const Document& doc = host->document();
                handed = host->HandOutHandle(EncodeWorkPath(served->path, doc.width, doc.height));
                *complex = handed;
                err = handed ? pi::noErr : pi::memFullErr;
            }
        }
    }
    CallLog::Args args{{"via", JsonString(via)}, {"key", JsonString(KeyText(key))}, {"index", JsonInt(index)}};
    if (err == pi::noErr && simple && key != pi::propPathContents) args.push_back({"value", JsonInt(*simple)});
    host->log().Add("getProperty", std::move(args), err);
    return err;
}

pi::OSErr GetPropertyFromProcs(pi::OSType signature, pi::OSType key, pi::int32 index, intptr_t* simple,
                               pi::Handle* complex) {
    return Answer("procs", signature, key, index, simple, complex);
}

pi::OSErr GetPropertyFromSuite(pi::OSType signature, pi::OSType key, pi::int32 index, intptr_t* simple,
                               pi::Handle* complex) {
    return Answer("suite", signature, key, index, simple, complex);
}

pi::OSErr SetPropertyRefused(pi::OSType, pi::OSType, pi::int32, intptr_t, pi::Handle) {
    return pi::errPlugInPropertyUndefined;
}

pi::PropertyProcs gPropertyProcs = {pi::kCurrentPropertyProcsVersion, pi::kCurrentPropertyProcsCount,
                                    &GetPropertyFromProcs, &SetPropertyRefused};
const pi::PSPropertySuite1 gPropertySuite = {&GetPropertyFromSuite, &SetPropertyRefused};

}  // namespace

void ServePaths(Host& host, const WorkPath* workPath) {
    auto served = std::make_shared<ServedPaths>();
    served->hasPath = workPath != nullptr;
    if (workPath) served->path = *workPath;
    {
        std::lock_guard<std::mutex> lock(gServedMutex);
        gServed[&host] = std::move(served);
    }
    host.AddRecordHook([](pi::FilterRecord& r) { r.propertyProcs = &gPropertyProcs; });
    host.RegisterSuite(pi::kPSPropertySuite, 1, &gPropertySuite);
}

}  // namespace frostel::hostsim
