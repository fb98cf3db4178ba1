#ifndef KORVANE_SIM_MODEL_H
#define KORVANE_SIM_MODEL_H

#include <memory>

#include "common.h"
#include "flash.h"
#include "freescale.h"
#include "rom.h"

namespace korvane::sim {

// Everything a gripper does on its line, without any I/O: bytes come in with
// the moment they arrived, answers go to the Line with the moment they may
// leave. The owner serialises all calls.
class DeviceModel : private FreescaleLoader::Host {
public:
    DeviceModel(const GripperConfig &config, Line &line);
    ~DeviceModel() override;

    void powerOn(TimePoint now);
    void powerOff();
    bool powered() const { return powered_; }

    void receive(uint8_t byte, TimePoint now);
    void tick(TimePoint now);
    TimePoint nextTimer() const;
    TimePoint busyUntil() const;
    size_t rxWindow();

    void setFaults(const Faults &faults);
    const Faults &faults() const { return faults_; }

    State state(int unit) const;
    UnitStatus unitStatus(int unit) const;
    bool lineOnSecondary() const { return lineOnSecondary_; }
    bool hasUnit(int unit) const;
    Flash *flash(int unit);
    const Flash *flash(int unit) const;
    uint32_t mainAddress(int unit) const;
    RomLog romLog(int unit) const;

    Counters counters;
    FreescaleStats freescaleStats;
    void clearLogs();

private:
    struct Unit;
    friend struct Unit;

    enum class Firmware { None, Stm32Modbus, GsModbus, GsxText, UnidentifiedText, Silent };

    // Freescale host
    void fsSend(const std::string &text, TimePoint notBefore) override;
    void fsFinished(const FreescaleLoader::Result &result, TimePoint now) override;
    const Faults &fsFaults() const override { return faults_; }
    bool fsHostFlowControl() override;

    Unit *lineUnit();
    void setState(Unit &unit, State state);
    void boot(Unit &unit, TimePoint now);
    void resetUnit(Unit &unit, TimePoint at, std::function<void(TimePoint)> then);
    void enterProductBootloader(Unit &unit, TimePoint now);
    void startMain(Unit &unit, uint32_t address, TimePoint now);
    void jump(Unit &unit, uint32_t address, TimePoint now);

    void startFreescale(TimePoint now);
    void startGsFirmware(TimePoint now);
    void schedulePeriodicText(TimePoint now);

    void modbusFrameEnd(TimePoint now);
    void modbusRequest(const Bytes &frame, TimePoint now);
    // Sends the answer through the Modbus faults; returns when it has left.
    TimePoint modbusAnswer(Bytes answer, TimePoint now);
    Bytes exception(uint8_t function, uint8_t code) const;

    const GripperConfig &config_;
    Line &line_;
    Faults faults_;
    Scheduler scheduler_;
    bool powered_ = false;

    std::unique_ptr<Unit> units_[2];
    bool lineOnSecondary_ = false;

    // GS family and text ports.
    Firmware gsFirmware_ = Firmware::None;
    State gsState_ = State::Off;
    unsigned gsSerial_ = 0;
    uint8_t gsType_[3] = {0, 0, 0};
    Version gsVersion_;
    FreescaleLoader loader_;

    Bytes modbusBuffer_;
    TimePoint modbusFrameEnd_ = never();
};

} // namespace korvane::sim

#endif
