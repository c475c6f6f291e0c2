#pragma once
// The serial component: one port at a time, 115200 8N1 without flow control.
// Received blocks are handed to the receive handler in the order they were read,
// on the component's own I/O thread.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class Comm {
public:
    using ReceiveHandler = std::function<void(const uint8_t* buffer, size_t length)>;

    virtual ~Comm() = default;

    // Set once, before the first open.
    virtual void SetReceiveHandler(ReceiveHandler handler) = 0;

    // Opens the named port at the given rate, 8 data bits, no parity, 1 stop
    // bit. Any failure (missing, in use, already open) gives false; nothing is
    // reported.
    virtual bool OpenCommon(const std::string& comport, int32_t buadrate) = 0;

    // Closes the port; does nothing when it is not open.
    virtual void StopComm() = 0;

    // Queues count bytes for writing. False when the port is not open or count is 0.
    virtual bool WriteCommData(const uint8_t* buffer, uint16_t count) = 0;
};
