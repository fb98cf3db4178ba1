#include "carriedfirmware.h"
#include "communication.h"
#include "upgraderwizard.h"

#include <QAbstractButton>
#include <QLabel>
#include <QtTest>
#include <QWizard>

// The wizard as the program assembles it: what a user sees before touching a
// gripper, and the page order the later pages rely on.
class TestWizardShell : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void titleAndIntroductionNameTheCarriedFirmware();
    void pagesKeepTheirIds();
    void nextLeavesTheIntroductionForPortSelection();

private:
    QWizard *wizard = nullptr;
    Communication *comm = nullptr;
};

void TestWizardShell::initTestCase()
{
    // No stray ports from the environment may be probed here.
    qunsetenv("KORVANE_EXTRA_PORTS");
    wizard = createUpgraderWizard(&comm);
    QVERIFY(wizard);
    QVERIFY(comm);
    wizard->show();
}

void TestWizardShell::cleanupTestCase()
{
    delete wizard;
    delete comm;
}

void TestWizardShell::titleAndIntroductionNameTheCarriedFirmware()
{
    QCOMPARE(wizard->windowTitle(), QStringLiteral("Korvane Upgrader for firmware version GC3---1.6.9"));
    QCOMPARE(wizard->windowFlags() & ~Qt::WindowType_Mask, Qt::CustomizeWindowHint);
    QCOMPARE(wizard->wizardStyle(), QWizard::ModernStyle);
    QVERIFY(!wizard->windowIcon().isNull());
    QVERIFY(!wizard->pixmap(QWizard::LogoPixmap).isNull());

    QWizardPage *intro = wizard->page(0);
    QCOMPARE(wizard->currentId(), 0);
    QCOMPARE(intro->title(), QStringLiteral("Korvane Upgrader"));
    const QList<QLabel *> labels = intro->findChildren<QLabel *>();
    QCOMPARE(labels.size(), 2);
    QCOMPARE(labels.at(0)->text(),
             QStringLiteral("This is Korvane Upgrader for firmware version GC3---1.6.9. This wizard will update the "
                            "firmware of your Korvane product."));
    QVERIFY(labels.at(0)->wordWrap());
    QCOMPARE(labels.at(1)->text(), QStringLiteral("Upgrader version 1.2.0"));
}

void TestWizardShell::pagesKeepTheirIds()
{
    QCOMPARE(wizard->pageIds(), (QList<int>{0, 1, 2, 3, 4}));
    // As the user meets them, in this order.
    QCOMPARE(wizard->page(1)->title(), QStringLiteral("Port Selection"));
    QCOMPARE(wizard->page(2)->title(), QStringLiteral("Current firmware version"));
    QCOMPARE(wizard->page(3)->title(), QStringLiteral("Download of the new firmware"));
    QCOMPARE(wizard->page(4)->title(), QStringLiteral("New firmware version"));
    for (int id = 1; id <= 4; ++id)
        QVERIFY(wizard->isAncestorOf(wizard->page(id)));
}

void TestWizardShell::nextLeavesTheIntroductionForPortSelection()
{
    QAbstractButton *next = wizard->button(QWizard::NextButton);
    QVERIFY(next->isEnabled());
    next->click();
    QCOMPARE(wizard->currentId(), 1);
    QCOMPARE(wizard->currentPage()->title(), QStringLiteral("Port Selection"));
}

QTEST_MAIN(TestWizardShell)
#include "tst_wizardshell.moc"
