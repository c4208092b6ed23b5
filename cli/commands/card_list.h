#pragma once
// The cards of a PC as tessmorctl tells them apart: a card is a tuner that bears the tuner's name,
// with the receiver of the same device (the one whose device path has the tuner's device
// instance). Cards are numbered by their tuners' device paths in sorted order, so that the numbers
// stay the same from boot to boot while the hardware stays where it is, whatever order the system
// lists the devices in.
#include <windows.h>

#include <string>
#include <vector>

#include "cli/options/command_line.h"

// One device as the listing of its category met it.
struct CardDevice {
    bool named = false;  // it bears the name the tools look for
    std::wstring path;   // its device path; empty when it has none
};

struct CardPair {
    size_t tuner;     // the tuner's place in the tuners' listing
    size_t receiver;  // the receiver's place in theirs, or npos when the card has none of its own
};
constexpr size_t kNoReceiver = static_cast<size_t>(-1);

// The cards among the devices listed, in the order of their numbers: by tuner path, compared
// without regard to case; tuners without a path come last, in the order listed.
std::vector<CardPair> PairCards(const std::vector<CardDevice>& tuners, const std::vector<CardDevice>& receivers);

// The tuner devices the system lists now (each one opened and let go again, as the search does).
std::vector<CardDevice> ListTunerDevices();

// The device path of the tuner of the card the request names, among the tuners listed; false,
// with a reason that names what was asked for and what is there, when there is no such card.
bool ChosenTunerPath(const CtlRequest& request, const std::vector<CardDevice>& tuners, std::wstring& path,
                     std::wstring& reason);

// Device paths compared as Windows compares them: without regard to case.
bool SamePath(const std::wstring& one, const std::wstring& other);

// The device-instance part of a device path, in lower case (empty when it has none).
std::wstring InstanceOf(const std::wstring& path);
