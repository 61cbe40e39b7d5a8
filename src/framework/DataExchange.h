#pragma once
// Dialog data exchange: moving values between a dialog's members and its controls, and checking
// them, inside CDialog::DoDataExchange:
//
//     void CSetTempoDlg::DoDataExchange(CDataExchange* pDX) {
//         DDX_Text(pDX, 1002, tempoText);
//         DDV_MaxChars(pDX, tempoText, 8);
//     }
//
// Loading (m_bSaveAndValidate false) puts each value into its control; saving reads the controls
// back and validates. A refused value shows its warning message box, and marks the exchange
// failed: the focus goes back to the control, an edit field's text is selected, every later
// DDX/DDV call of that exchange does nothing, and UpdateData returns false.
//
// - DDX_Text with a text: the control's text (edit field, static text or button label).
// - DDX_Text with an int: decimal text; on save a whole number, optionally signed, with blanks
//   before or after, within the int range, else "Please enter an integer.".
// - DDX_Check: a check box's mark, 0 or 1.
// - DDV_MaxChars(n): on load the field then takes at most n typed characters (longer text
//   already there is shown in full); on save a longer text gives
//   "Please enter no more than %1 characters." with %1 = n.
// - DDV_MinMaxInt(min, max): on save a value outside gives
//   "Please enter an integer between %1 and %2." with %1 = min, %2 = max.
// - DDV_MinMaxDouble(min, max): likewise for a number, "Please enter a number between %1 and %2."
//   with the bounds written in full (no exponent); a NaN is outside every range.
// The DDV checks apply to the control of the DDX call just before them.

#include <QString>
#include <string>

class CDialog;
class QWidget;

class CDataExchange {
  public:
    CDataExchange(CDialog& dialog, bool saveAndValidate)
        : m_bSaveAndValidate(saveAndValidate), dialog_(dialog) {}

    const bool m_bSaveAndValidate;

    // The control `id` becomes the one later DDV calls and a failure refer to.
    QWidget* PrepareCtrl(unsigned id);
    QWidget* LastControl() const { return last_; }
    // Shows `message` in a warning box and marks the exchange failed.
    void Fail(const QString& message);
    bool Failed() const { return failed_; }

  private:
    CDialog& dialog_;
    QWidget* last_ = nullptr;
    bool failed_ = false;
};

void DDX_Text(CDataExchange* pDX, unsigned id, QString& value);
void DDX_Text(CDataExchange* pDX, unsigned id, std::string& value);
void DDX_Text(CDataExchange* pDX, unsigned id, int& value);
void DDX_Check(CDataExchange* pDX, unsigned id, int& value);
void DDV_MaxChars(CDataExchange* pDX, const QString& value, int maxChars);
void DDV_MaxChars(CDataExchange* pDX, const std::string& value, int maxChars);
void DDV_MinMaxInt(CDataExchange* pDX, int value, int minValue, int maxValue);
void DDV_MinMaxDouble(CDataExchange* pDX, double value, double minValue, double maxValue);
