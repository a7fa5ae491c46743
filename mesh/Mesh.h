// The mesh builder: what it offers.
//  - TCRaster<T>: 2-D rasters with a default value outside (Raster.h).
//  - CMyPoint, CRib, CTriangles, CMyPointPtr, CRibPtr and the 0.01 point set
//    CPointSet (MeshPoint.h).
//  - CMeshBuilder::LoadMask: mask contours as points and weighted
//    ContourEdges (MeshBuilder.h).
#pragma once

#include "MeshBuilder.h"
#include "MeshPoint.h"
#include "Raster.h"
