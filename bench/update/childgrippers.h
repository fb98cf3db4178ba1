#ifndef KORVANE_BENCH_CHILDGRIPPERS_H
#define KORVANE_BENCH_CHILDGRIPPERS_H

// Simulated grippers in a process of their own, so that what a benchmark
// reads from getrusage() or /proc/self is the wizard's alone: the
// simulator's thread, its flash arrays and the adapter's relay count
// against the child.
//
// A gripper can sit behind a simulated USB serial adapter. The simulator
// paces its answers byte by byte as a UART sends them; a real adapter hands
// them to the PC in bursts, once the line has been quiet for a moment or a
// USB packet is full. The wizard reads whatever the first burst holds, so
// on a paced line without the adapter it sees one byte of each answer. The
// adapter also records what crossed it (see wirelog.h).

#include "gripper_sim.h"
#include "wirelog.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace korvane::bench {

struct AdapterOptions {
    bool enabled = false;
    // An answer burst is handed over after this much silence on the line...
    int quietMicroseconds = 300;
    // ...or as soon as a full-speed USB bulk packet is full.
    size_t packetBytes = 64;
};

struct ChildGripperSetup {
    korvane::sim::GripperConfig config;   // publishPath is required
    AdapterOptions adapter;
};

struct GripperReport {
    std::vector<WireCommand> wire;        // empty without an adapter
    std::string state;                    // stateName() of the gripper
    std::string typeCode;
    korvane::sim::Version version;
};

class ChildGrippers {
public:
    ChildGrippers() = default;
    ~ChildGrippers();
    ChildGrippers(const ChildGrippers &) = delete;
    ChildGrippers &operator=(const ChildGrippers &) = delete;

    // Forks the child and waits until every gripper is up. Call it before
    // the process has any other thread (before QApplication).
    bool start(const std::vector<ChildGripperSetup> &setups, std::string *error);
    // The path the wizard should open for gripper i: its publishPath.
    std::string portPath(int index) const;
    // The wire log and state of gripper i; waits for the child's answer.
    bool report(int index, GripperReport *out);
    // Ends the child and waits for it; its peak RSS is kept.
    void stop();
    long childPeakRssKiB() const { return m_childPeakRssKiB; }

private:
    pid_t m_pid = -1;
    int m_control = -1;                   // parent -> child
    int m_answers = -1;                   // child -> parent
    std::vector<std::string> m_paths;
    long m_childPeakRssKiB = 0;
};

} // namespace korvane::bench

#endif
