#pragma once
// A small HTTP server on 127.0.0.1 for the download tests, on a thread of its
// own. Each path answers in one of a few ways: a whole body, a redirect, an
// error status, a body that stalls, a body cut short, or a body without a
// length. It records every path asked for and stops with the test.

#include <QByteArray>
#include <QHostAddress>
#include <QMutex>
#include <QSemaphore>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <map>
#include <memory>

struct HttpAnswer {
    enum Kind { Whole, Status, Redirect, Stall, Cut, NoLength, ClaimHuge };
    Kind kind = Whole;
    QByteArray body;
    int status = 200;
    QByteArray location = {};  // Redirect
};

class LoopbackHttpServer : public QThread {
  public:
    LoopbackHttpServer() {
        start();
        ready_.acquire();
    }
    ~LoopbackHttpServer() override {
        quit();
        wait(10000);
    }

    void Route(const QByteArray& path, HttpAnswer answer) {
        QMutexLocker lock(&mutex_);
        routes_[path] = std::move(answer);
    }
    std::string Url(const char* path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    QStringList Requests() const {
        QMutexLocker lock(&mutex_);
        return requests_;
    }
    quint16 Port() const { return port_; }

  protected:
    void run() override {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        port_ = server.serverPort();
        QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
            while (QTcpSocket* socket = server.nextPendingConnection()) Serve(socket);
        });
        ready_.release();
        exec();
    }

  private:
    void Serve(QTcpSocket* socket) {
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            *buffer += socket->readAll();
            const int end = buffer->indexOf("\r\n\r\n");
            if (end < 0) return;
            const QList<QByteArray> words = buffer->left(buffer->indexOf("\r\n")).split(' ');
            buffer->clear();
            Answer(socket, words.size() > 1 ? words[1] : QByteArray("/"));
        });
    }

    void Answer(QTcpSocket* socket, const QByteArray& path) {
        HttpAnswer a;
        bool found = false;
        {
            QMutexLocker lock(&mutex_);
            requests_.append(QString::fromLatin1(path));
            const auto it = routes_.find(path);
            if (it != routes_.end()) {
                a = it->second;
                found = true;
            }
        }
        if (!found) a = {HttpAnswer::Status, "no such file", 404, {}};
        auto head = [&](int status, const char* reason, qint64 length) {
            QByteArray h = "HTTP/1.1 " + QByteArray::number(status) + " " + reason + "\r\n";
            if (length >= 0) h += "Content-Length: " + QByteArray::number(length) + "\r\n";
            if (!a.location.isEmpty()) h += "Location: " + a.location + "\r\n";
            return h + "Connection: close\r\n\r\n";
        };
        auto closeWhenWritten = [socket] {
            QObject::connect(socket, &QTcpSocket::bytesWritten, socket, [socket] {
                if (socket->bytesToWrite() == 0) socket->disconnectFromHost();
            });
        };
        switch (a.kind) {
            case HttpAnswer::Whole:
                socket->write(head(200, "OK", a.body.size()) + a.body);
                closeWhenWritten();
                break;
            case HttpAnswer::Status:
                socket->write(head(a.status, "Error", a.body.size()) + a.body);
                closeWhenWritten();
                break;
            case HttpAnswer::Redirect:
                socket->write(head(302, "Found", 0));
                closeWhenWritten();
                break;
            case HttpAnswer::Stall:  // a part of the body, then silence with the line open
                socket->write(head(200, "OK", a.body.size() * 4) + a.body);
                break;
            case HttpAnswer::Cut:  // a part of the body, then the line closes
                socket->write(head(200, "OK", a.body.size() * 4) + a.body);
                closeWhenWritten();
                break;
            case HttpAnswer::NoLength:  // the body ends when the line closes
                socket->write(head(200, "OK", -1) + a.body);
                closeWhenWritten();
                break;
            case HttpAnswer::ClaimHuge:
                socket->write(head(200, "OK", 17 * 1024 * 1024) + a.body);
                break;
        }
    }

    mutable QMutex mutex_;
    std::map<QByteArray, HttpAnswer> routes_;
    QStringList requests_;
    QSemaphore ready_;
    quint16 port_ = 0;
};
