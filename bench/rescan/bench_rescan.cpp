// Wall time of a rescan (Communication::generateDeviceList) over N simulated
// ports of one sort, reported per port. A silent port costs the bootloader
// probe, the 100 ms Modbus wait and the 1 s listen for a text banner; a
// gripper that answers should cost little more than its probes' round trips.
//
//   bench_rescan [--ports N] [--rounds R] [--output FILE]

#include "communication.h"
#include "portnumbers.h"
#include "simgrippers.h"
#include "STBLLIB.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Row
{
    QString what;
    int ports = 0;
    std::vector<double> secondsPerPort;
    double target = 0;
};

korvane::sim::GripperConfig configFor(korvane::sim::Kind kind, bool inRom)
{
    korvane::sim::GripperConfig config;
    config.kind = kind;
    config.bootToRom = inRom;
    return config;
}

Row measure(const QString &what, korvane::sim::Kind kind, bool inRom, int ports, int rounds, double target)
{
    Row row{what, ports, {}, target};
    SimBench sims;
    for (int i = 0; i < ports; ++i)
        sims.add(configFor(kind, inRom));
    if (!sims.settle()) {
        std::fprintf(stderr, "simulated grippers did not start\n");
        return row;
    }
    for (int round = 0; round < rounds; ++round) {
        Communication comm;
        QElapsedTimer timer;
        timer.start();
        delete comm.generateDeviceList();
        const double seconds = timer.nsecsElapsed() / 1e9;
        if (comm.devices.size() < ports)
            std::fprintf(stderr, "%s: only %d records for %d ports\n", qPrintable(what), int(comm.devices.size()),
                         ports);
        row.secondsPerPort.push_back(seconds / ports);
    }
    return row;
}

// The bootloader probe alone, as identification runs it, on a silent port:
// the part of a silent port's time that the Modbus and text waits do not fix.
Row measureBootloaderProbe(int ports, int rounds)
{
    Row row{QStringLiteral("of which the bootloader probe (silent port)"), ports, {}, 0};
    SimBench sims;
    for (int i = 0; i < ports; ++i)
        sims.add(korvane::sim::Kind::Silent);
    sims.settle();
    QList<int> numbers;
    for (const QextPortInfo &port : QextSerialEnumerator::getPorts()) {
        if (port.enumName == QLatin1String("EXTRA"))
            numbers.append(korvane::portNumberFromName(port.portName.toStdString()));
    }
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        for (int number : numbers) {
            TARGET_SetComIntType(0);
            SetCOMSettings(number, 115200, 8, 1, 1.0f);
            if (COM_Open() == 0) {
                SetTimeOut(25);
                STBL_Init_BL();
                COM_Close();
            }
        }
        row.secondsPerPort.push_back(timer.nsecsElapsed() / 1e9 / numbers.size());
    }
    return row;
}

double median(const Row &row)
{
    std::vector<double> sorted = row.secondsPerPort;
    std::sort(sorted.begin(), sorted.end());
    return sorted.empty() ? 0 : sorted[sorted.size() / 2];
}

QString formatRow(const Row &row)
{
    std::vector<double> sorted = row.secondsPerPort;
    std::sort(sorted.begin(), sorted.end());
    const double median = ::median(row);
    const double worst = sorted.empty() ? 0 : sorted.back();
    return QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 |")
        .arg(row.what)
        .arg(row.ports)
        .arg(median, 0, 'f', 3)
        .arg(worst, 0, 'f', 3)
        .arg(row.target > 0 ? QString::number(row.target, 'f', 2) : QStringLiteral("-"))
        .arg(row.target <= 0 ? QStringLiteral("-") : worst <= row.target ? QStringLiteral("yes") : QStringLiteral("no"));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int ports = 6;
    int rounds = 3;
    QString output;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--ports"))
            ports = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--rounds"))
            rounds = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--output"))
            output = args[i + 1];
    }
    // The program's debug lines would only slow the probes down here.
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));

    const std::vector<Row> rows = {
        measure(QStringLiteral("silent port"), korvane::sim::Kind::Silent, false, ports, rounds, 1.15),
        measureBootloaderProbe(ports, rounds),
        measure(QStringLiteral("GC gripper answering Modbus"), korvane::sim::Kind::GC, false, ports, rounds, 0.2),
        measure(QStringLiteral("K01 with a GB1 behind it"), korvane::sim::Kind::K01WithGB1, false, ports, rounds,
                0.2),
        measure(QStringLiteral("gripper in its ROM bootloader"), korvane::sim::Kind::GC, true, ports, rounds, 0.2),
    };

    const double silentMedian = median(rows[0]);
    const double probe = median(rows[1]);
    QString table;
    QTextStream out(&table);
    out << "| ports of this sort | N | median s/port | worst s/port | target s/port | within target |\n";
    out << "|---|---|---|---|---|---|\n";
    for (const Row &row : rows)
        out << formatRow(row) << "\n";
    out.flush();
    std::printf("%s", qPrintable(table));

    if (!output.isEmpty()) {
        QFile file(output);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(output));
            return 1;
        }
        QTextStream md(&file);
        md << "# Rescan time per port\n\n"
           << "`bench_rescan --ports " << ports << " --rounds " << rounds
           << "`: wall time of one `generateDeviceList()` over N simulated ports of one sort "
              "(korvane-gripper-sim library, ptys, no wire pacing), divided by N; median and worst of "
           << rounds << " rescans.\n\n"
           << table << "\n"
           << "A silent port waits, by design, for the bootloader's answer (" << QString::number(probe * 1000, 'f', 0)
           << " ms measured: the library sends its sync byte twice, 25 ms each, so that a ROM synchronised by an "
              "earlier scan is still found), 100 ms for a Modbus reply and 1000 ms for a text banner: "
           << QString::number(probe + 1.1, 'f', 3) << " s of waiting, leaving "
           << QString::number((silentMedian - probe - 1.1) * 1000, 'f', 1)
           << " ms per port for opening and closing the ports.\n";
    }
    return 0;
}
