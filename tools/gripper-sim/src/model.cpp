#include "model.h"

#include <algorithm>
#include <cstring>

namespace korvane::sim {

namespace {

constexpr uint8_t kSlave = 9;
constexpr uint16_t kVersionRegister = 500;
constexpr uint16_t kRebootRegister = 400;
constexpr uint16_t kSecondaryVersionRegister = 3500;
constexpr uint16_t kSecondaryRebootRegister = 3400;
constexpr uint16_t kRebootValue = 0x2A00;

constexpr uint8_t kIllegalFunction = 0x01;
constexpr uint8_t kIllegalAddress = 0x02;
constexpr uint8_t kIllegalValue = 0x03;
constexpr uint8_t kGatewayTargetFailed = 0x0B;

bool isStm32Kind(Kind kind)
{
    switch (kind) {
    case Kind::GC: case Kind::GD: case Kind::GU: case Kind::GV: case Kind::CH:
    case Kind::K01: case Kind::GB1: case Kind::K01WithGB1:
        return true;
    default:
        return false;
    }
}

std::string defaultTypeCode(Kind kind)
{
    switch (kind) {
    case Kind::GC: return "GC3";
    case Kind::GD: return "GD";
    case Kind::GU: return "GU";
    case Kind::GV: return "GV";
    case Kind::CH: return "CH";
    case Kind::K01: case Kind::K01WithGB1: return "K01";
    case Kind::GB1: return "GB1";
    case Kind::GS: case Kind::GSX: return "GS";
    default: return "";
    }
}

void copyType(const std::string &code, uint8_t out[3])
{
    for (size_t i = 0; i < 3; ++i)
        out[i] = i < code.size() ? uint8_t(code[i]) : 0;
}

std::string typeText(const uint8_t type[3])
{
    std::string text;
    for (int i = 0; i < 3 && type[i] != 0; ++i)
        text.push_back(char(type[i]));
    return text;
}

uint16_t be16(const Bytes &b, size_t at)
{
    return uint16_t(b[at] << 8 | b[at + 1]);
}

void appendCrc(Bytes &frame)
{
    uint16_t crc = modbusCrc(frame.data(), frame.size());
    frame.push_back(uint8_t(crc & 0xFF));
    frame.push_back(uint8_t(crc >> 8));
}

// Length of a request frame that starts at buf[p], from its function code;
// 0 when it cannot be known yet (the rest of the chunk is tried instead).
size_t requestLength(const Bytes &buf, size_t p)
{
    if (p + 2 > buf.size())
        return 0;
    switch (buf[p + 1]) {
    case 0x01: case 0x02: case 0x03: case 0x04: case 0x05: case 0x06:
        return 8;
    case 0x0F: case 0x10:
        return p + 7 <= buf.size() ? 9 + size_t(buf[p + 6]) : 0;
    default:
        return 0;
    }
}

} // namespace

struct DeviceModel::Unit : RomBootloader::Host {
    Unit(DeviceModel &model, int index, bool twoMiB, uint32_t mainAddress, uint16_t chipId,
         bool legacyErase, bool bootToRom)
        : model(model), index(index), flash(twoMiB), mainAddress(mainAddress),
          rom(*this, flash, chipId, legacyErase, log, uniqueIdOf(model.config_, index)), bootToRom(bootToRom)
    {
    }

    bool ownsLine() const { return model.lineUnit() == this; }

    void romSend(const Bytes &bytes, TimePoint notBefore) override
    {
        if (ownsLine())
            model.line_.send(bytes, notBefore);
    }
    void romJump(uint32_t address, TimePoint now) override
    {
        model.resetUnit(*this, model.line_.txIdleAt(now),
                        [this, address](TimePoint t) { model.jump(*this, address, t); });
    }
    void romReset(TimePoint now) override
    {
        model.resetUnit(*this, model.line_.txIdleAt(now), [this](TimePoint t) { model.boot(*this, t); });
    }
    void romPowerLoss(TimePoint) override { model.powerOff(); }
    const Faults &romFaults() const override { return model.faults_; }
    const Pacing &romPacing() const override { return model.line_.pacing(); }

    DeviceModel &model;
    int index;
    Flash flash;
    uint32_t mainAddress;
    RomLog log;
    RomBootloader rom;
    bool bootToRom;
    State state = State::Off;
    unsigned serial = 0;       // bumped on every state change: stale timers see it
    uint8_t type[3] = {0, 0, 0};
    Version version;
};

DeviceModel::DeviceModel(const GripperConfig &config, Line &line)
    : config_(config), line_(line), loader_(*this, config, freescaleStats)
{
    std::string type = config.typeCode.empty() ? defaultTypeCode(config.kind) : config.typeCode;
    if (isStm32Kind(config.kind)) {
        bool ch = config.kind == Kind::CH;
        uint32_t main = ch ? 0x08100000 : 0x08080000;
        units_[0] = std::make_unique<Unit>(*this, 0, ch, main, ch ? 0x0419 : 0x0413,
                                           config.legacyEraseRom, config.bootToRom);
        if (config.kind == Kind::K01WithGB1)
            units_[1] = std::make_unique<Unit>(*this, 1, false, 0x08080000, 0x0413,
                                               config.legacyEraseRom, config.secondaryBootToRom);
        for (int i = 0; i < 2; ++i) {
            Unit *unit = units_[i].get();
            if (!unit)
                continue;
            if (config.productBootloader) {
                Bytes bootloader = buildProductBootloaderImage();
                unit->flash.set(Flash::kBase, bootloader.data(), bootloader.size());
            }
            bool withMain = i == 0 ? config.mainFirmware : config.secondaryMainFirmware;
            if (withMain) {
                Bytes image = i == 0 ? buildStandinImage(type, config.version, 123992, unit->mainAddress)
                                     : buildStandinImage(config.secondaryTypeCode, config.secondaryVersion,
                                                         123992, unit->mainAddress);
                unit->flash.set(unit->mainAddress, image.data(), image.size());
            }
        }
    } else {
        copyType(type, gsType_);
        gsVersion_ = config.version;
        switch (config.kind) {
        case Kind::GS: gsFirmware_ = Firmware::GsModbus; break;
        case Kind::GSX: gsFirmware_ = Firmware::GsxText; break;
        case Kind::Unidentified: gsFirmware_ = Firmware::UnidentifiedText; break;
        default: gsFirmware_ = Firmware::Silent; break;
        }
    }
}

DeviceModel::~DeviceModel() = default;

bool DeviceModel::hasUnit(int unit) const
{
    return unit >= 0 && unit < 2 && units_[unit] != nullptr;
}

Flash *DeviceModel::flash(int unit)
{
    return hasUnit(unit) ? &units_[unit]->flash : nullptr;
}

const Flash *DeviceModel::flash(int unit) const
{
    return hasUnit(unit) ? &units_[unit]->flash : nullptr;
}

uint32_t DeviceModel::mainAddress(int unit) const
{
    return hasUnit(unit) ? units_[unit]->mainAddress : 0;
}

RomLog DeviceModel::romLog(int unit) const
{
    return hasUnit(unit) ? units_[unit]->log : RomLog{};
}

void DeviceModel::clearLogs()
{
    for (auto &unit : units_)
        if (unit)
            unit->log = RomLog{};
    counters = Counters{};
    bool flow = freescaleStats.hostFlowControl;
    freescaleStats = FreescaleStats{};
    freescaleStats.hostFlowControl = flow;
}

void DeviceModel::setFaults(const Faults &faults)
{
    faults_ = faults;
    for (auto &unit : units_)
        if (unit)
            unit->rom.resetFaultCounts();
}

State DeviceModel::state(int unit) const
{
    if (hasUnit(unit))
        return units_[unit]->state;
    if (unit == 0 && !units_[0])
        return gsState_;
    return State::Off;
}

UnitStatus DeviceModel::unitStatus(int unit) const
{
    UnitStatus status;
    status.state = state(unit);
    if (hasUnit(unit)) {
        if (status.state == State::Firmware) {
            status.typeCode = typeText(units_[unit]->type);
            status.version = units_[unit]->version;
        }
    } else if (unit == 0 && status.state == State::Firmware && gsFirmware_ == Firmware::GsModbus) {
        status.typeCode = typeText(gsType_);
        status.version = gsVersion_;
    }
    return status;
}

DeviceModel::Unit *DeviceModel::lineUnit()
{
    if (!units_[0])
        return nullptr;
    return lineOnSecondary_ && units_[1] ? units_[1].get() : units_[0].get();
}

// ---- power and resets ----------------------------------------------------

void DeviceModel::powerOn(TimePoint now)
{
    if (powered_)
        return;
    powered_ = true;
    lineOnSecondary_ = false;
    modbusBuffer_.clear();
    modbusFrameEnd_ = never();
    if (units_[0]) {
        for (auto &unit : units_)
            if (unit)
                boot(*unit, now);
        return;
    }
    if (config_.kind == Kind::GS || config_.kind == Kind::GSX)
        startFreescale(now);
    else
        startGsFirmware(now);
}

void DeviceModel::powerOff()
{
    powered_ = false;
    scheduler_.cancelAll();
    for (auto &unit : units_)
        if (unit)
            setState(*unit, State::Off);
    loader_.stop();
    gsState_ = State::Off;
    ++gsSerial_;
    lineOnSecondary_ = false;
    modbusBuffer_.clear();
    modbusFrameEnd_ = never();
}

void DeviceModel::setState(Unit &unit, State state)
{
    unit.state = state;
    ++unit.serial;
    if (state == State::Rom)
        unit.rom.enter();
    // The K01 takes the line back once its GB1 runs firmware again.
    if (state == State::Firmware && unit.index == 1)
        lineOnSecondary_ = false;
}

void DeviceModel::boot(Unit &unit, TimePoint now)
{
    if (unit.bootToRom) {
        setState(unit, State::Rom);
        return;
    }
    if (vectorsStartable(unit.flash, Flash::kBase, Flash::kBase, kProductBootloaderEnd))
        enterProductBootloader(unit, now);
    else
        setState(unit, State::Halted);
}

void DeviceModel::resetUnit(Unit &unit, TimePoint at, std::function<void(TimePoint)> then)
{
    unsigned serial = unit.serial;
    scheduler_.at(at, [this, &unit, serial, then](TimePoint t) {
        if (unit.serial != serial)
            return;
        // Nothing answers while the part resets; bytes in between are lost.
        setState(unit, State::Halted);
        unsigned resetting = unit.serial;
        scheduler_.at(t + ms(config_.rebootMs), [&unit, resetting, then](TimePoint t2) {
            if (unit.serial == resetting)
                then(t2);
        });
    });
}

void DeviceModel::enterProductBootloader(Unit &unit, TimePoint now)
{
    setState(unit, State::ProductBootloader);
    unsigned serial = unit.serial;
    scheduler_.at(now + ms(config_.productBootloaderWindowMs), [this, &unit, serial](TimePoint t) {
        if (unit.serial == serial)
            startMain(unit, unit.mainAddress, t);
    });
}

void DeviceModel::startMain(Unit &unit, uint32_t address, TimePoint)
{
    ImageInfo info = inspectImage(unit.flash, address);
    if (!info.startable) {
        setState(unit, State::Halted);
        return;
    }
    std::copy(info.type, info.type + 3, unit.type);
    unit.version = info.version;
    setState(unit, State::Firmware);
}

void DeviceModel::jump(Unit &unit, uint32_t address, TimePoint now)
{
    if (address == Flash::kBase) {
        if (vectorsStartable(unit.flash, Flash::kBase, Flash::kBase, kProductBootloaderEnd))
            enterProductBootloader(unit, now);
        else
            setState(unit, State::Halted);
        return;
    }
    startMain(unit, address, now);
}

// ---- GS family and text ports ----------------------------------------------

void DeviceModel::startFreescale(TimePoint now)
{
    gsState_ = State::Freescale;
    ++gsSerial_;
    loader_.enter(now);
}

void DeviceModel::startGsFirmware(TimePoint now)
{
    gsState_ = State::Firmware;
    ++gsSerial_;
    if (gsFirmware_ == Firmware::GsxText || gsFirmware_ == Firmware::UnidentifiedText)
        schedulePeriodicText(now);
}

void DeviceModel::schedulePeriodicText(TimePoint now)
{
    unsigned serial = gsSerial_;
    scheduler_.at(now + std::chrono::seconds(1), [this, serial](TimePoint t) {
        if (gsSerial_ != serial)
            return;
        std::string text = config_.periodicText;
        if (text.empty())
            text = gsFirmware_ == Firmware::GsxText ? "Korvane gripper (GS2)\r\n" : "TEMP 23.5C HUM 41%\r\n";
        line_.send(text, t);
        schedulePeriodicText(t);
    });
}

void DeviceModel::fsSend(const std::string &text, TimePoint notBefore)
{
    line_.send(text, notBefore);
}

bool DeviceModel::fsHostFlowControl()
{
    return line_.hostFlowControl();
}

void DeviceModel::fsFinished(const FreescaleLoader::Result &result, TimePoint now)
{
    using R = FreescaleLoader::Result;
    TimePoint after = line_.txIdleAt(now) + ms(config_.rebootMs);
    unsigned serial = gsSerial_;
    switch (result.outcome) {
    case R::Hung:
        return;
    case R::NoImage:
        startGsFirmware(now);
        return;
    case R::Corrupt:
        scheduler_.at(after, [this, serial](TimePoint) {
            if (gsSerial_ == serial) {
                gsState_ = State::Halted;
                ++gsSerial_;
            }
        });
        return;
    case R::Loaded:
        if (result.hasHeaderVersion) {
            copyType(result.typeCode, gsType_);
            gsVersion_ = result.version;
            gsFirmware_ = Firmware::GsModbus;
        }
        break;
    case R::StartFailed:
        break;
    }
    scheduler_.at(after, [this, serial](TimePoint t) {
        if (gsSerial_ == serial)
            startGsFirmware(t);
    });
}

// ---- line ------------------------------------------------------------------

void DeviceModel::receive(uint8_t byte, TimePoint now)
{
    if (!powered_)
        return;
    bool modbus = false;
    if (Unit *unit = lineUnit()) {
        if (unit->state == State::Rom) {
            unit->rom.receive(byte, now);
            return;
        }
        modbus = unit->state == State::Firmware || unit->state == State::ProductBootloader;
    } else if (loader_.active()) {
        loader_.receive(byte, now);
        return;
    } else {
        modbus = gsState_ == State::Firmware && gsFirmware_ == Firmware::GsModbus;
    }
    if (!modbus)
        return;
    modbusBuffer_.push_back(byte);
    modbusFrameEnd_ = now + ms(config_.modbusGapMs);
}

void DeviceModel::tick(TimePoint now)
{
    for (;;) {
        TimePoint next = std::min(scheduler_.next(), modbusBuffer_.empty() ? never() : modbusFrameEnd_);
        if (next > now)
            break;
        if (scheduler_.next() <= next)
            scheduler_.runOne(now);
        else
            modbusFrameEnd(next);
    }
    loader_.tick(now);
}

TimePoint DeviceModel::nextTimer() const
{
    TimePoint next = std::min(scheduler_.next(), loader_.nextTimer());
    if (!modbusBuffer_.empty())
        next = std::min(next, modbusFrameEnd_);
    return next;
}

TimePoint DeviceModel::busyUntil() const
{
    Unit *unit = const_cast<DeviceModel *>(this)->lineUnit();
    return unit && unit->state == State::Rom ? unit->rom.busyUntil() : TimePoint{};
}

size_t DeviceModel::rxWindow()
{
    if (!units_[0] && loader_.active())
        return loader_.rxWindow();
    return 1 << 20;
}

// ---- Modbus ----------------------------------------------------------------

void DeviceModel::modbusFrameEnd(TimePoint now)
{
    Bytes buf;
    buf.swap(modbusBuffer_);
    modbusFrameEnd_ = never();
    // A chunk between two silences is normally one request. Junk in front of
    // it (the bootloader probe's 0x7F, a half frame) is skipped by looking
    // for a frame with a valid CRC at every offset.
    bool found = false;
    size_t p = 0;
    while (p + 4 <= buf.size()) {
        size_t length = requestLength(buf, p);
        if (length == 0 || p + length > buf.size())
            length = buf.size() - p;
        const uint8_t *frame = buf.data() + p;
        uint16_t crc = modbusCrc(frame, length - 2);
        if (frame[length - 2] == (crc & 0xFF) && frame[length - 1] == (crc >> 8)) {
            found = true;
            if (frame[0] == kSlave) {
                ++counters.modbusFrames;
                modbusRequest(Bytes(frame, frame + length), now);
            }
            p += length;
            continue;
        }
        ++p;
    }
    if (!found)
        ++counters.modbusBadFrames;
}

Bytes DeviceModel::exception(uint8_t function, uint8_t code) const
{
    Bytes frame{kSlave, uint8_t(function | 0x80), code};
    appendCrc(frame);
    return frame;
}

TimePoint DeviceModel::modbusAnswer(Bytes answer, TimePoint now)
{
    ++counters.modbusAnswers;
    TimePoint t = now + ms(faults_.modbusDelayMs);
    if (faults_.modbusSplitGapMs > 0 && answer.size() > 1) {
        size_t half = answer.size() / 2;
        line_.send(answer.data(), half, t);
        TimePoint second = line_.txIdleAt(t) + ms(faults_.modbusSplitGapMs);
        line_.send(answer.data() + half, answer.size() - half, second);
        return line_.txIdleAt(second);
    }
    line_.send(answer, t);
    return line_.txIdleAt(t);
}

void DeviceModel::modbusRequest(const Bytes &frame, TimePoint now)
{
    if (faults_.modbusNoAnswer)
        return;
    Unit *unit = lineUnit();
    bool productBootloader = unit && unit->state == State::ProductBootloader;
    uint8_t function = frame[1];
    Bytes answer;
    std::function<void(TimePoint)> action;

    auto fail = [&](uint8_t code) { answer = exception(function, code); };

    if (function == 0x03) {
        uint16_t start = be16(frame, 2);
        uint16_t count = be16(frame, 4);
        if (productBootloader)
            return; // it only knows the reboot request
        uint8_t data[6];
        uint16_t base = kVersionRegister;
        if (count == 0 || count > 125) {
            fail(kIllegalValue);
        } else if (start >= kVersionRegister && start + count <= kVersionRegister + 3) {
            if (unit) {
                std::copy(unit->type, unit->type + 3, data);
                data[3] = uint8_t(unit->version.major);
                data[4] = uint8_t(unit->version.minor);
                data[5] = uint8_t(unit->version.patch);
            } else {
                std::copy(gsType_, gsType_ + 3, data);
                data[3] = uint8_t(gsVersion_.major);
                data[4] = uint8_t(gsVersion_.minor);
                data[5] = uint8_t(gsVersion_.patch);
            }
        } else if (units_[1] && start >= kSecondaryVersionRegister
                   && start + count <= kSecondaryVersionRegister + 3) {
            base = kSecondaryVersionRegister;
            Unit &gb1 = *units_[1];
            if (gb1.state != State::Firmware) {
                fail(kGatewayTargetFailed);
            } else {
                std::copy(gb1.type, gb1.type + 3, data);
                data[3] = uint8_t(gb1.version.major);
                data[4] = uint8_t(gb1.version.minor);
                data[5] = uint8_t(gb1.version.patch);
            }
        } else {
            fail(kIllegalAddress);
        }
        if (answer.empty()) {
            answer = {kSlave, 0x03, uint8_t(2 * count)};
            for (unsigned i = 0; i < 2u * count; ++i)
                answer.push_back(data[2 * (start - base) + i]);
            appendCrc(answer);
        }
    } else if (function == 0x10 || function == 0x06) {
        uint16_t start = be16(frame, 2);
        uint16_t count = 1;
        uint16_t value = be16(frame, 4);
        bool wellFormed = true;
        if (function == 0x10) {
            count = be16(frame, 4);
            uint8_t bytes = frame[6];
            wellFormed = count >= 1 && count <= 123 && bytes == 2 * count && frame.size() == 9u + bytes;
            value = wellFormed ? be16(frame, 7) : 0;
        }
        bool reboot = start == kRebootRegister && count == 1;
        bool secondaryReboot = units_[1] && start == kSecondaryRebootRegister && count == 1;
        if (productBootloader && !(wellFormed && reboot && value == kRebootValue))
            return;
        if (!wellFormed) {
            fail(kIllegalValue);
        } else if (!reboot && !secondaryReboot) {
            fail(kIllegalAddress);
        } else if (value != kRebootValue) {
            fail(kIllegalValue);
        } else {
            if (function == 0x06) {
                answer.assign(frame.begin(), frame.end() - 2);
            } else {
                answer = {kSlave, 0x10, frame[2], frame[3], frame[4], frame[5]};
            }
            appendCrc(answer);
            if (reboot && unit) {
                action = [this, unit](TimePoint t) {
                    resetUnit(*unit, t, [this, unit](TimePoint) { setState(*unit, State::Rom); });
                };
            } else if (reboot) {
                unsigned serial = gsSerial_;
                action = [this, serial](TimePoint t) {
                    if (gsSerial_ != serial)
                        return;
                    gsState_ = State::Halted;
                    unsigned resetting = ++gsSerial_;
                    scheduler_.at(t + ms(config_.rebootMs), [this, resetting](TimePoint t2) {
                        if (gsSerial_ == resetting)
                            startFreescale(t2);
                    });
                };
            } else {
                // The K01 switches the line through to its GB1 and tells
                // the GB1 to reset into its ROM bootloader.
                action = [this](TimePoint t) {
                    lineOnSecondary_ = true;
                    Unit &gb1 = *units_[1];
                    if (gb1.state == State::Firmware || gb1.state == State::ProductBootloader)
                        resetUnit(gb1, t, [this, &gb1](TimePoint) { setState(gb1, State::Rom); });
                };
            }
        }
    } else {
        if (productBootloader)
            return;
        fail(kIllegalFunction);
    }

    if (faults_.modbusException > 0) {
        answer = exception(function, uint8_t(faults_.modbusException));
        action = nullptr;
    }
    TimePoint left = modbusAnswer(answer, now);
    if (action)
        scheduler_.at(left, action);
}

} // namespace korvane::sim
