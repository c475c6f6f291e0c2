#pragma once
// A serial component without any port: every open fails, nothing is written.

#include "app/Comm.h"

class NoPort : public Comm {
  public:
    void SetReceiveHandler(ReceiveHandler) override {}
    bool OpenCommon(const std::string&, int32_t) override { return false; }
    void StopComm() override {}
    bool WriteCommData(const uint8_t*, uint16_t) override { return false; }
};
