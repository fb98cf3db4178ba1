#include "freescale.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace korvane::sim {

namespace {

constexpr char kXon = 0x11;
constexpr char kXoff = 0x13;

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "GS-1.7.0" -> type "GS", version 1.7.0.
bool parseHeader(const std::string &text, std::string *type, Version *version)
{
    size_t dash = text.find('-');
    if (dash == std::string::npos || dash == 0 || dash > 3)
        return false;
    int parts[3];
    size_t pos = dash + 1;
    for (int i = 0; i < 3; ++i) {
        bool negative = pos < text.size() && text[pos] == '-';
        if (negative)
            ++pos;
        size_t start = pos;
        int value = 0;
        while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])) && value < 1000)
            value = value * 10 + (text[pos++] - '0');
        if (pos == start || value > 127 + (negative ? 1 : 0))
            return false;
        parts[i] = negative ? -value : value;
        if (i < 2) {
            if (pos >= text.size() || text[pos] != '.')
                return false;
            ++pos;
        }
    }
    if (pos != text.size())
        return false;
    *type = text.substr(0, dash);
    *version = Version{int8_t(parts[0]), int8_t(parts[1]), int8_t(parts[2])};
    return true;
}

} // namespace

FreescaleLoader::FreescaleLoader(Host &host, const GripperConfig &config, FreescaleStats &stats)
    : host_(host), config_(config), stats_(stats)
{
}

void FreescaleLoader::enter(TimePoint now)
{
    phase_ = Phase::Waiting;
    windowEnd_ = now + ms(config_.freescaleWindowMs);
    pending_.clear();
    line_.clear();
    xoff_ = false;
    sinceDot_ = 0;
    reportedEarly_ = false;
    endRecord_ = false;
    lost_ = false;
    errors_ = 0;
    programBytes_ = dataBytes_ = 0;
    drainCredit_ = 0;
    result_ = Result{};
    ++stats_.bannersPrinted;
    host_.fsSend(config_.freescaleBanner, now);
}

void FreescaleLoader::stop()
{
    phase_ = Phase::Idle;
    pending_.clear();
}

size_t FreescaleLoader::rxWindow()
{
    if (phase_ != Phase::Loading && phase_ != Phase::Waiting)
        return 1 << 20;
    stats_.hostFlowControl = host_.fsHostFlowControl();
    if (!stats_.hostFlowControl)
        return 1 << 20;
    size_t capacity = size_t(std::max(1, config_.freescaleBufferBytes));
    return capacity > pending_.size() ? capacity - pending_.size() : 0;
}

void FreescaleLoader::receive(uint8_t byte, TimePoint now)
{
    if (phase_ == Phase::Hung || phase_ == Phase::Idle)
        return;
    if (phase_ == Phase::Waiting) {
        phase_ = Phase::Loading;
        lastDrain_ = now;
        stats_.hostFlowControl = host_.fsHostFlowControl();
    }
    drain(now);
    lastRx_ = now;
    size_t capacity = size_t(std::max(1, config_.freescaleBufferBytes));
    if (pending_.size() >= capacity) {
        ++stats_.overflowBytes;
        lost_ = true;
        return;
    }
    pending_.push_back(char(byte));
    ++stats_.bytesReceived;

    const Faults &faults = host_.fsFaults();
    if (faults.freescaleReportFirst) {
        if (!reportedEarly_) {
            reportedEarly_ = true;
            host_.fsSend("\r\nLoaded 0x0000 Program and 0x0000 Data words\r\n", now);
            stats_.lastReport = "Loaded 0x0000 Program and 0x0000 Data words";
        }
    } else if (++sinceDot_ >= std::max(1, config_.freescaleBytesPerDot)) {
        sinceDot_ = 0;
        ++stats_.dotsPrinted;
        host_.fsSend(".", now);
    }
    if (!xoff_ && pending_.size() >= capacity * 3 / 4) {
        xoff_ = true;
        ++stats_.xoffSent;
        host_.fsSend(std::string(1, kXoff), now);
    }
}

void FreescaleLoader::drain(TimePoint now)
{
    if (phase_ != Phase::Loading)
        return;
    if (config_.freescaleDrainBytesPerSecond <= 0) {
        drainCredit_ = double(pending_.size());
    } else if (now > lastDrain_) {
        drainCredit_ += std::chrono::duration<double>(now - lastDrain_).count()
            * config_.freescaleDrainBytesPerSecond;
    }
    lastDrain_ = std::max(lastDrain_, now);
    // The epsilon keeps float rounding from leaving a byte one ulp short of
    // drained at the moment nextTimer() promised it.
    size_t n = std::min(pending_.size(), size_t(drainCredit_ + 1e-6));
    drainCredit_ -= double(n);
    if (pending_.empty())
        drainCredit_ = 0; // an idle buffer saves up no programming time
    for (size_t i = 0; i < n && phase_ == Phase::Loading; ++i) {
        char c = pending_[i];
        if (c == '\n' || c == '\r')
            parseLine();
        else
            line_.push_back(c);
    }
    pending_.erase(0, n);
    size_t capacity = size_t(std::max(1, config_.freescaleBufferBytes));
    if (xoff_ && pending_.size() <= capacity / 4) {
        xoff_ = false;
        ++stats_.xonSent;
        host_.fsSend(std::string(1, kXon), now);
    }
}

void FreescaleLoader::recordError()
{
    ++errors_;
    ++stats_.recordErrors;
}

void FreescaleLoader::parseLine()
{
    std::string line;
    line.swap(line_);
    if (line.empty() || endRecord_)
        return;
    if (line.size() < 4 || line[0] != 'S' || line.size() % 2 != 0) {
        recordError();
        return;
    }
    char type = line[1];
    std::vector<uint8_t> bytes;
    for (size_t i = 2; i + 1 < line.size(); i += 2) {
        int hi = hexValue(line[i]);
        int lo = hexValue(line[i + 1]);
        if (hi < 0 || lo < 0) {
            recordError();
            return;
        }
        bytes.push_back(uint8_t(hi << 4 | lo));
    }
    // count, address, data, checksum: count covers all but itself.
    unsigned sum = 0;
    for (uint8_t b : bytes)
        sum += b;
    size_t addressBytes = (type == '0' || type == '1' || type == '5' || type == '9') ? 2
        : (type == '2' || type == '6' || type == '8') ? 3
        : (type == '3' || type == '7') ? 4 : 0;
    if (addressBytes == 0 || bytes[0] != bytes.size() - 1 || bytes.size() < addressBytes + 2
        || (sum & 0xFF) != 0xFF) {
        recordError();
        return;
    }
    uint32_t address = 0;
    for (size_t i = 0; i < addressBytes; ++i)
        address = address << 8 | bytes[1 + i];
    size_t dataLength = bytes.size() - 2 - addressBytes;
    const uint8_t *data = bytes.data() + 1 + addressBytes;
    switch (type) {
    case '0': {
        std::string text(data, data + dataLength);
        text.erase(std::find(text.begin(), text.end(), '\0'), text.end());
        result_.hasHeaderVersion = parseHeader(text, &result_.typeCode, &result_.version);
        break;
    }
    case '1':
    case '2':
    case '3':
        (address >= kFreescaleDataSpace ? dataBytes_ : programBytes_) += long(dataLength);
        break;
    case '7':
    case '8':
    case '9':
        endRecord_ = true;
        break;
    default:
        break;
    }
}

void FreescaleLoader::tick(TimePoint now)
{
    if (phase_ == Phase::Waiting && now >= windowEnd_) {
        phase_ = Phase::Idle;
        host_.fsFinished(Result{}, now);
        return;
    }
    if (phase_ != Phase::Loading)
        return;
    drain(now);
    bool idleEnd = pending_.empty() && now >= lastRx_ + ms(config_.freescaleIdleEndMs);
    if ((endRecord_ && pending_.empty()) || idleEnd) {
        if (!line_.empty())
            parseLine();
        finish(now);
    }
}

TimePoint FreescaleLoader::nextTimer() const
{
    switch (phase_) {
    case Phase::Waiting:
        return windowEnd_;
    case Phase::Loading: {
        if (pending_.empty())
            return endRecord_ ? TimePoint{} : lastRx_ + ms(config_.freescaleIdleEndMs);
        if (config_.freescaleDrainBytesPerSecond <= 0)
            return TimePoint{};
        // Wake when the XON is due, or when the buffer has run dry; the
        // bytes in between need no moment of their own.
        double need = double(pending_.size());
        if (xoff_) {
            size_t capacity = size_t(std::max(1, config_.freescaleBufferBytes));
            need = double(pending_.size() - std::min(pending_.size(), capacity / 4));
        }
        need = std::max(need - drainCredit_, 0.0);
        return lastDrain_ + seconds(need / config_.freescaleDrainBytesPerSecond) + std::chrono::microseconds(1);
    }
    default:
        return never();
    }
}

void FreescaleLoader::finish(TimePoint now)
{
    const Faults &faults = host_.fsFaults();
    Result result = result_;
    if (faults.freescaleNoReport) {
        phase_ = Phase::Hung;
        result.outcome = Result::Hung;
        host_.fsFinished(result, now);
        return;
    }
    phase_ = Phase::Idle;
    if (reportedEarly_) {
        result.outcome = Result::StartFailed;
        host_.fsFinished(result, now);
        return;
    }
    char report[96];
    std::snprintf(report, sizeof report, "Loaded 0x%04lx Program and 0x%04lx Data words",
                  std::min(programBytes_ / 2, 0xFFFFL), std::min(dataBytes_ / 2, 0xFFFFL));
    stats_.lastReport = report;
    ++stats_.imagesLoaded;
    host_.fsSend(std::string("\r\n") + report + "\r\n", now);
    result.outcome = (lost_ || errors_ > 0) ? Result::Corrupt : Result::Loaded;
    host_.fsFinished(result, now);
}

} // namespace korvane::sim
