#pragma once
// Runs the stand-alone virtual breathalyser on a pseudo-terminal for the length
// of a test and tells the name of its port.

#include <QProcess>
#include <QString>
#include <QStringList>

class Brevsim {
public:
    explicit Brevsim(const QStringList& arguments) {
        process_.setProgram(QStringLiteral(BREV_BIN_DIR "/brevsim"));
        process_.setArguments(arguments);
        process_.start();
        if (process_.waitForStarted(5000) && process_.waitForReadyRead(5000))
            port_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
    }
    ~Brevsim() {
        process_.terminate();
        if (!process_.waitForFinished(3000)) process_.kill();
        process_.waitForFinished(3000);
    }
    Brevsim(const Brevsim&) = delete;
    Brevsim& operator=(const Brevsim&) = delete;

    // The pseudo-terminal the program opens, e.g. /dev/pts/3; empty when it did not start.
    const QString& Port() const { return port_; }

private:
    QProcess process_;
    QString port_;
};
