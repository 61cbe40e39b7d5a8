#include "framework/CDialog.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "framework/CFrameWnd.h"
#include "framework/CWinApp.h"
#include "framework/DataExchange.h"

namespace {
const char* const kControlId = "controlId";
}

CDialog::CDialog(QWidget* parent) : QDialog(parent ? parent : AfxGetMainWnd()) {}

CDialog::CDialog(const framework::DialogTemplate& dialogTemplate, QWidget* parent)
    : CDialog(parent) {
    setWindowTitle(dialogTemplate.title);
    setFixedSize(DialogUnitsX(dialogTemplate.cx), DialogUnitsY(dialogTemplate.cy));
    for (const framework::DialogControl& control : dialogTemplate.controls)
        AddControl(control);
}

CDialog::~CDialog() = default;

int CDialog::DialogUnitsX(int units) const {
    const QFontMetrics metrics(font());
    const int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const int baseX = (alphabet / 26 + 1) / 2;
    return units * baseX / 4;
}

int CDialog::DialogUnitsY(int units) const {
    return units * QFontMetrics(font()).height() / 8;
}

QWidget* CDialog::AddControl(const framework::DialogControl& control) {
    QWidget* widget = nullptr;
    switch (control.kind) {
        case framework::ControlKind::Static:
            widget = new QLabel(control.text, this);
            break;
        case framework::ControlKind::Edit:
            widget = new QLineEdit(this);
            break;
        case framework::ControlKind::CheckBox:
            widget = new QCheckBox(control.text, this);
            break;
        case framework::ControlKind::PushButton:
        case framework::ControlKind::DefPushButton: {
            auto* button = new QPushButton(control.text, this);
            button->setDefault(control.kind == framework::ControlKind::DefPushButton);
            const unsigned id = control.id;
            connect(button, &QPushButton::clicked, this, [this, id] { OnButton(id); });
            widget = button;
            break;
        }
        case framework::ControlKind::ListBox: {
            auto* list = new QListWidget(this);
            list->setSelectionMode((control.style & LBS_MULTIPLESEL)
                                       ? QAbstractItemView::MultiSelection
                                       : QAbstractItemView::SingleSelection);
            list->setSortingEnabled(false);
            widget = list;
            break;
        }
        case framework::ControlKind::GroupBox:
            widget = new QGroupBox(control.text, this);
            break;
        case framework::ControlKind::Icon: {
            auto* label = new QLabel(this);
            label->setPixmap(QIcon(control.text).pixmap(32, 32));
            widget = label;
            break;
        }
    }
    widget->setProperty(kControlId, control.id);
    widget->setGeometry(DialogUnitsX(control.x), DialogUnitsY(control.y), DialogUnitsX(control.cx),
                        DialogUnitsY(control.cy));
    if (control.kind == framework::ControlKind::GroupBox) widget->lower();
    return widget;
}

QWidget* CDialog::GetDlgItem(unsigned id) const {
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QVariant value = child->property(kControlId);
        if (value.isValid() && value.toUInt() == id) return child;
    }
    return nullptr;
}

void CDialog::CheckDlgButton(unsigned id, int check) {
    if (auto* button = qobject_cast<QAbstractButton*>(GetDlgItem(id)))
        button->setChecked(check != 0);
}

int CDialog::IsDlgButtonChecked(unsigned id) const {
    auto* button = qobject_cast<QAbstractButton*>(GetDlgItem(id));
    return button && button->isChecked() ? 1 : 0;
}

int CDialog::DoModal() {
    OnInitDialog();
    return exec();
}

void CDialog::EndDialog(int result) {
    done(result);
}

bool CDialog::UpdateData(bool saveAndValidate) {
    CDataExchange exchange(*this, saveAndValidate);
    DoDataExchange(&exchange);
    return !exchange.Failed();
}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::OnOK() {
    if (UpdateData(true)) EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::reject() {
    OnCancel();
}

void CDialog::OnButton(unsigned id) {
    if (OnCmdMsg(id, CN_COMMAND, nullptr)) return;
    if (id == static_cast<unsigned>(IDOK)) {
        OnOK();
    } else if (id == static_cast<unsigned>(IDCANCEL)) {
        OnCancel();
    }
}
