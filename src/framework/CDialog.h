#pragma once
// CDialog: a modal dialog, a QDialog whose controls come from a dialog table or from code.
//
// Controls are laid out at fixed positions in dialog units (a quarter of the dialog font's
// average character width horizontally, an eighth of its height vertically) and named by their
// control identifiers (IDC_STATIC for unnamed ones); GetDlgItem(id) reaches the widget:
//   Static -> QLabel, Edit -> QLineEdit (scrolls as the user types), CheckBox -> QCheckBox,
//   PushButton / DefPushButton -> QPushButton, ListBox -> QListWidget (never sorted; with
//   LBS_MULTIPLESEL a plain click toggles an item), GroupBox -> QGroupBox (drawn behind the
//   others), Icon -> QLabel showing the icon resource named by the text.
//
// DoModal runs OnInitDialog (by default: UpdateData(false)), then a nested event loop until
// EndDialog, and returns the result (IDOK, IDCANCEL or what EndDialog got). A push button runs the
// dialog's command table entry for its identifier; without one, IDOK runs OnOK (by default:
// UpdateData(true), and EndDialog(IDOK) when that succeeded) and IDCANCEL runs OnCancel (by
// default EndDialog(IDCANCEL)). Escape and the window's close button run OnCancel as well.
// A dialog's commands stay in the dialog: they are not routed on to the frame or the view.
//
// UpdateData(save) runs DoDataExchange (see DataExchange.h); when a field is refused the message
// has been shown, the focus is back in that field with its text selected, and it returns false.

#include <QDialog>
#include <QString>
#include <vector>

#include "framework/Afx.h"
#include "framework/CCmdTarget.h"

class CDataExchange;

namespace framework {

enum class ControlKind {
    Static,
    Edit,
    CheckBox,
    PushButton,
    DefPushButton,
    ListBox,
    GroupBox,
    Icon
};

struct DialogControl {
    ControlKind kind;
    unsigned id;
    QString text;
    int x, y, cx, cy;    // dialog units
    unsigned style = 0;  // LBS_MULTIPLESEL for list boxes
};

struct DialogTemplate {
    QString title;
    int cx, cy;  // dialog units
    std::vector<DialogControl> controls;
};

}  // namespace framework

class CDialog : public QDialog, public CCmdTarget {
  public:
    // A dialog from a table, or an empty one (add controls with AddControl); the parent is the
    // main frame when none is given.
    explicit CDialog(const framework::DialogTemplate& dialogTemplate, QWidget* parent = nullptr);
    explicit CDialog(QWidget* parent = nullptr);
    ~CDialog() override;

    int DoModal();
    void EndDialog(int result);
    bool UpdateData(bool saveAndValidate = true);

    QWidget* GetDlgItem(unsigned id) const;
    void CheckDlgButton(unsigned id, int check);
    int IsDlgButtonChecked(unsigned id) const;
    // Creates one control from a table row.
    QWidget* AddControl(const framework::DialogControl& control);

  protected:
    virtual bool OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX) { (void)pDX; }

    void reject() override;

  private:
    void OnButton(unsigned id);
    int DialogUnitsX(int units) const;
    int DialogUnitsY(int units) const;
};
