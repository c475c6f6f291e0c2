#include "link/Dispatch.h"

#include "core/SharedState.h"
#include "link/ConfigReports.h"
#include "link/DeviceReports.h"
#include "link/Download.h"
#include "link/FrameCodec.h"
#include "link/MemoryReports.h"

namespace {

// Frames the program only shows as a trace; they close any open operation.
void TraceOnly(SharedState& s) {
    FrameText(s);
    s.OperationState.store(0);
}

}  // namespace

void DispatchHighCommand(SharedState& s, uint8_t command) {
    switch (command) {
        case 0x80:
            RunStatusReport(s);
            s.OperationState.store(0);
            return;
        case 0x81:
            DeviceInfoReport(s);
            return;
        case 0x82:
            ClockReport(s);
            SendReply(s, 0x22);
            s.OperationState.store(0);
            return;
        case 0x83:
            RecordMemoryReport(s);
            return;
        case 0x84:
        case 0x85:
            RecordPacket(s, command);
            return;
        case 0x90:
        case 0x99:
            TraceOnly(s);
            return;
        case 0x9A:
        case 0x9B:
            DeleteReport(s);
            return;
        case 0x9C:
            FrameText(s);
            PrintHeaderReport(s);
            s.OperationState.store(0);
            return;
        default:
            // 0x86-0x8F, 0x91-0x98, 0x9D-0xFF: no reply, no state change.
            return;
    }
}

void DispatchLowCommand(SharedState& s, uint8_t command) {
    switch (command) {
        case 0x02:
        case 0x60:
        case 0x66:
        case 0x67:
        case 0x68:
        case 0x69:
        case 0x6B:
        case 0x6C:
        case 0x6D:
        case 0x6E:
            return;  // ignored
        case 0x61:
            SerialNumberReport(s);
            break;
        case 0x62:
            SettingsReport(s);
            break;
        case 0x63:
            SensorLedReport(s);
            break;
        case 0x65:
            StartLogoReport(s);
            break;
        case 0x6A:
            if (s.LinkMode.load() == 1)
                FirmwareInfoReport(s);
            else
                FullStatusReport(s);
            break;
        case 0x6F:
            FactoryResetReport(s);
            break;
        default:
            if (command >= 0x70) return;  // 0x70-0x7F ignored
            // 0x00, 0x01, 0x03-0x5F, 0x64
            TraceOnly(s);
            return;
    }
    s.OperationState.store(0);
}
