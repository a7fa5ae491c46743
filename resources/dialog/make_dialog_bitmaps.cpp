// Writes the dialog's bitmaps and the module's cursor:
//   frostel_make_dialog_bitmaps <dir> [png dir]
// The optional PNG copies are for looking at them.
#include <cstdio>
#include <string>

#include "ArtFiles.h"
#include "DialogArt.h"

int main(int argc, char** argv) {
    const int r = frostel::WriteArtFiles(frostel::dialogart::DialogArt(), argc, argv);
    if (r != 0) return r;
    const std::string path = std::string(argv[1]) + "/" + frostel::dialogart::kCursorFile;
    const auto bytes = frostel::dialogart::PlaceCursorFile();
    if (!frostel::hostsim::WriteFileBytes(path, bytes)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}
