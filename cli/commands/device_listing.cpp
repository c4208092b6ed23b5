#include "cli/commands/device_listing.h"

#include <objbase.h>

#include <algorithm>
#include <vector>

#include "cli/commands/card_list.h"
#include "cli/commands/card_names.h"
#include "cli/commands/com_start.h"
#include "cli/console/exit_status.h"
#include "cli/console/json_text.h"
#include "cli/console/text.h"
#include "graph/device_search.h"
#include "platform/identities.h"
#include "platform/system_services.h"

namespace {

// The graph's pause before it looks for a missing receiver once more, and how many builds
// (DVB-S, DVB-T, DVB-C) each look for it.
constexpr DWORD kReceiverRetryPause = 3000;
constexpr int kBuildsThatLook = 3;

struct DeviceRow {
    std::wstring name;  // empty with hasName false when the name cannot be read as text
    bool hasName;
    bool used;
    std::wstring verdict;
    std::wstring path;  // its device path; empty when it has none
    bool named;         // it bears the name sought
};

struct CategoryListing {
    const wchar_t* title;
    const wchar_t* devices;  // what they are, in a sentence
    const wchar_t* sought;
    const GUID* category;
    std::vector<DeviceRow> rows;
    bool used = false;
    bool listedButClosed = false;  // a device of the name sought is there but cannot be opened
    std::wstring cardPath;         // the path of the tuner whose card's device is sought
    std::wstring usedPath;         // the path of the device used
};

const wchar_t kOfAnotherCard[] = L"not used: it belongs to another card";

// Why a device is or is not the one used; whether is was used comes back in used.
std::wstring Verdict(DeviceSearch& search, FoundDevice& device, bool& used)
{
    if (search.Ended())
        return used ? L"not used: an earlier device is used"
                    : L"not used: the search ended at an earlier device";
    const bool held = search.HoldsFirst();
    const bool ends = search.Visit(device);
    if (!held && search.HoldsFirst())
        return kOfAnotherCard;
    switch (device.state) {
    case FoundDevice::State::NoPropertyBag:
        return Ascii("not used: its properties cannot be read, which ends the search");
    case FoundDevice::State::NoName:
        return L"not used: its name cannot be read";
    case FoundDevice::State::CannotOpen:
        return L"not used: it cannot be opened";
    case FoundDevice::State::Opened:
        break;
    }
    if (!ends)
        return device.name ? L"not used: its name is another" : L"not used: its name is not text";
    used = true;
    return L"used";
}

// Walks the category's devices as they are listed now; the filter of the one used is released
// with the search, before the next walk opens it again.
void List(CategoryListing& listing)
{
    listing.rows.clear();
    listing.used = false;
    listing.listedButClosed = false;
    listing.usedPath.clear();
    // Receivers are sought as the graph seeks them: the one of the tuner's own card.
    DeviceSearch search(listing.sought, DeviceInstanceOf(listing.cardPath.c_str()));
    size_t held = SIZE_MAX;  // the row of the device kept in case the card has none of its own
    WalkDevices(*listing.category, [&](FoundDevice& device) {
        listing.listedButClosed = listing.listedButClosed || search.ListedButClosed(device);
        bool used = listing.used;
        const std::wstring verdict = Verdict(search, device, used);
        if (verdict == kOfAnotherCard)
            held = listing.rows.size();
        const bool named = search.Matches(device);
        listing.rows.push_back(
            {device.name ? device.name : L"", device.name != nullptr, used && !listing.used, verdict, device.path.text, named});
        if (used && !listing.used)
            listing.usedPath = device.path.text;
        listing.used = used;
        return false;  // every device is listed
    });
    // Without one of the card's own, the first other one is used, as the graph would.
    if (search.TakeResult() && !listing.used && held < listing.rows.size()) {
        listing.rows[held].used = listing.used = true;
        listing.rows[held].verdict = Ascii("used: the tuner's card has no receiver of its own");
        listing.usedPath = listing.rows[held].path;
    }
}

// Lists again, about once a second, until the device is used or the time is up.
void ListUntilUsed(CategoryListing& listing, Patience& patience, Reporter& reporter)
{
    while (!listing.used && patience.PauseBeforeNextTry()) {
        reporter.Step(std::wstring(L"listing the ") + listing.devices + TryNote(true, patience.Now()));
        List(listing);
    }
}

void PrintText(Reporter& reporter, const CategoryListing& listing)
{
    reporter.Result(Concat({std::wstring(listing.title), " (the first that opens and whose name begins with \"",
                            listing.sought, "\" is used):"}));
    for (const DeviceRow& row : listing.rows)
        reporter.Result(Concat({"  ", (row.hasName ? row.name : std::wstring(L"(no name)")), ": ", row.verdict}));
    if (listing.rows.empty())
        reporter.Result(L"  (none listed)");
}

std::vector<CardDevice> CardDevices(const CategoryListing& listing)
{
    std::vector<CardDevice> devices;
    for (const DeviceRow& row : listing.rows)
        devices.push_back({row.named, row.path});
    return devices;
}

std::wstring PathText(const std::wstring& path)
{
    return path.empty() ? std::wstring(L"(no device path)") : path;
}

// The rows of the receivers that bear the name sought but belong to none of the cards.
std::vector<size_t> ReceiversOfNoCard(const CategoryListing& receivers, const std::vector<CardPair>& cards)
{
    std::vector<size_t> rows;
    for (size_t row = 0; row < receivers.rows.size(); ++row) {
        const bool paired = std::any_of(cards.begin(), cards.end(), [row](const CardPair& card) { return card.receiver == row; });
        if (receivers.rows[row].named && !paired)
            rows.push_back(row);
    }
    return rows;
}

// The cards, by number, and the receivers that belong to none.
void PrintCards(Reporter& reporter, const CategoryListing& tuners, const CategoryListing& receivers,
                const std::vector<CardPair>& cards)
{
    reporter.Result(Ascii("Cards (numbered by their tuners' device paths; --card N or --device PATH takes one):"));
    for (size_t number = 0; number < cards.size(); ++number) {
        const DeviceRow& tuner = tuners.rows[cards[number].tuner];
        reporter.Result(Concat({"  Card ", Decimal(static_cast<unsigned long>(number + 1)), ": ",
                                (tuner.used ? L"used" : L"not used")}));
        reporter.Result(Concat({"    tuner ", tuner.name, ": ", PathText(tuner.path)}));
        if (cards[number].receiver == kNoReceiver) {
            reporter.Result(L"    receiver: none of its own");
            continue;
        }
        const DeviceRow& receiver = receivers.rows[cards[number].receiver];
        reporter.Result(Concat({"    receiver ", receiver.name, ": ", PathText(receiver.path)}));
    }
    if (cards.empty())
        reporter.Result(L"  (none listed)");
    const std::vector<size_t> unpaired = ReceiversOfNoCard(receivers, cards);
    if (!unpaired.empty())
        reporter.Result(L"Receivers of no card:");
    for (const size_t row : unpaired)
        reporter.Result(Concat({"  ", receivers.rows[row].name, ": ", PathText(receivers.rows[row].path)}));
}

std::wstring JsonDevice(const DeviceRow& row)
{
    return JsonObject().Text("name", row.name).TextOrNull("path", row.path).Json();
}

std::wstring JsonCards(const CategoryListing& tuners, const CategoryListing& receivers,
                       const std::vector<CardPair>& cards)
{
    std::vector<std::wstring> objects;
    for (size_t number = 0; number < cards.size(); ++number) {
        const DeviceRow& tuner = tuners.rows[cards[number].tuner];
        objects.push_back(JsonObject()
                              .Number("card", static_cast<unsigned long>(number + 1))
                              .Truth("used", tuner.used)
                              .Value("tuner", JsonDevice(tuner))
                              .Value("receiver", cards[number].receiver == kNoReceiver
                                                     ? L"null"
                                                     : JsonDevice(receivers.rows[cards[number].receiver]))
                              .Json());
    }
    return JsonArray(objects);
}

std::wstring JsonUnpaired(const CategoryListing& receivers, const std::vector<CardPair>& cards)
{
    std::vector<std::wstring> objects;
    for (const size_t row : ReceiversOfNoCard(receivers, cards))
        objects.push_back(JsonDevice(receivers.rows[row]));
    return JsonArray(objects);
}

std::wstring JsonRows(const CategoryListing& listing)
{
    std::vector<std::wstring> rows;
    for (const DeviceRow& row : listing.rows) {
        JsonObject object;
        if (row.hasName)
            object.Text("name", row.name);
        else
            object.Null("name");
        rows.push_back(object.Truth("used", row.used).Text("verdict", row.verdict).TextOrNull("path", row.path).Json());
    }
    return JsonArray(rows);
}

}  // namespace

int RunDevices(const CtlRequest& request, Reporter& reporter, Clock& clock)
{
    if (!StartCom(reporter))
        return kExitReadWriteFailed;
    CategoryListing tuners{L"Tuner devices", L"tuner devices", kTunerName, &KSCATEGORY_BDA_NETWORK_TUNER, {}, false, false, {}, {}};
    CategoryListing receivers{L"Receiver devices", L"receiver devices", kCaptureName,
                              &KSCATEGORY_BDA_RECEIVER_COMPONENT, {}, false, false, {}, {}};
    Patience patience(clock, 0, request.timeoutSeconds);
    // The card asked for is the one whose devices are sought; it must be there.
    if (ChoosesCard(request)) {
        std::wstring reason;
        if (!ChosenTunerPath(request, ListTunerDevices(), tuners.cardPath, reason)) {
            ::CoUninitialize();
            reporter.Error(reason);
            return kExitNoCard;
        }
    }
    List(tuners);
    ListUntilUsed(tuners, patience, reporter);
    receivers.cardPath = tuners.usedPath;
    List(receivers);
    // The other commands look for the receiver only once they have the tuner, and then as each
    // graph build does: once more after a pause.
    for (int build = 0; tuners.used && !receivers.used && build < kBuildsThatLook; ++build) {
        reporter.Step(Concat({"the receiver is not there yet; looking again in ", Decimal(kReceiverRetryPause),
                              " ms, as the graph does"}));
        Services().Sleep(kReceiverRetryPause);
        List(receivers);
    }
    if (tuners.used)
        ListUntilUsed(receivers, patience, reporter);
    ::CoUninitialize();

    PrintText(reporter, tuners);
    PrintText(reporter, receivers);
    const std::vector<CardPair> cards = PairCards(CardDevices(tuners), CardDevices(receivers));
    PrintCards(reporter, tuners, receivers, cards);
    reporter.Data(JsonObject()
                      .Value("tunerDevices", JsonRows(tuners))
                      .Value("receiverDevices", JsonRows(receivers))
                      .Value("cards", JsonCards(tuners, receivers, cards))
                      .Value("receiversOfNoCard", JsonUnpaired(receivers, cards))
                      .Json());
    // The same advice as the other commands give: a device that is there but will not open is in
    // use or not started, which reinstalling a driver would not mend; one not listed at all is.
    const auto listedButClosed = [&reporter](const CategoryListing& listing) {
        reporter.Error(Concat({"\"", std::wstring(listing.sought), "\" is listed but cannot be opened: ",
                               kCardInUseAdvice}));
    };
    bool notListed = false;
    if (!tuners.used) {
        reporter.Error(L"No VKO DVBS device!");
        if (tuners.listedButClosed)
            listedButClosed(tuners);
        notListed = !tuners.listedButClosed;
    }
    if (!receivers.used && receivers.listedButClosed) {
        listedButClosed(receivers);
    } else if (!receivers.used) {
        reporter.Error(Concat({"the card's receiver device \"", kCaptureName, "\" is not found"}));
        notListed = true;
    }
    if (notListed)
        reporter.Error(kNoCardAdvice);
    return tuners.used && receivers.used ? kExitSuccess : kExitNoCard;
}
