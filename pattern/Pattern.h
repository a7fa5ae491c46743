// The pattern generator: what the scene driver builds a scene from.
//   GrowthRandom.h    the growth's seeded generator
//   GrowthTree.h      emitter and branch records, the branch list, the budget
//   BranchGrowers.h   the growers that fill the branch list
//   Emitter.h         emitter arrays and the figure builder
//   EmitterFigures.h  the six fixed figures
//   PathSegments.h    the work path as Bezier segments, and its emitter
//   PointTransforms.h moving and turning the renderer's points, frame conversions,
//                     binding the renderer from its own library
//   host/HostPaths.h  the work path read from the host (frostel_pattern_host)
#pragma once

#include "BranchGrowers.h"
#include "Emitter.h"
#include "EmitterFigures.h"
#include "GrowthRandom.h"
#include "GrowthTree.h"
#include "PathSegments.h"
#include "PointTransforms.h"
