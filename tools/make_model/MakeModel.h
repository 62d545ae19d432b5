#pragma once

#include "tools/make_model/Options.h"

namespace makemodel {

// Checks every input, then makes the model, with progress on standard error. Returns the
// exit status: 0 when the model is written, 1 for bad input (one line on standard error,
// nothing left behind in the output folder).
int
makeModel(const Options& options);

// The palette of structures the colour table does not colour: every pair at least 0.2 apart
// in RGB.
const std::array<std::array<double, 3>, 9>&
structurePalette();

} // namespace makemodel
