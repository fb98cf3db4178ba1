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
    void pagesInOrderFromTheIntroduction();

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
    QVERIFY(!wizard->windowIcon().isNull());
    QVERIFY(!wizard->pixmap(QWizard::LogoPixmap).isNull());

    QCOMPARE(wizard->currentId(), 0);
    QCOMPARE(wizard->currentPage()->title(), QStringLiteral("Korvane Upgrader"));
    QStringList texts;
    for (const QLabel *label : wizard->currentPage()->findChildren<QLabel *>())
        texts.append(label->text());
    QCOMPARE(texts, (QStringList{"This is Korvane Upgrader for firmware version GC3---1.6.9. This wizard will update "
                                 "the firmware of your Korvane product.",
                                 "Upgrader version 1.2.0"}));
}

// The later pages are reached by these ids, and the user meets them in this
// order.
void TestWizardShell::pagesInOrderFromTheIntroduction()
{
    QCOMPARE(wizard->pageIds(), (QList<int>{0, 1, 2, 3, 4}));
    QStringList titles;
    for (int id = 1; id <= 4; ++id)
        titles.append(wizard->page(id)->title());
    QCOMPARE(titles, (QStringList{"Port Selection", "Current firmware version", "Download of the new firmware",
                                  "New firmware version"}));
    QAbstractButton *next = wizard->button(QWizard::NextButton);
    QVERIFY(next->isEnabled());
    next->click();
    QCOMPARE(wizard->currentId(), 1);
}

QTEST_MAIN(TestWizardShell)
#include "tst_wizardshell.moc"
