#pragma once

#include <string>

#include "session/shared_state.h"

namespace vonnik {

// A double in the shortest form that reads back as the same double ("1.0", not "1").
std::string FormatDouble(double v);

// The model and the view settings as one JSON object; 2-D arrays flattened with the index
// i * (GridMaxY + 1) + j.
std::string ModelDumpJson(const SharedState& state);

}  // namespace vonnik
