#pragma once
// The broadcast standard a graph is built for; it selects the tuning space and the network
// provider.
enum class TuningStandard { DVBS, DVBT, DVBC };
