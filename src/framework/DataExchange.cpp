#include "framework/DataExchange.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QValidator>
#include <limits>

#include "framework/CDialog.h"
#include "framework/MessageBox.h"

namespace {

// Stops typing past `limit` characters without cutting a longer text that the field was given:
// a change is refused only when it makes the text longer and longer than the limit. The field
// validates its text after applying a change, so the length before it is tracked here.
class TypedLengthLimit final : public QValidator {
  public:
    TypedLengthLimit(QLineEdit* edit, int limit)
        : QValidator(edit), limit_(limit), length_(edit->text().size()) {
        connect(edit, &QLineEdit::textChanged, this,
                [this](const QString& text) { length_ = text.size(); });
    }
    void SetLimit(int limit) { limit_ = limit; }
    State validate(QString& input, int& position) const override {
        (void)position;
        return input.size() > length_ && input.size() > limit_ ? Invalid : Acceptable;
    }

  private:
    int limit_;
    qsizetype length_;
};

QString ControlText(const QWidget* control) {
    if (auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->text();
    if (auto* label = qobject_cast<const QLabel*>(control)) return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
    if (auto* group = qobject_cast<const QGroupBox*>(control)) return group->title();
    return {};
}

void SetControlText(QWidget* control, const QString& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
        group->setTitle(text);
    }
}

// A whole decimal number, optionally signed, blanks around it allowed, within the int range.
bool ParseInt(const QString& text, int& value) {
    static const QRegularExpression pattern(QStringLiteral("^[ \\t]*([+-]?[0-9]+)[ \\t]*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) return false;
    bool ok = false;
    const qlonglong number = match.captured(1).toLongLong(&ok);
    if (!ok || number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max())
        return false;
    value = static_cast<int>(number);
    return true;
}

}  // namespace

QWidget* CDataExchange::PrepareCtrl(unsigned id) {
    last_ = dialog_.GetDlgItem(id);
    return last_;
}

void CDataExchange::Fail(const QString& message) {
    AfxMessageBox(message, MB_ICONEXCLAMATION);
    failed_ = true;
    if (!last_) return;
    last_->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(last_)) edit->selectAll();
}

void DDX_Text(CDataExchange* pDX, unsigned id, QString& value) {
    if (pDX->Failed()) return;
    QWidget* control = pDX->PrepareCtrl(id);
    if (!control) return;
    if (pDX->m_bSaveAndValidate) {
        value = ControlText(control);
    } else {
        SetControlText(control, value);
    }
}

void DDX_Text(CDataExchange* pDX, unsigned id, std::string& value) {
    QString text = QString::fromStdString(value);
    DDX_Text(pDX, id, text);
    if (pDX->m_bSaveAndValidate && !pDX->Failed()) value = text.toStdString();
}

void DDX_Text(CDataExchange* pDX, unsigned id, int& value) {
    if (pDX->Failed()) return;
    QWidget* control = pDX->PrepareCtrl(id);
    if (!control) return;
    if (!pDX->m_bSaveAndValidate) {
        SetControlText(control, QString::number(value));
        return;
    }
    int parsed = 0;
    if (ParseInt(ControlText(control), parsed)) {
        value = parsed;
    } else {
        pDX->Fail(QStringLiteral("Please enter an integer."));
    }
}

void DDX_Check(CDataExchange* pDX, unsigned id, int& value) {
    if (pDX->Failed()) return;
    auto* button = qobject_cast<QAbstractButton*>(pDX->PrepareCtrl(id));
    if (!button) return;
    if (pDX->m_bSaveAndValidate) {
        value = button->isChecked() ? 1 : 0;
    } else {
        button->setChecked(value != 0);
    }
}

void DDV_MaxChars(CDataExchange* pDX, const QString& value, int maxChars) {
    if (pDX->Failed()) return;
    if (!pDX->m_bSaveAndValidate) {
        auto* edit = qobject_cast<QLineEdit*>(pDX->LastControl());
        if (!edit) return;
        if (auto* limit =
                dynamic_cast<TypedLengthLimit*>(const_cast<QValidator*>(edit->validator())))
            limit->SetLimit(maxChars);
        else
            edit->setValidator(new TypedLengthLimit(edit, maxChars));
        return;
    }
    if (value.size() > maxChars)
        pDX->Fail(QStringLiteral("Please enter no more than %1 characters.").arg(maxChars));
}

void DDV_MaxChars(CDataExchange* pDX, const std::string& value, int maxChars) {
    DDV_MaxChars(pDX, QString::fromStdString(value), maxChars);
}

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minValue, int maxValue) {
    if (pDX->Failed() || !pDX->m_bSaveAndValidate) return;
    if (value < minValue || value > maxValue) {
        pDX->Fail(QStringLiteral("Please enter an integer between %1 and %2.")
                      .arg(minValue)
                      .arg(maxValue));
    }
}

void DDV_MinMaxDouble(CDataExchange* pDX, double value, double minValue, double maxValue) {
    if (pDX->Failed() || !pDX->m_bSaveAndValidate) return;
    if (!(value >= minValue && value <= maxValue)) {
        pDX->Fail(QStringLiteral("Please enter a number between %1 and %2.")
                      .arg(minValue, 0, 'g', 15)
                      .arg(maxValue, 0, 'g', 15));
    }
}
