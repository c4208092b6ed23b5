// Start-up of the application object, in-process on the simulated platform.
#include <dshow.h>
#include <gmock/gmock.h>

#include "app/tessmor_app.h"
#include "framework/wnd.h"
#include "graph/bda_graph.h"
#include "sim/sim_card.h"
#include "sim_test.h"

using ::testing::ElementsAre;

extern CTessmorApp theApp;

namespace {

class AppStartupTest : public SimTest {
protected:
    ~AppStartupTest() override { EXPECT_EQ(SimLiveObjects::ReleasesWithoutCom(), 0); }
    SimCard card;
};

TEST_F(AppStartupTest, WithoutATunerItSaysSoOnceAfterOneSecondAndEnds)
{
    card.tunerPresent = false;
    card.Install(services);
    // What had happened when the pause came.
    size_t creationsBeforeThePause = ~size_t(0), messagesBeforeThePause = ~size_t(0);
    services.onSleep = [&](DWORD) {
        creationsBeforeThePause = services.creations.size();
        messagesBeforeThePause = services.messageBoxes.size();
    };
    ASSERT_FALSE(ComIsUp());

    EXPECT_FALSE(theApp.InitInstance());

    EXPECT_THAT(services.sleeps, ElementsAre(1000u));
    EXPECT_EQ(creationsBeforeThePause, 0u) << "the pause comes before the search for the tuner";
    EXPECT_EQ(messagesBeforeThePause, 0u);
    EXPECT_EQ(services.CreationsOf(CLSID_SystemDeviceEnum), 1);  // one search, no retry
    ASSERT_EQ(services.messageBoxes.size(), 1u);
    const auto& box = services.messageBoxes[0];
    EXPECT_EQ(box.text, "No VKO DVBS device!");
    EXPECT_EQ(box.caption, "app_test");
    EXPECT_EQ(box.type, UINT(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_STREQ(theApp.m_pszRegistryKey, "Local AppWizard-Generated Applications");
    // The common controls: the structure's size 8 and the Windows 95 classes (0xFF).
    ASSERT_EQ(services.commonControls.size(), 1u);
    EXPECT_EQ(services.commonControls[0].dwSize, 8u);
    EXPECT_EQ(services.commonControls[0].dwICC, 0xFFu);
    // The thread is in the multithreaded apartment, which stays until the process ends on
    // this path.
    APTTYPE apartment = APTTYPE_CURRENT;
    APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;
    ASSERT_EQ(CoGetApartmentType(&apartment, &qualifier), S_OK);
    EXPECT_EQ(apartment, APTTYPE_MTA);
    EXPECT_EQ(qualifier, APTTYPEQUALIFIER_NONE);
    CoUninitialize();
}

void CALLBACK CloseTheDialog(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    if (theApp.m_pMainWnd)
        PostMessageA(theApp.m_pMainWnd->m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0);
}

TEST_F(AppStartupTest, WithTheTunerItRunsTheDialogAsMainWindowAndEndsWithIt)
{
    card.Install(services);
    SimLiveObjects::WatchApartment(true);
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, CloseTheDialog);

    EXPECT_FALSE(theApp.InitInstance());

    KillTimer(nullptr, timer);
    EXPECT_EQ(theApp.m_pMainWnd, nullptr);
    EXPECT_FALSE(ComIsUp());  // the dialog's teardown ended COM
    EXPECT_THAT(services.sleeps, ElementsAre(1000u));
    EXPECT_THAT(services.messageBoxes, testing::IsEmpty());
    EXPECT_EQ(services.CreationsOf(CLSID_FilterGraph), 1);
    EXPECT_FALSE(CBDAGraph::m_pTunerDevice);
    SimLiveObjects::WatchApartment(false);
}

TEST_F(AppStartupTest, WithTwoCardsListedCrossedTheDialogUsesTheFirstTunersOwnReceiver)
{
    SimCard second;
    second.JoinCrossed(card, [this] { card.Install(services); });
    card.channel->modes[0] = 4;
    second.channel->modes[0] = 5;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, CloseTheDialog);

    EXPECT_FALSE(theApp.InitInstance());

    KillTimer(nullptr, timer);
    EXPECT_THAT(services.messageBoxes, testing::IsEmpty());
    EXPECT_GE(*card.receiverConnections, 1);
    EXPECT_EQ(*second.receiverConnections, 0) << "the first card's tuner went to the second card's receiver";
    EXPECT_FALSE(card.channel->calls.empty()) << "the dialog read the first card's modes";
    EXPECT_TRUE(second.channel->calls.empty());
    EXPECT_TRUE(CBDAGraph::m_tunerDevicePath.Empty()) << "the teardown forgets the tuner's path";
}

// Refuses every dialog window this thread tries to make.
LRESULT CALLBACK RefuseDialogs(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        const auto* create = reinterpret_cast<const CBT_CREATEWNDA*>(lParam);
        if (create->lpcs->lpszClass == MAKEINTATOM(32770))
            return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(AppStartupTest, WhenTheDialogsWindowCannotBeMadeNoMainWindowIsLeftBehind)
{
    card.Install(services);
    HHOOK hook = SetWindowsHookExA(WH_CBT, RefuseDialogs, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);

    EXPECT_FALSE(theApp.InitInstance());

    UnhookWindowsHookEx(hook);
    EXPECT_EQ(theApp.m_pMainWnd, nullptr) << "the main window would name a dialog that is gone";
    EXPECT_THAT(services.messageBoxes, testing::IsEmpty());
    // Without a window there was no teardown: the tuner found at start is still held and COM is
    // still up, as at any other early end; the process's end takes them.
    EXPECT_TRUE(CBDAGraph::m_pTunerDevice);
    CBDAGraph::m_pTunerDevice.Reset();
    EXPECT_TRUE(ComIsUp());
    CoUninitialize();
}

}  // namespace
