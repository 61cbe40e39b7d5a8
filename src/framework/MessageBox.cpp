#include "framework/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

#include "framework/CWinApp.h"

namespace {

// The test hook; empty for real boxes.
framework::MessageBoxHandler& Handler() {
    static framework::MessageBoxHandler handler;
    return handler;
}

QMessageBox::Icon IconOf(unsigned type) {
    switch (type & MB_ICONMASK) {
        case MB_ICONERROR:
            return QMessageBox::Critical;
        case MB_ICONWARNING:
            return QMessageBox::Warning;
        case MB_ICONINFORMATION:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

}  // namespace

int MessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned type) {
    const framework::MessageBoxRequest request{owner, text, caption, type};
    if (Handler()) return Handler()(request);
    QMessageBox box(IconOf(type), caption, text, QMessageBox::Ok, owner);
    box.exec();
    return IDOK;
}

int AfxMessageBox(const QString& text, unsigned type) {
    const CWinApp* app = AfxGetApp();
    return MessageBox(QApplication::activeWindow(), text,
                      app ? app->GetAppTitle() : QStringLiteral("Tabulon"), type);
}

namespace framework {

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    return std::exchange(Handler(), std::move(handler));
}

MessageBoxCapture::MessageBoxCapture()
    : previous_(SetMessageBoxHandler([this](const MessageBoxRequest& request) {
          boxes_.push_back(request);
          return IDOK;
      })) {}

MessageBoxCapture::~MessageBoxCapture() {
    SetMessageBoxHandler(std::move(previous_));
}

}  // namespace framework
