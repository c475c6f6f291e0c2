#pragma once
// A serial component that is never opened: the results code needs a SharedState
// but no port.

#include "app/Comm.h"

class NullComm : public Comm {
public:
    void SetReceiveHandler(ReceiveHandler) override {}
    bool OpenCommon(const std::string&, int32_t) override { return false; }
    void StopComm() override {}
    bool WriteCommData(const uint8_t*, uint16_t) override { return false; }
};
