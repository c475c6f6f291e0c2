#include "SimBootloader.h"

#include <algorithm>
#include <stdexcept>

#include "SimFraming.h"

namespace {

constexpr uint8_t kDone = 0x91;
constexpr uint8_t kRefused = 0x92;
constexpr uint8_t kReadAddress = 0x9A;
constexpr uint8_t kReadData = 0x9B;
constexpr uint8_t kReadEnd = 0x9C;

constexpr int kMaxWriteBytes = 236;
// A code area larger than any breathalyser's is cut to this, so a wrong
// configuration cannot eat the machine's memory.
constexpr uint32_t kMaxFlashBytes = 16u << 20;

std::vector<uint8_t> Address4(uint32_t address) {
    return {static_cast<uint8_t>(address >> 24), static_cast<uint8_t>(address >> 16),
            static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address)};
}

std::vector<uint8_t> TextBytes(const std::string& text) {
    return {text.begin(), text.end()};
}

}  // namespace

void SimBootloader::Fit(const SimBootConfig& config) {
    if (fitted_ && start_ == config.FlashStart && end_ == config.FlashEnd) return;
    start_ = config.FlashStart;
    end_ = config.FlashEnd;
    fitted_ = true;
    const uint64_t size =
        end_ >= start_ ? std::min<uint64_t>(uint64_t{end_} - start_ + 1, kMaxFlashBytes) : 0;
    flash_.assign(static_cast<size_t>(size), 0xFF);
    programmed_.assign(static_cast<size_t>(size), false);
    if (config.StartsProgrammed) {
        // Some earlier firmware: anything but blank.
        for (size_t i = 0; i < flash_.size(); ++i) flash_[i] = static_cast<uint8_t>(i * 7 + 3);
        programmed_.assign(flash_.size(), true);
    }
    writeAddress_ = start_;
}

void SimBootloader::Reply(Answer& answer, const SimBootConfig& config, uint8_t command,
                          uint8_t status, const std::vector<uint8_t>& data, bool corrupt) {
    std::vector<uint8_t> body{command, status};
    body.insert(body.end(), data.begin(), data.end());
    std::vector<uint8_t> frame = BuildBootFrame(body);
    ++repliesInRun_;
    if (config.CorruptReply != 0 && !corruptReplyDone_ && repliesInRun_ == config.CorruptReply) {
        corruptReplyDone_ = true;
        corrupt = true;
    }
    if (corrupt) frame.back() = static_cast<uint8_t>(frame.back() ^ 0xFF);
    answer.Frames.push_back(std::move(frame));
}

void SimBootloader::Progress(Answer& answer, const SimBootConfig& config, uint8_t command,
                             uint32_t upTo) {
    const uint32_t step = std::max<uint32_t>(config.EraseStep, 1);
    for (uint64_t a = start_; a < upTo; a += step) {
        Reply(answer, config, command, kDone, Address4(static_cast<uint32_t>(a)));
    }
}

SimBootloader::Answer SimBootloader::Handle(const std::vector<uint8_t>& body,
                                            const SimBootConfig& config) {
    Fit(config);
    Answer answer;
    if (body.empty()) return answer;
    const uint8_t command = body[0];
    switch (command) {
        case 0x8B:
            // Every programming run begins here.
            repliesInRun_ = 0;
            dataFramesInRun_ = 0;
            codeWritten_ = false;
            Reply(answer, config, command, kDone, TextBytes(config.DeviceType));
            break;
        case 0x8C:
            Reply(answer, config, command, kDone, TextBytes(config.BootVersion));
            break;
        case 0x8D:
            Reply(answer, config, command, kDone, TextBytes(config.DeviceNumber));
            break;
        case 0x80:
            writeAddress_ = start_;
            codeComplete_ = false;
            Reply(answer, config, command, kDone);
            break;
        case 0x81:
            Reply(answer, config, command, kDone);
            break;
        case 0x82:
            Progress(answer, config, command, start_ + static_cast<uint32_t>(flash_.size()));
            std::fill(flash_.begin(), flash_.end(), uint8_t{0xFF});
            programmed_.assign(flash_.size(), false);
            Reply(answer, config, command, kDone);
            break;
        case 0x83: {
            const auto dirty =
                std::find_if(flash_.begin(), flash_.end(), [](uint8_t v) { return v != 0xFF; });
            const auto at = start_ + static_cast<uint32_t>(dirty - flash_.begin());
            Progress(answer, config, command, at);
            if (dirty == flash_.end()) {
                Reply(answer, config, command, kDone);
            } else {
                Reply(answer, config, command, kRefused, Address4(at));
            }
            break;
        }
        case 0x84: {
            const size_t count = body.size() - 1;
            uint32_t address = 0;
            for (size_t k = 1; k < body.size(); ++k) address = (address << 8) | body[k];
            const bool inside = count >= 2 && count <= 4 && address >= start_ &&
                                uint64_t{address} < uint64_t{start_} + flash_.size();
            if (inside) writeAddress_ = address;
            Reply(answer, config, command, inside ? kDone : kRefused);
            break;
        }
        case 0x85:
            HandleWrite(answer, config, body);
            break;
        case 0x86: {
            const bool ok = body.size() == 2 && body[1] == 0x71;
            if (ok && codeWritten_) codeComplete_ = true;
            Reply(answer, config, command, ok ? kDone : kRefused);
            break;
        }
        case 0x87: {
            uint16_t sum = CodeSum(config);
            if (config.WrongVerifySum) sum = static_cast<uint16_t>(sum + 1);
            Reply(answer, config, command, kDone,
                  {static_cast<uint8_t>(sum >> 8), static_cast<uint8_t>(sum & 0xFF)});
            break;
        }
        case 0x88:
            if (config.AckReset) Reply(answer, config, command, kDone);
            answer.Reset = true;
            break;
        case 0x8A:
            HandleRead(answer, config);
            break;
        default:
            Reply(answer, config, command, kRefused);
            break;
    }
    return answer;
}

void SimBootloader::HandleWrite(Answer& answer, const SimBootConfig& config,
                                const std::vector<uint8_t>& body) {
    const size_t count = body.size() - 1;
    if (config.RefuseDataFrame != 0 && config.RefuseTimes != 0 && !refuseDone_ &&
        dataFramesInRun_ + 1 == config.RefuseDataFrame) {
        if (++refusalsGiven_ >= config.RefuseTimes) refuseDone_ = true;
        Reply(answer, config, 0x85, kRefused);
        return;
    }
    const uint64_t offset = uint64_t{writeAddress_} - start_;
    if (count == 0 || count > kMaxWriteBytes || writeAddress_ < start_ ||
        offset + count > flash_.size()) {
        Reply(answer, config, 0x85, kRefused);
        return;
    }
    for (size_t k = 0; k < count; ++k) {
        flash_[offset + k] &= body[k + 1];  // programming clears bits, never sets them
        programmed_[offset + k] = true;
    }
    writeAddress_ += static_cast<uint32_t>(count);
    codeWritten_ = true;
    ++dataFramesInRun_;
    ++dataFramesReceived_;
    answer.Busy += config.DataFrameTime;

    bool corrupt = false;
    if (config.CorruptDataReply != 0 && !corruptDataDone_ &&
        dataFramesInRun_ == config.CorruptDataReply) {
        corruptDataDone_ = true;
        corrupt = true;
    }
    Reply(answer, config, 0x85, kDone, {}, corrupt);
    if (config.SilentAfterDataFrames != 0 && !silentDone_ &&
        dataFramesInRun_ == config.SilentAfterDataFrames) {
        silentDone_ = true;
        answer.FallSilent = true;
    }
}

void SimBootloader::HandleRead(Answer& answer, const SimBootConfig& config) {
    const uint32_t chunk = std::clamp<uint32_t>(config.ReadChunk, 1, 252);  // LEN stays <= 254
    size_t i = 0;
    while (i < flash_.size()) {
        if (!programmed_[i]) {
            ++i;
            continue;
        }
        Reply(answer, config, 0x8A, kReadAddress, Address4(start_ + static_cast<uint32_t>(i)));
        while (i < flash_.size() && programmed_[i]) {
            std::vector<uint8_t> data;
            while (i < flash_.size() && programmed_[i] && data.size() < chunk) {
                data.push_back(flash_[i++]);
            }
            Reply(answer, config, 0x8A, kReadData, data);
        }
    }
    Reply(answer, config, 0x8A, kReadEnd);
}

std::vector<uint8_t> SimBootloader::Flash(const SimBootConfig& config) {
    Fit(config);
    return flash_;
}

std::vector<std::pair<uint32_t, uint8_t>> SimBootloader::Programmed(const SimBootConfig& config) {
    Fit(config);
    std::vector<std::pair<uint32_t, uint8_t>> out;
    for (size_t i = 0; i < flash_.size(); ++i) {
        if (programmed_[i]) out.emplace_back(start_ + static_cast<uint32_t>(i), flash_[i]);
    }
    return out;
}

uint16_t SimBootloader::CodeSum(const SimBootConfig& config) {
    Fit(config);
    uint32_t sum = 0;
    for (size_t i = 0; i < flash_.size(); ++i) {
        if (programmed_[i]) sum += flash_[i];
    }
    return static_cast<uint16_t>(sum);
}

bool SimCodeAreaFromModelTable(const std::vector<std::string>& lines, const std::string& family,
                               const std::string& deviceType, uint32_t& start, uint32_t& end) {
    auto value = [](const std::string& line) {
        const auto eq = line.find('=');
        std::string v = eq == std::string::npos ? std::string() : line.substr(eq + 1);
        while (!v.empty() && (v.back() == '\r' || v.back() == ' ')) v.pop_back();
        return v;
    };
    // Files written on Windows keep their CR when read line by line elsewhere.
    auto bare = [](std::string line) {
        if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        return line;
    };
    const std::string header = "[" + family + "]";
    const std::string wanted = family + deviceType;
    auto it = std::find_if(lines.begin(), lines.end(),
                           [&](const std::string& line) { return bare(line) == header; });
    if (it == lines.end()) return false;
    for (size_t i = static_cast<size_t>(it - lines.begin()) + 1; i + 2 < lines.size(); i += 3) {
        if (bare(lines[i]).rfind('[', 0) == 0) break;
        if (value(lines[i]) != wanted) continue;
        try {
            start = static_cast<uint32_t>(std::stoul(value(lines[i + 1]), nullptr, 16));
            end = static_cast<uint32_t>(std::stoul(value(lines[i + 2]), nullptr, 16));
        } catch (const std::exception&) {
            return false;
        }
        return true;
    }
    return false;
}
