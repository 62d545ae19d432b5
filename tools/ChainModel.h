#pragma once

// The second sample model, the ossicular chain, made through the model maker as a user would
// make one from a segmentation: the chain's anatomy is rasterised into a label map and a
// CT-like grey volume, written with a colour table (names, colours, groups) and a page per
// structure into a scratch folder, and handed to makemodel::makeModel. A lesson of five views
// that walks along the chain is written beside the model.

#include "tools/ChainAnatomy.h"

#include <QString>

#include <array>

namespace chain {

// The label map's voxels: a tenth of the thinnest bone (the crura, 0.26 mm across) would be
// finer than needed and an order of magnitude more voxels; 0.07 mm gives each crus four voxels.
constexpr double voxelSize = 0.07;
// Millimetres of tissue and air kept around the structures, as a CT crop around them would.
constexpr double gridMargin = 2.2;
// A bound on the label map: 2^25 voxels (32 MB of labels, 64 MB of CT) is several times the
// chain's grid.
constexpr long long largestGridVoxels = 1LL << 25;
// Triangles per structure: the eardrum, the largest surface, keeps its shape at this budget,
// and the chain's fifteen structures come to about 150,000.
constexpr long maxTrianglesPerStructure = 40000;

constexpr const char* lessonFileName = "ossicular-chain.cochlex-lesson";

// A page of 60-150 words for each structure, in the order of structureInfos().
const std::array<const char*, structureCount>&
structureDescriptions();

// Writes the model and its lesson into folder (replacing a chain model written there before).
// Progress goes to standard error; returns false and sets error when anything fails.
bool
writeChainModel(const QString& folder, QString* error);

} // namespace chain
