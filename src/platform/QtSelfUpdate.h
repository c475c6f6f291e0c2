#pragma once
// The program's own update check on Qt Network: fetches the information file
// in the background (the call returns at once) and raises the event on the
// thread that asked, normally the GUI thread.

#include <QNetworkAccessManager>
#include <QPointer>
#include <string>

#include "core/SelfUpdate.h"

class QNetworkReply;

class QtSelfUpdate : public SelfUpdate {
  public:
    explicit QtSelfUpdate(std::string informationUrl = kUpdateInformationUrl,
                          std::string currentVersion = kSelfUpdateVersion, int timeoutMs = 15000);
    ~QtSelfUpdate() override;

    void SetEvents(SelfUpdateEvents* events) override { events_ = events; }
    void CheckUpdate(bool checkOnly) override;

    // Whether a check is still waiting for the host.
    bool Checking() const { return !reply_.isNull(); }

  private:
    void Finished(QNetworkReply* reply);

    const std::string informationUrl_;
    const std::string currentVersion_;
    const int timeoutMs_;
    SelfUpdateEvents* events_ = nullptr;
    QNetworkAccessManager manager_;
    QPointer<QNetworkReply> reply_;
};
