#include "platform/QtComm.h"

#include <QByteArray>
#include <QSemaphore>
#include <QSerialPort>

#include <memory>
#include <utility>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace {

// True when the other end of the open port has hung up (the master of a
// pseudo-terminal closed, a USB adapter went away): from then on the port
// always looks readable and every read gives nothing.
bool HungUp(QSerialPort& port) {
#ifdef Q_OS_UNIX
    pollfd p{static_cast<int>(port.handle()), POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
    (void)port;
    return false;
#endif
}

}  // namespace

SerialWorker::SerialWorker(std::atomic<bool>& open, const Comm::ReceiveHandler& handler,
                           std::function<void()> reportGone)
    : open_(open), handler_(handler), reportGone_(std::move(reportGone)) {}

bool SerialWorker::Open(const QString& name, qint32 baudRate) {
    if (!port_) {
        port_ = new QSerialPort(this);
        connect(port_, &QSerialPort::readyRead, this, &SerialWorker::ReadAvailable);
        connect(port_, &QSerialPort::errorOccurred, this,
                [this](QSerialPort::SerialPortError error) { OnError(error); });
    }
    if (port_->isOpen()) return false;  // one port at a time, like the component it replaces

    port_->setPortName(name);
    if (!port_->setBaudRate(baudRate)) return false;
    port_->setDataBits(QSerialPort::Data8);
    port_->setParity(QSerialPort::NoParity);
    port_->setStopBits(QSerialPort::OneStop);
    port_->setFlowControl(QSerialPort::NoFlowControl);
    if (!port_->open(QIODevice::ReadWrite)) return false;

    // Pseudo-terminals and some USB bridges have no modem lines; a refusal here
    // does not make the port unusable.
    port_->setDataTerminalReady(false);
    port_->setRequestToSend(false);
    port_->clear(QSerialPort::AllDirections);
    port_->clearError();
    gone_ = false;
    open_.store(true);
    return true;
}

void SerialWorker::Close(bool flush) {
    open_.store(false);
    if (!port_ || !port_->isOpen() || closing_) return;
    closing_ = true;
    // Let the last queued frame (often a reset request) leave before closing.
    if (flush && port_->bytesToWrite() > 0) port_->waitForBytesWritten(200);
    port_->close();
    closing_ = false;
}

void SerialWorker::Release() {
    Close();
    delete port_;
    port_ = nullptr;
}

void SerialWorker::Write(const QByteArray& bytes) {
    if (!port_ || !port_->isOpen()) return;
    port_->write(bytes);
}

void SerialWorker::ReadAvailable() {
    if (!port_) return;
    char block[4096];
    for (;;) {
        const qint64 n = port_->read(block, sizeof block);
        if (n <= 0) break;
        if (handler_) handler_(reinterpret_cast<const uint8_t*>(block), static_cast<size_t>(n));
    }
}

void SerialWorker::OnError(int error) {
    // The device was unplugged, or the other end of a virtual port went away.
    // A hang-up shows as a read error (the read gives nothing) again and again
    // for as long as the port stays open: it is a lost device, not "nothing to
    // read". Nothing more can be read or written, and the search must be free to
    // open the port again. The port is closed once its own error handling has
    // returned.
    if (!port_ || !port_->isOpen() || closing_ || gone_) return;
    const bool lost =
        error == QSerialPort::ResourceError ||
        ((error == QSerialPort::ReadError || error == QSerialPort::WriteError) && HungUp(*port_));
    if (!lost) return;
    gone_ = true;
    open_.store(false);
    QMetaObject::invokeMethod(this, [this] { Close(false); }, Qt::QueuedConnection);
    if (reportGone_) reportGone_();
}

QtComm::QtComm() {
    ioThread_.setObjectName(QStringLiteral("serial-io"));
    worker_ = new SerialWorker(open_, handler_, [this] { ReportDeviceGone(); });
    worker_->moveToThread(&ioThread_);
    ioThread_.start();
}

QtComm::~QtComm() {
    Shutdown();
    delete worker_;
}

template <typename Fn>
void QtComm::RunOnIoThread(Fn&& fn) {
    if (QThread::currentThread() == &ioThread_) {
        fn();
        return;
    }
    std::lock_guard lock(controlLock_);
    if (shutDown_.load()) return;
    QMetaObject::invokeMethod(worker_, std::forward<Fn>(fn), Qt::BlockingQueuedConnection);
}

void QtComm::SetReceiveHandler(ReceiveHandler handler) { handler_ = std::move(handler); }

void QtComm::SetDeviceGoneHandler(DeviceGoneHandler handler) {
    std::lock_guard lock(goneLock_);
    goneHandler_ = std::move(handler);
}

void QtComm::ReportDeviceGone() {
    // Under the lock: once a new handler has been set, the old one is not running.
    std::lock_guard lock(goneLock_);
    if (goneHandler_) goneHandler_();
}

bool QtComm::OpenCommon(const std::string& comport, int32_t buadrate) {
    bool opened = false;
    const QString name = QString::fromStdString(comport);
    RunOnIoThread([&] { opened = worker_->Open(name, buadrate); });
    return opened;
}

void QtComm::StopComm() {
    // Always through the I/O thread, also when the port already looks closed
    // (after a lost device): when this returns, no receive handler is running.
    RunOnIoThread([this] { worker_->Close(); });
}

bool QtComm::WriteCommData(const uint8_t* buffer, uint16_t count) {
    if (!open_.load() || count == 0 || buffer == nullptr) return false;
    QByteArray bytes(reinterpret_cast<const char*>(buffer), count);
    QMetaObject::invokeMethod(
        worker_, [w = worker_, bytes = std::move(bytes)] { w->Write(bytes); },
        Qt::QueuedConnection);
    return true;
}

void QtComm::Shutdown(int timeoutMs) {
    {
        std::lock_guard lock(controlLock_);
        if (shutDown_.exchange(true)) return;
    }
    if (QThread::currentThread() == &ioThread_) {
        worker_->Release();
        ioThread_.quit();
    } else if (ioThread_.isRunning()) {
        QDeadlineTimer deadline(timeoutMs);
        auto released = std::make_shared<QSemaphore>();
        QMetaObject::invokeMethod(
            worker_,
            [w = worker_, released] {
                w->Release();
                released->release();
            },
            Qt::QueuedConnection);
        released->tryAcquire(1, static_cast<int>(deadline.remainingTime()));
        ioThread_.quit();
        if (!ioThread_.wait(deadline)) {
            // A driver that hangs in close must not keep the program from ending.
            ioThread_.terminate();
            ioThread_.wait();
        }
    }
    open_.store(false);
}
