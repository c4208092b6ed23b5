#include "app/tessmor_app.h"

#include <objbase.h>

#include "framework/message_box.h"
#include "graph/bda_graph.h"
#include "platform/identities.h"
#include "platform/system_services.h"
#include "ui/mode_dialog.h"

namespace {
constexpr UINT ID_HELP = 0xE146;
}  // namespace

CTessmorApp theApp;

const CMessageMap* CTessmorApp::GetMessageMap() const
{
    static const MessageMap<CTessmorApp> map(CWinApp::GetMessageMap(),
                                             {CommandEntry<CTessmorApp>(ID_HELP, 0, &CWinApp::OnHelp)});
    return &map;
}

BOOL CTessmorApp::InitInstance()
{
    const INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    (void)Services().InitCommonControls(controls);
    (void)CWinApp::InitInstance();
    AfxEnableControlContainer();
    SetRegistryKey("Local AppWizard-Generated Applications");

    // The dialog's teardown ends COM again; without a card it lasts until the process ends.
    (void)::CoInitializeEx(nullptr, COINIT_MULTITHREADED | COINIT_SPEED_OVER_MEMORY);
    Services().Sleep(1000);

    if (!ProbeTunerDevice()) {
        AfxMessageBox("No VKO DVBS device!", MB_OK, 0);
        return FALSE;
    }

    CTessmorDlg dialog;
    m_pMainWnd = &dialog;
    (void)dialog.DoModal();
    if (m_pMainWnd == &dialog)
        m_pMainWnd = nullptr;  // the window was never made, so nothing cleared it
    return FALSE;
}

bool CTessmorApp::ProbeTunerDevice()
{
    CBDAGraph::m_pTunerDevice =
        CBDAGraph::FindFilter(L"VKO 8317 Tuner 0", KSCATEGORY_BDA_NETWORK_TUNER, CBDAGraph::m_tunerDevicePath);
    return static_cast<bool>(CBDAGraph::m_pTunerDevice);
}
