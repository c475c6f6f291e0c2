#include "platform/gui/OpenUrl.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

void OpenUrl(const std::string& address) {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}
