#pragma once
// The tool's window: shows both tuners' current demodulator modes, takes a new mode for each,
// and writes the pair to the card. Building the tuner graph when it opens and tearing it down
// when it closes are its doing too.
#include <windows.h>

#include "framework/combo_box.h"
#include "framework/dialog.h"
#include "graph/graph_host.h"
#include "platform/com_ptr.h"

class CTessmorDlg : public CDialog, public IGraphHost {
public:
    explicit CTessmorDlg(CWnd* parent = nullptr);
    ~CTessmorDlg() override;

    const CMessageMap* GetMessageMap() const override;
    // Releases the dialog's own graph references, then tears the graph down (which ends COM
    // on the thread and destroys the window).
    BOOL DestroyWindow() override;

    // IGraphHost
    HWND GraphOwnerWindow() const override { return m_hWnd; }
    ComPtr<IBaseFilter>& TunerFilter() override { return m_pTunerFilter; }
    ComPtr<ITuningSpace>& TuningSpace() override { return m_pTuningSpace; }
    BOOL DestroyHostWindow() override { return CDialog::DestroyWindow(); }

    // "Read": shows both tuners' current modes.
    void ReadModes();
    // "Write": checks the chosen pair and writes it.
    void WriteModes();

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;

private:
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnLButtonDown(UINT flags, POINT point);
    void OnTunerASelected();
    void OnTunerBSelected();

    HICON m_hIcon;
    ComPtr<IBaseFilter> m_pTunerFilter;
    ComPtr<ITuningSpace> m_pTuningSpace;
    CComboBox m_TunerAMode;
    CComboBox m_TunerBMode;
    int m_nTunerAMode = 0;  // DemodMode chosen for tuner A; 0 = none chosen
    int m_nTunerBMode = 0;
};
