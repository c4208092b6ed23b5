#include "cli/commands/card_list.h"

#include "cli/commands/card_names.h"
#include "cli/console/text.h"
#include "graph/device_search.h"
#include "platform/identities.h"

namespace {

std::wstring CardsThere(size_t count)
{
    return Concat({"the system lists ", Decimal(static_cast<unsigned long>(count)), count == 1 ? " card" : " cards",
                   " (\"tessmorctl devices\" shows them)"});
}

}  // namespace

std::wstring InstanceOf(const std::wstring& path)
{
    return DeviceInstanceOf(path.c_str()).text;
}

bool SamePath(const std::wstring& one, const std::wstring& other)
{
    return LowerCase(one) == LowerCase(other);
}

std::vector<CardPair> PairCards(const std::vector<CardDevice>& tuners, const std::vector<CardDevice>& receivers)
{
    // Whether one card comes before the other: by their tuners' paths, those without a path last.
    const auto before = [&tuners](const CardPair& one, const CardPair& other) {
        const std::wstring& first = tuners[one.tuner].path;
        const std::wstring& second = tuners[other.tuner].path;
        if (first.empty() || second.empty())
            return !first.empty() && second.empty();
        return LowerCase(first) < LowerCase(second);
    };
    std::vector<CardPair> cards;
    for (size_t tuner = 0; tuner < tuners.size(); ++tuner) {
        if (!tuners[tuner].named)
            continue;
        CardPair card = {tuner, kNoReceiver};
        const std::wstring instance = InstanceOf(tuners[tuner].path);
        for (size_t receiver = 0; receiver < receivers.size() && !instance.empty(); ++receiver) {
            if (receivers[receiver].named && InstanceOf(receivers[receiver].path) == instance) {
                card.receiver = receiver;
                break;
            }
        }
        // Put in order as it comes, after every card it does not come before, so that cards
        // alike stay in the order the system lists them.
        auto place = cards.begin();
        while (place != cards.end() && !before(card, *place))
            ++place;
        cards.insert(place, card);
    }
    return cards;
}

std::vector<CardDevice> ListTunerDevices()
{
    std::vector<CardDevice> tuners;
    const DeviceSearch named(kTunerName);
    WalkDevices(KSCATEGORY_BDA_NETWORK_TUNER, [&](FoundDevice& device) {
        tuners.push_back({named.Matches(device), device.path.text});
        return false;
    });
    return tuners;
}

bool ChosenTunerPath(const CtlRequest& request, const std::vector<CardDevice>& tuners, std::wstring& path,
                     std::wstring& reason)
{
    const std::vector<CardPair> cards = PairCards(tuners, {});
    if (request.card) {
        if (request.card <= cards.size()) {
            path = tuners[cards[request.card - 1].tuner].path;
            return true;
        }
        reason = Concat({"card ", Decimal(request.card), " is not there: ", CardsThere(cards.size())});
        return false;
    }
    // The tuner's whole path, or the device-instance part of it.
    for (const CardPair& card : cards) {
        const std::wstring& tuner = tuners[card.tuner].path;
        if (!tuner.empty() && (SamePath(tuner, request.device) || InstanceOf(tuner) == LowerCase(request.device))) {
            path = tuner;
            return true;
        }
    }
    reason = Concat({"no card has the device ", QuotedWhole(request.device), ": ", CardsThere(cards.size())});
    return false;
}
