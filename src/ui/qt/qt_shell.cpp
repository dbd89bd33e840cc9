#include "ui/qt/qt_shell.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

#include "ui/qt/widgets.h"

namespace qv {

void QtShell::showMessageBox(const Text& text, const Text& caption) {
    QMessageBox box(QMessageBox::NoIcon, toQString(caption), toQString(text), QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

void QtShell::openUrl(const Text& url) {
    QDesktopServices::openUrl(QUrl(toQString(url), QUrl::StrictMode));
}

}  // namespace qv
