#pragma once
// The web access on Qt Network. A download runs a local event loop on the
// calling thread until the transfer has ended: on the GUI thread the windows
// keep repainting and the effects of other threads keep arriving, while the
// user's clicks and keys wait until it is over, so no second operation can
// start meanwhile.

#include <QtGlobal>
#include <memory>

#include "core/WebAccess.h"

class QNetworkInformation;

class QtWebAccess : public WebAccess {
  public:
    struct Options {
        int StallMs = 30000;                 // a transfer with no data for this long fails
        qint64 MaxBytes = 16 * 1024 * 1024;  // a larger body is refused
        bool AskSystemForConnection = true;  // false: both connection queries say yes
        int MaxRedirects = 10;
    };

    QtWebAccess();
    explicit QtWebAccess(Options options);
    ~QtWebAccess() override;

    bool InternetConnected() override;
    bool NetworkPresent() override;
    bool DownloadUrlToFile(const std::string& url, const std::filesystem::path& target) override;

    // The temporary file a download writes before it is renamed to target.
    static std::filesystem::path DownloadingNameFor(const std::filesystem::path& target);

  private:
    // The system's connection information, or nullptr where no backend loads.
    QNetworkInformation* Information();

    Options options_;
    bool informationTried_ = false;
};
