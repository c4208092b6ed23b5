#pragma once
// The broadcast standard a graph is built for; it selects the tuning space and the network
// provider.
enum class TuningStandard { DVBS, DVBT, DVBC };

// The one of three things that belongs to the standard.
template <class T>
const T& ForStandard(TuningStandard standard, const T& dvbs, const T& dvbt, const T& dvbc)
{
    switch (standard) {
    case TuningStandard::DVBS:
        return dvbs;
    case TuningStandard::DVBC:
        return dvbc;
    case TuningStandard::DVBT:
        break;
    }
    return dvbt;
}
