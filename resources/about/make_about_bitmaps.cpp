// Writes the About box's logo and the font list's marks:
// frostel_make_about_bitmaps <dir> [png dir]  (the PNG copies are for looking at them)
#include "AboutArt.h"
#include "ArtFiles.h"

int main(int argc, char** argv) { return frostel::WriteArtFiles(frostel::aboutart::AboutBitmaps(), argc, argv); }
