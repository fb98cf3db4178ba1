// Loaded into the installed wizard by the package test (LD_PRELOAD). Once
// the event loop runs, it presses Next on the introduction page, waits for
// the port page to list a gripper, prints the entry and ends the program: 0
// when a GC gripper is listed, 3 when none is within 30 s.
#include <QApplication>
#include <QComboBox>
#include <QTimer>
#include <QWizard>

#include <cstdio>

namespace {

void tick(QTimer *timer)
{
    static int ticks = 0;
    QWizard *wizard = nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets())
        wizard = wizard ? wizard : qobject_cast<QWizard *>(widget);
    if (wizard && wizard->currentId() == 0)
        wizard->next();
    QStringList entries;
    for (QComboBox *box : wizard && wizard->currentPage() ? wizard->currentPage()->findChildren<QComboBox *>()
                                                          : QList<QComboBox *>()) {
        for (int i = 0; i < box->count(); ++i)
            entries.append(box->itemText(i));
    }
    const QStringList listed = entries.filter(QRegExp(QStringLiteral("\\(C\\)$")));
    if (listed.isEmpty() && ++ticks < 300)
        return;
    std::printf("driver: listed %s\n", qPrintable((listed.isEmpty() ? entries : listed).join(QLatin1String(", "))));
    std::fflush(stdout);
    timer->stop();
    QCoreApplication::exit(listed.isEmpty() ? 3 : 0);
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
            timer->start(100);
        },
        Qt::QueuedConnection);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(start)
