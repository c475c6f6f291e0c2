#pragma once
// A serial component without any port: every open fails and nothing is written.
// For tests whose code needs a SharedState but never a device.

#include "core/Comm.h"

class NullComm : public Comm {
public:
    void SetReceiveHandler(ReceiveHandler) override {}
    bool OpenCommon(const std::string&, int32_t) override { return false; }
    void StopComm() override {}
    bool WriteCommData(const uint8_t*, uint16_t) override { return false; }
};
