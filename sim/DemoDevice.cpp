#include "DemoDevice.h"

#include "SimRecords.h"

VirtualBreathalyser& AddDemoDevice(SimComm& comm, size_t records) {
    SimDeviceConfig config;
    config.Records = GenerateRecords(2024, records);
    return comm.AddDevice(kDemoPortName, config);
}
