#pragma once
// Message boxes: a modal box with a text, a caption, an icon (MB_ICONWARNING / MB_ICONEXCLAMATION,
// MB_ICONINFORMATION, MB_ICONERROR) and one OK button; the result is IDOK. AfxMessageBox uses the
// application's title as caption and the active window as owner.
//
// Test hook: SetMessageBoxHandler installs a function that receives every box instead of the
// screen (and returns its result); it returns the previous handler. An empty handler restores
// the real boxes. MessageBoxCapture installs one for its lifetime and records the boxes.

#include <QString>
#include <functional>
#include <vector>

#include "framework/Afx.h"

class QWidget;

int MessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned type = MB_OK);
int AfxMessageBox(const QString& text, unsigned type = MB_OK);

namespace framework {

struct MessageBoxRequest {
    QWidget* owner;
    QString text;
    QString caption;
    unsigned type;
};

using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

class MessageBoxCapture {
  public:
    MessageBoxCapture();
    ~MessageBoxCapture();
    MessageBoxCapture(const MessageBoxCapture&) = delete;
    MessageBoxCapture& operator=(const MessageBoxCapture&) = delete;

    const std::vector<MessageBoxRequest>& Boxes() const { return boxes_; }
    QString LastText() const { return boxes_.empty() ? QString() : boxes_.back().text; }

  private:
    std::vector<MessageBoxRequest> boxes_;
    MessageBoxHandler previous_;
};

}  // namespace framework
