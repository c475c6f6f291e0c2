#include "platform/QtWebAccess.h"

#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkInformation>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <system_error>

#include "platform/PlatformPaths.h"

QtWebAccess::QtWebAccess() : QtWebAccess(Options{}) {}

QtWebAccess::QtWebAccess(Options options) : options_(options) {}

QtWebAccess::~QtWebAccess() = default;

QNetworkInformation* QtWebAccess::Information() {
    if (!informationTried_) {
        informationTried_ = true;
        QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    }
    return QNetworkInformation::instance();
}

bool QtWebAccess::InternetConnected() {
    if (!options_.AskSystemForConnection) return true;
    QNetworkInformation* info = Information();
    if (info == nullptr) return true;  // the system cannot tell; the download will
    const auto r = info->reachability();
    return r != QNetworkInformation::Reachability::Disconnected &&
           r != QNetworkInformation::Reachability::Local;
}

bool QtWebAccess::NetworkPresent() {
    if (!options_.AskSystemForConnection) return true;
    QNetworkInformation* info = Information();
    if (info == nullptr) return true;
    return info->reachability() != QNetworkInformation::Reachability::Disconnected;
}

std::filesystem::path QtWebAccess::DownloadingNameFor(const std::filesystem::path& target) {
    std::filesystem::path name = target.filename();
    name += ".download";
    return target.parent_path() / name;
}

bool QtWebAccess::DownloadUrlToFile(const std::string& url, const std::filesystem::path& target) {
    const QUrl address(QString::fromStdString(url), QUrl::TolerantMode);
    const QString scheme = address.scheme().toLower();
    if (!address.isValid() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https") &&
         scheme != QLatin1String("file"))) {
        return false;
    }
    if (target.filename().empty()) return false;

    const std::filesystem::path partialPath = DownloadingNameFor(target);
    QFile partial(FromPath(partialPath));
    if (!partial.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;

    QNetworkAccessManager manager;
    QNetworkRequest request(address);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(options_.MaxRedirects);
    request.setTransferTimeout(options_.StallMs);
    QNetworkReply* reply = manager.get(request);

    bool failed = false;
    qint64 received = 0;
    QEventLoop loop;
    QTimer stall;  // also watches the file scheme, which has no transfer timeout
    stall.setSingleShot(true);
    stall.setInterval(options_.StallMs);
    auto fail = [&] {
        if (failed) return;
        failed = true;
        reply->abort();
    };
    QObject::connect(&stall, &QTimer::timeout, &loop, fail);
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, [&] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > options_.MaxBytes) fail();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        stall.start();
        const QByteArray chunk = reply->readAll();
        received += chunk.size();
        if (received > options_.MaxBytes) {
            fail();
            return;
        }
        if (partial.write(chunk) != chunk.size()) fail();
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    stall.start();
    if (!reply->isFinished()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    stall.stop();

    if (!failed && reply->bytesAvailable() > 0) {
        const QByteArray rest = reply->readAll();
        received += rest.size();
        if (received > options_.MaxBytes || partial.write(rest) != rest.size()) failed = true;
    }
    if (reply->error() != QNetworkReply::NoError) failed = true;
    if (scheme != QLatin1String("file")) {
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        const int code = status.isValid() ? status.toInt() : 0;
        if (code < 200 || code > 299) failed = true;
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() != received) failed = true;  // cut short
    }
    reply->deleteLater();
    if (!partial.flush()) failed = true;
    partial.close();
    if (partial.error() != QFileDevice::NoError) failed = true;

    std::error_code ec;
    if (!failed) {
        std::filesystem::rename(partialPath, target, ec);
        if (!ec) return true;
    }
    std::filesystem::remove(partialPath, ec);
    return false;
}
