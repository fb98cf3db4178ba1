#include "communication.h"
#include "upgraderwizard.h"

#include <QAbstractButton>
#include <QtTest>
#include <QWizard>

// The wizard as the program assembles it, before it touches a gripper: the
// title names the firmware it carries, and Next leads from the introduction
// to the port page (whose scan the identification and page tests judge).
class TestWizardShell : public QObject
{
    Q_OBJECT

private slots:
    void titleAndFirstStep();
};

void TestWizardShell::titleAndFirstStep()
{
    // No stray ports from the environment may be probed here.
    qunsetenv("KORVANE_EXTRA_PORTS");
    Communication *comm = nullptr;
    QScopedPointer<Communication> owned;
    QScopedPointer<QWizard> wizard(createUpgraderWizard(&comm));
    owned.reset(comm);
    wizard->show();
    QCOMPARE(wizard->windowTitle(), QStringLiteral("Korvane Upgrader for firmware version GC3---1.6.9"));
    QVERIFY(!wizard->windowIcon().isNull());
    QCOMPARE(wizard->pageIds(), (QList<int>{0, 1, 2, 3, 4}));
    QCOMPARE(wizard->currentId(), 0);
    wizard->button(QWizard::NextButton)->click();
    QCOMPARE(wizard->currentId(), 1);
}

QTEST_MAIN(TestWizardShell)
#include "tst_wizardshell.moc"
