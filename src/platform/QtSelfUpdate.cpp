#include "platform/QtSelfUpdate.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>
#include <vector>

#include "core/TextTable.h"

namespace {
// An information file is a few lines; anything much larger is not one.
constexpr qint64 kMaxInformationBytes = 64 * 1024;
}  // namespace

QtSelfUpdate::QtSelfUpdate(std::string informationUrl, std::string currentVersion, int timeoutMs)
    : informationUrl_(std::move(informationUrl)),
      currentVersion_(std::move(currentVersion)),
      timeoutMs_(timeoutMs) {}

QtSelfUpdate::~QtSelfUpdate() {
    if (reply_) {
        reply_->disconnect();
        reply_->abort();
    }
}

void QtSelfUpdate::CheckUpdate(bool checkOnly) {
    (void)checkOnly;     // nothing is ever installed by itself: both modes only check
    if (reply_) return;  // one check at a time
    QNetworkRequest request(QUrl(QString::fromStdString(informationUrl_)));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(timeoutMs_);
    QNetworkReply* reply = manager_.get(request);
    reply_ = reply;
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [reply](qint64 received, qint64) {
                         if (received > kMaxInformationBytes) reply->abort();
                     });
    QObject::connect(reply, &QNetworkReply::finished, reply, [this, reply] { Finished(reply); });
}

void QtSelfUpdate::Finished(QNetworkReply* reply) {
    reply->deleteLater();
    reply_ = nullptr;
    // An unreachable host or a file that is not valid shows nothing.
    if (reply->error() != QNetworkReply::NoError || events_ == nullptr) return;
    const QByteArray body = reply->readAll();
    if (body.size() > kMaxInformationBytes) return;
    UpdateInformation info;
    if (!ParseUpdateInformation(DecodeTextLines(body.toStdString()), info)) return;
    if (CompareVersionNumbers(info.Version, currentVersion_) > 0) {
        events_->UpdateAvailable(info);
    } else {
        events_->NoUpdateAvailable();
    }
}
