#pragma once
// The machine's serial ports: on Windows the values of the registry key
// HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM in registry order, elsewhere
// Qt's list of serial ports as openable device paths (/dev/ttyUSB0). When ports
// were named explicitly (command line, tests), the list is exactly those.

#include <string>
#include <vector>

#include "core/SystemPorts.h"

class QtPortLister : public PortLister {
public:
    explicit QtPortLister(std::vector<std::string> explicitPorts = {});

    // Safe to call from any thread; each call asks the system afresh.
    std::vector<std::string> GetComPortList() override;

private:
    const std::vector<std::string> explicitPorts_;
};
