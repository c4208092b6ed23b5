// The identities the program relies on (the card's property, the device categories, the
// network types, and every class and interface the graph asks for), written out here as
// literal text and compared with what the whole program asks of the simulated platform. The
// program's own constants are deliberately not used: a wrong digit in them would otherwise go
// unnoticed, since the simulated platform answers to the same constants.
#include <gmock/gmock.h>
#include <vfwmsgs.h>

#include <map>
#include <set>
#include <string>
#include <tuple>

#include "app/tessmor_app.h"
#include "program_user.h"
#include "sim/sim_card.h"
#include "sim/sim_faults.h"
#include "sim_test.h"

using ::testing::ElementsAre;

extern CTessmorApp theApp;

namespace {

const char kDemodModeSet[] = "{FAA8F3E5-31D4-4E41-88EF-D9EB716F6EC9}";

const char kNetworkTuners[] = "{71985F48-1CA1-11D3-9CC8-00C04F7971E0}";
const char kReceiverComponents[] = "{FD0A5AF4-B41D-11D2-9C95-00C04F7971E0}";
const char kTransportInformation[] = "{A2E3074F-6C3D-11D3-B653-00C04F79498E}";

const char kSatelliteNetwork[] = "{FA4B375A-45B4-4D45-8440-263957B11623}";
const char kTerrestrialNetwork[] = "{216C62DF-6D7F-4E9A-8571-05F14EDB766A}";
const char kCableNetwork[] = "{DC0C0FE7-0485-4266-B93F-68FBF80ED834}";

const char kBaseFilter[] = "{56A86895-0AD4-11CE-B03A-0020AF0BA770}";

// Class, interface asked at creation, class context.
using Creation = std::tuple<std::string, std::string, DWORD>;

const std::set<Creation>& ExpectedCreations()
{
    const DWORD inProcess = 1;
    const DWORD anywhere = 23;
    static const std::set<Creation> creations = {
        // System device enumerator, ICreateDevEnum.
        {"{62BE5D10-60EB-11D0-BD3B-00A0C911CE86}", "{29840822-5B84-11D0-BD3B-00A0C911CE86}", anywhere},
        // Filter graph manager, IGraphBuilder.
        {"{E436EBB3-524F-11CE-9F53-0020AF0BA770}", "{56A868A9-0AD4-11CE-B03A-0020AF0BA770}", inProcess},
        // System tuning-space container, ITuningSpaceContainer.
        {"{D02AAC50-027E-11D3-9D8E-00C04F72D980}", "{5B692E84-E2F1-11D2-9493-00C04F72D980}", anywhere},
        // DVB-S tuning space and DVB tuning space, IDVBTuningSpace2.
        {"{B64016F3-C9A2-4066-96F0-BD9563314726}", "{843188B4-CE62-43DB-966B-8145A094E040}", inProcess},
        {"{C6B14B32-76AA-4A86-A7AC-5C79AAF58DA7}", "{843188B4-CE62-43DB-966B-8145A094E040}", inProcess},
        // DVB-S, DVB-T and DVB-C locators, each asked for its own locator interface.
        {"{1DF7D126-4050-47F0-A7CF-4C4CA9241333}", "{3D7C353C-0D04-45F1-A742-F97CC1188DC8}", inProcess},
        {"{9CD64701-BDF3-4D14-8E03-F12983D86664}", "{8664DA16-DDA2-42AC-926A-C18F9127C302}", inProcess},
        {"{C531D9FD-9685-4028-8B68-6E1232079F1E}", "{6E42F36E-1DD2-43C4-9F78-69D25AE39034}", inProcess},
        // The network providers, whose classes are the network types, IBaseFilter.
        {kSatelliteNetwork, kBaseFilter, inProcess},
        {kTerrestrialNetwork, kBaseFilter, inProcess},
        {kCableNetwork, kBaseFilter, inProcess},
        // MPEG-2 demultiplexer and infinite pin tee, IBaseFilter.
        {"{AFB6C280-2C41-11D3-8A60-0000F81E0E4A}", kBaseFilter, inProcess},
        {"{F8388A40-D5BB-11D0-BE5A-0080C706568E}", kBaseFilter, inProcess},
    };
    return creations;
}

// Every interface the program asks a simulated object for: those of the creations above, and
// the ones it asks of objects it already holds.
const std::set<std::string>& ExpectedInterfaces()
{
    static const std::set<std::string> interfaces = [] {
        std::set<std::string> all = {
            "{55272A00-42CB-11CE-8135-00AA004BB851}",  // IPropertyBag, of a device moniker
            "{56A868B1-0AD4-11CE-B03A-0020AF0BA770}",  // IMediaControl, of the graph manager
            "{CDF7BE60-D954-42FD-A972-78971958E470}",  // IDVBSTuningSpace
            "{28C52640-018A-11D3-9D8E-00C04F72D980}",  // ITuner, of a network provider
            "{31EFAC30-515C-11D0-A9AA-00AA0061BE93}",  // IKsPropertySet, of the tuner's pin
        };
        for (const Creation& creation : ExpectedCreations())
            all.insert(std::get<1>(creation));
        return all;
    }();
    return interfaces;
}

std::string TextOf(REFGUID guid)
{
    WCHAR text[40] = {};
    StringFromGUID2(guid, text, 40);
    return std::string(text, text + lstrlenW(text));
}

// The interfaces asked through QueryInterface of simulated objects and their pins.
std::set<std::string> InterfacesAsked()
{
    const std::string query = "QueryInterface ";
    std::set<std::string> asked;
    for (const std::string& point : SimFaults::Passed()) {
        const size_t at = point.find(query);
        if (at != std::string::npos)
            asked.insert(point.substr(at + query.size()));
    }
    return asked;
}

class IdentitiesTest : public SimTest {
protected:
    SimCard card;
};

TEST_F(IdentitiesTest, TheWholeProgramAsksForTheLiteralIdentities)
{
    // DVB-S and DVB-T refuse the property, so that the graphs of all three standards are built.
    card.channel->querySupportedSequence = {E_PROP_SET_UNSUPPORTED, E_PROP_SET_UNSUPPORTED};
    card.Install(services);
    SimFaults::ForgetPassed();

    ASSERT_TRUE(RunTheProgramWithAWrite(theApp));
    ASSERT_FALSE(ComIsUp());

    // The demodulator-mode property: its set and id 60, in the support tests, the read and the
    // write alike.
    std::set<SimPropertySet::Call> kinds;
    for (const SimPropertySet::Record& call : card.channel->calls) {
        kinds.insert(call.call);
        EXPECT_EQ(TextOf(call.set), kDemodModeSet);
        EXPECT_EQ(call.id, 60u);
    }
    EXPECT_EQ(kinds.size(), 3u) << "support test, read and write";

    // The device categories: the tuner at start-up, then capture and transport information
    // for each of the three graphs.
    std::vector<std::string> categories;
    for (const auto& enumeration : card.devices->enumerations)
        categories.push_back(TextOf(enumeration.category));
    EXPECT_THAT(categories, ElementsAre(kNetworkTuners, kReceiverComponents, kTransportInformation,
                                        kReceiverComponents, kTransportInformation,
                                        kReceiverComponents, kTransportInformation));

    // The network types stored in the tool's three tuning spaces.
    std::map<std::wstring, std::string> networkTypes;
    for (const auto& stored : card.tuningSpaces->spaces) {
        const auto* space = static_cast<const SimTuningSpace*>(stored.Get());
        networkTypes[space->uniqueName] = TextOf(space->networkType);
    }
    EXPECT_EQ(networkTypes, (std::map<std::wstring, std::string>{{L"quorvantel dvb-s", kSatelliteNetwork},
                                                                 {L"quorvantel dvb-t", kTerrestrialNetwork},
                                                                 {L"quorvantel dvb-c", kCableNetwork}}));

    // Every object creation, and every interface asked of the simulated platform.
    std::set<Creation> creations;
    for (const SimServices::Creation& creation : services.creations)
        creations.insert({TextOf(creation.clsid), TextOf(creation.iid), creation.context});
    EXPECT_EQ(creations, ExpectedCreations());
    EXPECT_EQ(InterfacesAsked(), ExpectedInterfaces());
}

}  // namespace
