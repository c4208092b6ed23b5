#pragma once
// The system's tuning spaces as the simulated container keeps them: in the registry, so that a
// later run finds what an earlier one added.
#include <memory>

#include "sim/sim_tuning.h"

// The stored tuning spaces, read now; each one the container accepts is stored too.
std::shared_ptr<SimTuningSpaceStore> LoadStoredTuningSpaces();
