// Reading the document's work path from the host into the path list.
#pragma once

namespace frostel {

// Rebuilds the global path list (PathSegments.h) from the host's work path,
// through the filter record's property callbacks and the host's property
// suite. Host errors of the callbacks go into the plug-in's result and end
// the reading; a host without the property suite raises SuiteFailure (the
// entry reports -30900), so callers inside window procedures must catch it.
// A host without property callbacks simply has no paths.
void ReadHostPaths();

}  // namespace frostel
