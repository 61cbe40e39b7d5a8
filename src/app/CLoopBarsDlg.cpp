#include "app/CLoopBarsDlg.h"

#include <algorithm>

#include "framework/DataExchange.h"
#include "res/Resource.h"

namespace {

framework::DialogTemplate LoopBarsTemplate() {
    using K = framework::ControlKind;
    return {QStringLiteral("Loop Bars"),
            150,
            50,
            {{K::Static, IDC_STATIC, QStringLiteral("From bar:"), 7, 9, 40, 8},
             {K::Edit, IDC_LOOP_FROM_BAR, QString(), 48, 7, 36, 14},
             {K::Static, IDC_STATIC, QStringLiteral("To bar:"), 7, 29, 40, 8},
             {K::Edit, IDC_LOOP_TO_BAR, QString(), 48, 27, 36, 14},
             {K::DefPushButton, IDOK, QStringLiteral("OK"), 93, 7, 50, 14},
             {K::PushButton, IDCANCEL, QStringLiteral("Cancel"), 93, 24, 50, 14}}};
}

}  // namespace

CLoopBarsDlg::CLoopBarsDlg(int songBars, QWidget* parent)
    : CDialog(LoopBarsTemplate(), parent), lastBar(std::max(1, songBars)) {}

void CLoopBarsDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_LOOP_FROM_BAR, fromBar);
    DDV_MinMaxInt(pDX, fromBar, 1, lastBar);
    DDX_Text(pDX, IDC_LOOP_TO_BAR, toBar);
    DDV_MinMaxInt(pDX, toBar, 1, lastBar);
    if (pDX->m_bSaveAndValidate && !pDX->Failed() && toBar < fromBar)
        pDX->Fail(QStringLiteral("The loop cannot end before it starts."));
}
