#include "language.h"
#include "pagefixture.h"
#include "pageselectport.h"
#include "simgrippers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

// The port page as the user meets it: what the list shows, where Next leads,
// what the service Reboot does to the gripper, and one scan at a time. The
// controls kept off screen are left to themselves: no user reaches them.
class TestPageSelectPort : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void entriesMirrorTheDeviceList();
    void nextPageFollowsKindAndManualReboot_data();
    void nextPageFollowsKindAndManualReboot();
    void rebootTurnsTheChosenRecordIntoABootloaderRecord();
    void oneScanAtATime();
    void frenchWizardHasFrenchButtons();

private:
    PageSelectPort *page() const { return qobject_cast<PageSelectPort *>(fixture->wizard->page(1)); }
    QComboBox *list() const { return page()->findChild<QComboBox *>(); }
    QCheckBox *manualReboot() const { return page()->findChild<QCheckBox *>(); }

    WizardFixture *fixture = nullptr;
};

void TestPageSelectPort::init()
{
    qunsetenv("KORVANE_EXTRA_PORTS");
    fixture = new WizardFixture;
    fixture->wizard->next();
    QCOMPARE(fixture->wizard->currentId(), 1);
}

void TestPageSelectPort::cleanup()
{
    delete fixture;
    fixture = nullptr;
}

void TestPageSelectPort::entriesMirrorTheDeviceList()
{
    // Nothing found, nothing to go on with.
    QVERIFY(!fixture->nextButton()->isEnabled());
    const QList<KorvaneDevice *> records = {
        makeRecord("COM3", "GC3", GC),      makeRecord("COM4", "GD", GD),        makeRecord("COM5", "GU", GU),
        makeRecord("COM6", "GV", GV),       makeRecord("COM7", "CH", CH),        makeRecord("COM8", "GS", GS),
        makeRecord("COM9", "K01", K01),     makeRecord("COM9", "GB1", GB1, 1, 0, 0, true),
        makeRecord("COM10", "", FS),        makeRecord("COM11", "BL_STM32", BL_STM32),
        makeRecord("COM12", "", GSX),       makeRecord("COM13", "", GSOther), makeRecord("COM14", "", Unidentified)};
    fixture->setRecords(records);

    QStringList entries;
    for (int i = 0; i < list()->count(); ++i)
        entries.append(list()->itemText(i));
    QCOMPARE(entries, (QStringList{"COM3(C)", "COM4(D)", "COM5(U)", "COM6(V)", "COM7(H)", "COM8(S)", "COM9(K)",
                                   "COM9(B)", "COM10(F)", "COM11(BL_STM32)", "COM12(GSX)", "COM13", "COM14"}));
    QVERIFY(page()->isComplete());

    // Any later rebuild, a loss included, starts again from the first entry.
    fixture->comm->retire(fixture->comm->devices.takeAt(0));
    emit fixture->comm->deviceLost(records.at(0));
    QCOMPARE(list()->count(), records.size() - 1);
    QCOMPARE(list()->currentIndex(), 0);
    QCOMPARE(list()->itemText(0), QStringLiteral("COM4(D)"));
}

void TestPageSelectPort::nextPageFollowsKindAndManualReboot_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("withManualReboot");
    const int kinds[] = {GC, GD, GU, GV, CH, GS, K01, GB1, FS, BL_STM32, GSX, GSOther, Unidentified};
    const int skipsVersionCheck[] = {1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 1, 1, 0};
    for (int i = 0; i < 13; ++i)
        QTest::addRow("kind %d", kinds[i]) << kinds[i] << (skipsVersionCheck[i] ? 3 : 2);
}

void TestPageSelectPort::nextPageFollowsKindAndManualReboot()
{
    QFETCH(int, kind);
    QFETCH(int, withManualReboot);
    fixture->setRecords({makeRecord("COM20", "GC3", GC), makeRecord("COM21", "X", DeviceKind(kind))});
    list()->setCurrentIndex(1);
    manualReboot()->setChecked(false);
    QCOMPARE(page()->nextId(), 2);
    manualReboot()->setChecked(true);
    QCOMPARE(page()->nextId(), withManualReboot);
}

void TestPageSelectPort::rebootTurnsTheChosenRecordIntoABootloaderRecord()
{
    SimBench sims;
    korvane::sim::Gripper &other = sims.add(korvane::sim::Kind::GD);
    korvane::sim::Gripper &gripper = sims.add(korvane::sim::Kind::GC);
    QVERIFY(sims.settle());
    page()->findChild<QPushButton *>()->click(); // Scan Devices
    QCOMPARE(list()->itemText(1), SimBench::pathOf(gripper) + QStringLiteral("(C)"));
    list()->setCurrentIndex(1);
    KorvaneDevice *before = fixture->comm->devices.at(1);

    // The service Reboot, as its (never laid out) button would.
    QVERIFY(QMetaObject::invokeMethod(page(), "onRebootClicked"));

    QVERIFY(gripper.waitForState(korvane::sim::State::Rom, std::chrono::milliseconds(3000)));
    QCOMPARE(other.state(), korvane::sim::State::Firmware);
    QVERIFY(!fixture->comm->isOpen());
    QCOMPARE(fixture->comm->devices.at(1)->kind, BL_STM32);
    // The old record stays usable for whoever still holds it.
    QCOMPARE(before->versionText(), QStringLiteral("GC3-1.6.8"));
    // The entry is not rebuilt, but Next already follows the new kind.
    manualReboot()->setChecked(true);
    QCOMPARE(page()->nextId(), 2);
}

void TestPageSelectPort::oneScanAtATime()
{
    // A silent port keeps identification waiting long enough for a user to
    // press something; a gripper in its ROM makes the scan use the
    // bootloader link that a second scan would take away from it.
    SimBench sims;
    korvane::sim::GripperConfig romConfig;
    romConfig.kind = korvane::sim::Kind::GC;
    romConfig.bootToRom = true;
    korvane::sim::Gripper &inRom = sims.add(romConfig);
    sims.add(korvane::sim::Kind::Silent);
    korvane::sim::Gripper &gc = sims.add(korvane::sim::Kind::GC);
    QVERIFY(sims.settle());
    QPushButton *scan = page()->findChild<QPushButton *>();

    // Presses everything that would start another scan while this one runs.
    auto pressEverythingMidScan = [&](QStringList &stillEnabled) {
        QTimer::singleShot(200, [&] {
            const QList<QAbstractButton *> controls = {scan, fixture->wizard->button(QWizard::BackButton),
                                                       fixture->nextButton()};
            for (QAbstractButton *control : controls) {
                if (control->isEnabled())
                    stillEnabled << control->text();
                control->click();
            }
        });
    };
    auto checkOneRecordPerPort = [&] {
        QCOMPARE(fixture->wizard->currentId(), 1);
        QCOMPARE(fixture->comm->devices.size(), 3);
        QCOMPARE(list()->count(), 3);
        QCOMPARE(list()->itemText(0), SimBench::pathOf(inRom) + QStringLiteral("(BL_STM32)"));
        QCOMPARE(list()->itemText(2), SimBench::pathOf(gc) + QStringLiteral("(C)"));
        QVERIFY(fixture->nextButton()->isEnabled());
        QVERIFY(scan->isEnabled());
    };

    QStringList stillEnabled;
    pressEverythingMidScan(stillEnabled);
    scan->click();
    QCOMPARE(stillEnabled, QStringList());
    checkOneRecordPerPort();

    // The scan that entering the page starts, from the introduction's Next.
    fixture->wizard->back();
    QCOMPARE(fixture->wizard->currentId(), 0);
    pressEverythingMidScan(stillEnabled);
    fixture->nextButton()->click();
    QCOMPARE(stillEnabled, QStringList());
    checkOneRecordPerPort();
    QVERIFY(fixture->wizard->button(QWizard::BackButton)->isEnabled());
}

// Qt's own buttons follow the user's language with the wizard's texts, or a
// French technician reads "Suivant" on the page and "Next" under it.
void TestPageSelectPort::frenchWizardHasFrenchButtons()
{
    qputenv("LANGUAGE", "fr");
    Language::install(QCoreApplication::instance());
    qunsetenv("LANGUAGE");
    QString next, cancel;
    {
        WizardFixture french;
        next = french.nextButton()->text();
        cancel = french.wizard->button(QWizard::CancelButton)->text();
    }
    for (QTranslator *translator : qApp->findChildren<QTranslator *>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    QVERIFY2(next.contains("Suivant") && cancel == "Annuler", qPrintable(next + " / " + cancel));
}

QTEST_MAIN(TestPageSelectPort)
#include "tst_pageselectport.moc"
