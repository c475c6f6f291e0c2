#pragma once
// The serial component: one port at a time, 115200 8N1 without flow control.
// Received blocks are handed to the receive handler in the order they were read,
// on the component's own I/O thread; a device that goes away while its port is
// open is reported to the device-gone handler on the same thread.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class Comm {
public:
    using ReceiveHandler = std::function<void(const uint8_t* buffer, size_t length)>;
    using DeviceGoneHandler = std::function<void()>;

    virtual ~Comm() = default;

    // Set once, before the first open.
    virtual void SetReceiveHandler(ReceiveHandler handler) = 0;

    // Called at most once per open, on the component's own thread, when the open
    // port reports that its device is gone (a port error such as an unplugged
    // adapter, or a hang-up of the other end). The port is closed by then: writes
    // fail and nothing more is received until the next open. The handler must
    // return at once and must not call the component. It may be replaced or
    // cleared (empty) at any time; when this returns, the previous handler is not
    // running and will not be called again. A component that cannot tell keeps
    // this default and never calls it.
    virtual void SetDeviceGoneHandler(DeviceGoneHandler handler) { (void)handler; }

    // Opens the named port at the given rate, 8 data bits, no parity, 1 stop
    // bit. Any failure (missing, in use, already open) gives false; nothing is
    // reported.
    virtual bool OpenCommon(const std::string& comport, int32_t buadrate) = 0;

    // Closes the port; does nothing when it is not open. When it returns, the
    // receive handler is not running and will not be called again until the
    // next open (unless this is called from inside the handler itself).
    virtual void StopComm() = 0;

    // Queues count bytes for writing. False when the port is not open or count is 0.
    virtual bool WriteCommData(const uint8_t* buffer, uint16_t count) = 0;
};
