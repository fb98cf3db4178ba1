// Loaded into the installed wizard by the package test (LD_PRELOAD). Once
// the event loop runs, it presses Next on the introduction page, waits for
// the port page to list a gripper, prints what the list holds and ends the
// program: 0 when a GC gripper is listed, 3 when none is within the time.
#include <QApplication>
#include <QComboBox>
#include <QTimer>
#include <QWizard>

#include <cstdio>

namespace {

const int kTickMs = 100;
const int kGiveUpTicks = 300;

QWizard *findWizard()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *wizard = qobject_cast<QWizard *>(widget))
            return wizard;
    }
    return nullptr;
}

QStringList listedPorts(QWizard *wizard)
{
    QStringList entries;
    if (!wizard->currentPage())
        return entries;
    for (QComboBox *box : wizard->currentPage()->findChildren<QComboBox *>()) {
        for (int i = 0; i < box->count(); ++i)
            entries.append(box->itemText(i));
    }
    return entries;
}

void tick(QTimer *timer)
{
    static int ticks = 0;
    QWizard *wizard = findWizard();
    if (wizard && wizard->currentId() == 0) {
        std::printf("driver: wizard shown: %s\n", qPrintable(wizard->windowTitle()));
        wizard->next();
    }
    const QStringList entries = wizard ? listedPorts(wizard) : QStringList();
    for (const QString &entry : entries) {
        if (entry.endsWith(QLatin1String("(C)"))) {
            std::printf("driver: listed %s\n", qPrintable(entry));
            std::fflush(stdout);
            timer->stop();
            QCoreApplication::exit(0);
            return;
        }
    }
    if (++ticks >= kGiveUpTicks) {
        std::printf("driver: no GC gripper listed; the list holds: %s\n", qPrintable(entries.join(QLatin1String(", "))));
        std::fflush(stdout);
        timer->stop();
        QCoreApplication::exit(3);
    }
}

void start()
{
    // Runs inside the application's constructor, before the window exists:
    // the driving begins once the event loop does.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [] {
            auto *timer = new QTimer(QCoreApplication::instance());
            QObject::connect(timer, &QTimer::timeout, [timer] { tick(timer); });
            timer->start(kTickMs);
        },
        Qt::QueuedConnection);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(start)
