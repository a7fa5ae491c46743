// Writes the dialog's bitmaps: frostel_make_dialog_bitmaps <dir> [png dir]
// The optional PNG copies are for looking at them.
#include "ArtFiles.h"
#include "DialogArt.h"

int main(int argc, char** argv) { return frostel::WriteArtFiles(frostel::dialogart::DialogArt(), argc, argv); }
