// The document's work path as the test host keeps it: parsed from a small
// text file and encoded into the host's path records (26 bytes each,
// big-endian, points as 8.24 fractions of the document's height and width).
//
// Text form, one item per line, '#' starts a comment, coordinates in
// document pixels:
//   open [knots=N]          starts an open subpath (N: the knot count its
//   closed [knots=N]        length record claims; default the real count)
//   knot X Y [BX BY AX AY] [unlinked]
//                           anchor, control before and after (default: on
//                           the anchor, a straight corner)
//   record S                one record of selector S with zero data
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace frostel::hostsim {

struct PathKnot {
    double x = 0, y = 0;
    double beforeX = 0, beforeY = 0, afterX = 0, afterY = 0;
    bool linked = true;
};

// One record of the path, in file order.
struct PathItem {
    enum Kind { Subpath, Knot, Record } kind = Subpath;
    bool closed = false;     // Subpath
    int declaredKnots = -1;  // Subpath: the count to claim; -1: the knots that follow
    PathKnot knot;           // Knot
    uint16_t selector = 0;   // Record
};

struct WorkPath {
    std::vector<PathItem> items;
    int KnotCount() const;
};

constexpr size_t kPathRecordSize = 26;

bool ParseWorkPath(const std::string& text, WorkPath& out, std::string& error);
std::vector<uint8_t> EncodeWorkPath(const WorkPath& path, int32_t width, int32_t height);

class Host;

// Serves the document's paths as an editor does, through the filter
// record's property callbacks and the property suite: 'nupa' answers 1 with
// a work path (else 0), 'wkpa' its index 0 (else -1), 'path' 0 a new handle
// of its records for the current document's size, which the plug-in
// disposes. Anything else is undefined. Every call is logged as
// "getProperty" (with "via": "procs" or "suite").
void ServePaths(Host& host, const WorkPath* workPath);

}  // namespace frostel::hostsim
