#pragma once
// The serial component on Qt SerialPort. The QSerialPort lives on an I/O thread
// of its own: opening and closing are carried there with a blocking call, writes
// are copied and queued to it, and every block read is handed to the receive
// handler on that thread, in the order it was read. A port error that means the
// device is gone (an unplugged adapter, a hang-up of the other end) closes the
// port and is reported to the device-gone handler, once per open.

#include <QObject>
#include <QThread>
#include <atomic>
#include <functional>
#include <mutex>

#include "core/Comm.h"

class QSerialPort;

// Owns the QSerialPort; every member runs on the I/O thread.
class SerialWorker : public QObject {
    Q_OBJECT
public:
    SerialWorker(std::atomic<bool>& open, const Comm::ReceiveHandler& handler,
                 std::function<void()> reportGone);

    bool Open(const QString& name, qint32 baudRate);
    void Close(bool flush = true);
    void Release();  // closes and deletes the port, before the thread ends
    void Write(const QByteArray& bytes);

private:
    void ReadAvailable();
    void OnError(int error);

    QSerialPort* port_ = nullptr;  // created on first use, on the I/O thread
    bool closing_ = false;
    bool gone_ = false;  // the device of the current open has been reported gone
    std::atomic<bool>& open_;
    const Comm::ReceiveHandler& handler_;
    std::function<void()> reportGone_;
};

class QtComm : public Comm {
public:
    QtComm();
    ~QtComm() override;
    QtComm(const QtComm&) = delete;
    QtComm& operator=(const QtComm&) = delete;

    void SetReceiveHandler(ReceiveHandler handler) override;
    void SetDeviceGoneHandler(DeviceGoneHandler handler) override;
    bool OpenCommon(const std::string& comport, int32_t buadrate) override;
    void StopComm() override;
    bool WriteCommData(const uint8_t* buffer, uint16_t count) override;

    // Closes the port and ends the I/O thread, waiting at most timeoutMs for it.
    // Later calls open nothing and write nothing.
    void Shutdown(int timeoutMs = 3000);

private:
    // Runs fn on the I/O thread and waits for it (directly when already there).
    template <typename Fn>
    void RunOnIoThread(Fn&& fn);
    void ReportDeviceGone();

    ReceiveHandler handler_;
    std::mutex goneLock_;  // held while the device-gone handler runs or is replaced
    DeviceGoneHandler goneHandler_;
    std::atomic<bool> open_{false};
    std::atomic<bool> shutDown_{false};
    std::mutex controlLock_;  // one open or close at a time
    QThread ioThread_;
    SerialWorker* worker_ = nullptr;  // lives on ioThread_, deleted when it finishes
};
