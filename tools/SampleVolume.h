#pragma once

#include <cstdint>
#include <vector>

namespace sample {

class JointAnatomy;

// The section volume in file order (x fastest, then y, then z): each voxel gets its tissue's
// grey value, blurred over about a voxel as a scanner's point spread would, with smooth noise
// and a gentle shading across the field of view. Deterministic.
std::vector<std::uint8_t>
generateVolume(const JointAnatomy& anatomy);

} // namespace sample
