#include <algorithm>
#include <iterator>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

#include "config/ModelTable.h"
#include "core/SharedState.h"
#include "core/TextTable.h"
#include "core/Ui.h"
#include "firmware/BootFrames.h"
#include "firmware/BootImage.h"
#include "firmware/BootProtocol.h"
#include "firmware/BootTexts.h"
#include "firmware/CodeFile.h"
#include "firmware/FirmwareStore.h"

namespace {

constexpr uint8_t kStartRefused = 0x44;

void Refuse(SharedState& s, const TextRef& text) {
    s.ui.LogLine(Text(s.Texts, text));
    s.FlashResult.store(kStartRefused);
}

}  // namespace

void StartFirmwareUpdate(SharedState& s) {
    StartFirmwareUpdate(s, FirmwareImages{s.Firmware.Store, [&s](uint8_t modelType) {
                                              return LoadModelFirmware(s, modelType) ==
                                                     FirmwareLoad::Loaded;
                                          }});
}

void StartFirmwareUpdate(SharedState& s, const FirmwareImages& images) {
    BootState& b = s.Boot;
    {
        std::lock_guard lock(b.Lock);
        b.BootRxState = 0;
        b.BootRxSum = 0;
        b.BootRxIndex = 0;
        b.BootRxLength = 0;
        b.WriteRetries = 0;
        b.FlashAddress = 0;
        b.FlashEnd = 0;
        b.FlashStart = 0;
        b.FlashSpan = 1;
        // Until the first request is out, nothing received belongs to this run.
        b.RunEnded = true;
        b.BootTxLength = 0;
        b.DataFrameRepeated = false;
        b.ResetSentAfterVerify.store(false);
        b.LastRunUnfinished.store(true);
    }

    std::string deviceModel;
    {
        std::lock_guard lock(s.InfoLock);
        deviceModel = s.DeviceInfo.Model;
    }
    const auto modelType = static_cast<uint8_t>(ModelTypeOf(deviceModel));
    s.FirmwareModelType.store(modelType);
    if (modelType < 1 || modelType > 3) {
        s.FirmwareModelType.store(0);
        Refuse(s, kInvalidModelText);
        return;
    }

    // Without a store there is no image to write (and no folder to look in).
    if (images.FirmwareStore.empty()) {
        Refuse(s, kFirmwareMissingText);
        return;
    }
    const std::filesystem::path image = images.FirmwareStore / DecodedImageName(modelType);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(image, ec)) {
        // Rebuilding the image also makes that model's code file the current firmware.
        if (!images.LoadModelFirmware || !images.LoadModelFirmware(modelType)) {
            Refuse(s, kFirmwareMissingText);
            return;
        }
    }

    // The reader writes the model and the MCU family together, under the lock.
    const CurrentFirmware current = CurrentFirmwareOf(s);
    if (ModelTypeOf(current.Model) != modelType) {
        s.FirmwareModelType.store(0);
        Refuse(s, kInvalidModelText);
        return;
    }

    std::vector<std::string> lines;
    ReadDecodedImage(image, lines);
    const size_t count = std::max<size_t>(lines.size(), 1);
    s.ui.LogLine(Text(s.Texts, kFileSizeText) + std::to_string((count - 1) * 16) +
                 Text(s.Texts, kBytesText));

    std::lock_guard lock(b.Lock);
    b.McuType = current.McuType;
    b.ImagePath = image;
    b.ModelType = modelType;
    static constexpr uint8_t kStart[] = {0x1B, 0x1B, 0x1B, 0x00, 0xFE, 0x01, 0x8B, 0x8C};
    std::copy(std::begin(kStart), std::end(kStart), b.BootTxFrame.begin());
    b.BootTxLength = static_cast<int32_t>(std::size(kStart));
    b.RunEnded = false;
    SendBootFrame(s);
}
