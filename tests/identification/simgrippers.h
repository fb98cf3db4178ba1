#ifndef SIMGRIPPERS_H
#define SIMGRIPPERS_H

#include "gripper_sim.h"

#include <QDir>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <vector>

// Simulated grippers that the wizard's port enumerator lists through
// KORVANE_EXTRA_PORTS, in the order they were added.
class SimBench
{
public:
    korvane::sim::Gripper &add(korvane::sim::GripperConfig config)
    {
        m_grippers.push_back(std::make_unique<korvane::sim::Gripper>(std::move(config)));
        publish();
        return *m_grippers.back();
    }
    korvane::sim::Gripper &add(korvane::sim::Kind kind)
    {
        korvane::sim::GripperConfig config;
        config.kind = kind;
        return add(config);
    }

    // Waits until every gripper runs what it runs after power-on: an older
    // GS gripper first sits in its Freescale bootloader for a while.
    bool settle(std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) const
    {
        using korvane::sim::State;
        for (const auto &gripper : m_grippers) {
            const State wanted = gripper->config().bootToRom ? State::Rom : State::Firmware;
            if (!gripper->waitForState(wanted, timeout))
                return false;
        }
        return true;
    }

    // Lists the grippers' ports again, after unplug and replug.
    void publish() const
    {
        QStringList paths;
        for (const auto &gripper : m_grippers)
            paths.append(pathOf(*gripper));
        qputenv("KORVANE_EXTRA_PORTS", paths.join(QDir::listSeparator()).toLocal8Bit());
    }

    static QString pathOf(const korvane::sim::Gripper &gripper)
    {
        const std::string published = gripper.publishedPath();
        return QString::fromStdString(published.empty() ? gripper.path() : published);
    }

private:
    std::vector<std::unique_ptr<korvane::sim::Gripper>> m_grippers;
};

#endif
