#include "ui/mode_dialog.h"

#include <cstdio>

#include "framework/data_exchange.h"
#include "framework/message_box.h"
#include "framework/paint_dc.h"
#include "graph/bda_graph.h"
#include "modes/demod_property.h"
#include "platform/system_services.h"
#include "ui/resource.h"

namespace {

const char kToolCaption[] = "VKO Changed Mode Tool";
const char kUnsupported[] = "QuerySupported KSPROPERTY_BDA_CTRL_DemodMode error";

// One diagnostic line with one number.
void Trace(const char* format, int value)
{
    char line[64];
    std::snprintf(line, sizeof line, format, value);
    Services().DebugOutput(line);
}

// The mode chosen in a list: position i stands for mode i + 1; no selection is 0.
int ChosenMode(CComboBox& list)
{
    const int index = list.GetCurSel();
    return index == CB_ERR ? 0 : index + 1;
}

}  // namespace

CTessmorDlg::CTessmorDlg(CWnd* parent)
    : CDialog(IDD_TESSMOR_DIALOG, parent),
      m_hIcon(::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME)))
{
}

CTessmorDlg::~CTessmorDlg() = default;

const CMessageMap* CTessmorDlg::GetMessageMap() const
{
    static const MessageMap<CTessmorDlg> map(
        CDialog::GetMessageMap(),
        {
            MessageEntry(WM_PAINT, &CTessmorDlg::OnPaint),
            DragIconEntry(&CTessmorDlg::OnQueryDragIcon),
            CommandEntry(IDC_READ, BN_CLICKED, &CTessmorDlg::ReadModes),
            CommandEntry(IDC_WRITE, BN_CLICKED, &CTessmorDlg::WriteModes),
            MouseEntry(WM_LBUTTONDOWN, &CTessmorDlg::OnLButtonDown),
            CommandEntry(IDC_TUNER_A_SETTING, CBN_SELCHANGE, &CTessmorDlg::OnTunerASelected),
            CommandEntry(IDC_TUNER_B_SETTING, CBN_SELCHANGE, &CTessmorDlg::OnTunerBSelected),
        });
    return &map;
}

void CTessmorDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_TUNER_A_SETTING, m_TunerAMode);
    DDX_Control(dx, IDC_TUNER_B_SETTING, m_TunerBMode);
}

BOOL CTessmorDlg::OnInitDialog()
{
    (void)CDialog::OnInitDialog();
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    m_pTunerFilter.Reset();
    m_pTuningSpace.Reset();
    // Whatever an earlier graph left; the tuner found at start-up stays.
    CBDAGraph::m_pGraphBuilder.Reset();
    CBDAGraph::m_pNetworkProvider.Reset();
    CBDAGraph::m_pCaptureDevice.Reset();
    CBDAGraph::m_pMediaControl.Reset();
    CBDAGraph::m_pDemux.Reset();
    CBDAGraph::m_pTIF.Reset();
    CBDAGraph::m_pInfTee.Reset();

    // The first standard whose graph carries the property is kept; the support tests are not
    // reported here.
    CBDAGraph::BuildGraphForProperty(*this);

    ReadModes();
    return TRUE;
}

void CTessmorDlg::ReadModes()
{
    IKsPropertySet* channel = CBDAGraph::m_pKsPropertySet;
    if (!QueryDemodModeSupport(channel)) {
        AfxMessageBox(kUnsupported);
        return;
    }
    const DemodModeBlock modes = GetDemodModes(channel);
    Trace("TunerA =%d", modes.tunerA);
    SetDlgItemText(IDC_TUNER_A_CURRENT, DemodModeName(modes.tunerA));
    Trace("TunerB =%d", modes.tunerB);
    SetDlgItemText(IDC_TUNER_B_CURRENT, DemodModeName(modes.tunerB));
    (void)UpdateData(FALSE);
}

void CTessmorDlg::WriteModes()
{
    IKsPropertySet* channel = CBDAGraph::m_pKsPropertySet;
    if (!QueryDemodModeSupport(channel)) {
        AfxMessageBox(kUnsupported);
        return;
    }
    if (m_nTunerAMode == 0 || m_nTunerBMode == 0) {
        MessageBox("Sorry,Please Set all Tuner mode. ", kToolCaption, MB_OK);
        return;
    }
    if (m_nTunerAMode == DemodModeAtsc || m_nTunerBMode == DemodModeAtsc) {
        MessageBox("Sorry,VKO8305 can not support ATSC. ", kToolCaption, MB_OK);
        return;
    }

    const DemodModeBlock modes = {static_cast<DemodMode>(m_nTunerAMode & 0xFF),
                                  static_cast<DemodMode>(m_nTunerBMode & 0xFF)};
    if (!SetDemodModes(channel, modes)) {
        // Nothing was written: the dialog stays, and nothing claims that it was.
        MessageBox("write mac11 ", "error", MB_OK);
        return;
    }
    Services().Sleep(1000);
    MessageBox("Set finished,Please wait about 8 seconds let device finish changed mode .Thank you ",
               kToolCaption, MB_OK);
    OnCancel();
}

void CTessmorDlg::OnTunerASelected()
{
    m_nTunerAMode = ChosenMode(m_TunerAMode);
    Trace("TunerAMode =%d", m_nTunerAMode);
}

void CTessmorDlg::OnTunerBSelected()
{
    m_nTunerBMode = ChosenMode(m_TunerBMode);
    Trace("TunerBMode =%d", m_nTunerBMode);
}

void CTessmorDlg::OnLButtonDown(UINT flags, POINT point)
{
    // Dragging anywhere on the dialog moves it, as dragging its caption would.
    (void)PostMessage(WM_NCLBUTTONDOWN, HTCAPTION,
                      MAKELPARAM(static_cast<WORD>(point.x), static_cast<WORD>(point.y)));
    CDialog::OnLButtonDown(flags, point);
}

void CTessmorDlg::OnPaint()
{
    if (!IsIconic()) {
        CDialog::OnPaint();
        return;
    }
    CPaintDC dc(this);
    (void)SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.m_hDC), 0);
    RECT client;
    (void)::GetClientRect(m_hWnd, &client);
    const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    (void)::DrawIcon(dc.m_hDC, x, y, m_hIcon);
}

HCURSOR CTessmorDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}

BOOL CTessmorDlg::DestroyWindow()
{
    // The dialog's own references go while COM is still up; the teardown ends it.
    m_pTunerFilter.Reset();
    m_pTuningSpace.Reset();
    return CBDAGraph::TearDownGraph(*this);
}
