#ifndef KORVANE_SIM_FREESCALE_H
#define KORVANE_SIM_FREESCALE_H

#include "common.h"

namespace korvane::sim {

// The GS family's Freescale bootloader: takes an S-record image as text,
// prints a dot per block received, paces the host with XON/XOFF while its
// buffer drains into flash, and ends with the load report.
class FreescaleLoader {
public:
    struct Result {
        enum Outcome {
            NoImage,     // window ended without data: run the old firmware
            Loaded,      // report printed, new firmware runs
            Corrupt,     // report printed, but records were bad or lost: nothing runs
            StartFailed, // reported before loading anything: the old firmware runs
            Hung         // never reports: stays in the bootloader
        } outcome = NoImage;
        bool hasHeaderVersion = false;  // S0 header "TYPE-x.y.z"
        std::string typeCode;
        Version version;
    };

    class Host {
    public:
        virtual ~Host() = default;
        virtual void fsSend(const std::string &text, TimePoint notBefore) = 0;
        virtual void fsFinished(const Result &result, TimePoint now) = 0;
        virtual const Faults &fsFaults() const = 0;
        virtual bool fsHostFlowControl() = 0;
    };

    FreescaleLoader(Host &host, const GripperConfig &config, FreescaleStats &stats);

    void enter(TimePoint now);          // prints the banner, opens the window
    void stop();                        // power loss
    bool active() const { return phase_ != Phase::Idle; }
    void receive(uint8_t byte, TimePoint now);
    void tick(TimePoint now);
    TimePoint nextTimer() const;
    // How many more bytes it takes off the line now. A host that honours
    // XOFF leaves the rest in its own queue; one that does not loses them.
    size_t rxWindow();

private:
    enum class Phase { Idle, Waiting, Loading, Hung };

    void drain(TimePoint now);
    void parseLine();
    void recordError();
    void finish(TimePoint now);

    Host &host_;
    const GripperConfig &config_;
    FreescaleStats &stats_;

    Phase phase_ = Phase::Idle;
    TimePoint windowEnd_{};
    TimePoint lastRx_{};
    TimePoint lastDrain_{};
    double drainCredit_ = 0;
    std::string pending_;      // received, not yet drained
    std::string line_;
    bool xoff_ = false;
    long sinceDot_ = 0;
    bool reportedEarly_ = false;
    bool endRecord_ = false;
    bool lost_ = false;
    int errors_ = 0;
    long programBytes_ = 0;
    long dataBytes_ = 0;
    Result result_;
};

// Byte addresses from here on are the part's data memory in S-records.
constexpr uint32_t kFreescaleDataSpace = 0x00400000;

} // namespace korvane::sim

#endif
