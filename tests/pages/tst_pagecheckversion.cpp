#include "carriedfirmware.h"
#include "dialogs.h"
#include "pagecheckversion.h"
#include "pagefixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QtTest>

namespace {
const QString kDifferent
    = QStringLiteral("The firmware you will install is of a different type than the one currently installed.");
const QString kOlder = QStringLiteral("The firmware you will install is older than the one currently installed.");
const QString kSame
    = QStringLiteral("The version of the firmware you will install is the same as the one currently installed.");
} // namespace

// The version check as the user meets it after choosing a gripper: which
// warning shows, what its answers do, and when "Update firmware" is usable.
class TestPageCheckVersion : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void warningFollowsTypeAndVersion_data();
    void warningFollowsTypeAndVersion();
    void cancelInTheWarningClosesTheWizard();
    void choicesAndTheCommitButton();

private:
    PageCheckVersion *page() const { return qobject_cast<PageCheckVersion *>(fixture->wizard->page(2)); }
    QCheckBox *box(const QString &text) const
    {
        for (QCheckBox *candidate : page()->findChildren<QCheckBox *>()) {
            if (candidate->text() == text)
                return candidate;
        }
        return nullptr;
    }
    // Chooses the record on the port page and presses Next.
    void enterWith(KorvaneDevice *record)
    {
        fixture->setRecords({record});
        fixture->wizard->next();
    }

    WizardFixture *fixture = nullptr;
};

void TestPageCheckVersion::init()
{
    qunsetenv("KORVANE_EXTRA_PORTS");
    fixture = new WizardFixture;
    fixture->wizard->next();
    QCOMPARE(fixture->wizard->currentId(), 1);
}

void TestPageCheckVersion::cleanup()
{
    delete fixture;
    fixture = nullptr;
}

void TestPageCheckVersion::warningFollowsTypeAndVersion_data()
{
    QTest::addColumn<QString>("typeCode");
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("patch");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QString>("installed");

    QTest::newRow("same version") << "GC3" << 1 << 6 << 9 << kSame << "GC3-1.6.9";
    QTest::newRow("newer patch") << "GC3" << 1 << 6 << 10 << kOlder << "GC3-1.6.10";
    QTest::newRow("newer minor") << "GC3" << 1 << 7 << 0 << kOlder << "GC3-1.7.0";
    QTest::newRow("newer major") << "GC3" << 2 << 0 << 0 << kOlder << "GC3-2.0.0";
    QTest::newRow("older patch") << "GC3" << 1 << 6 << 8 << QString() << "GC3-1.6.8";
    QTest::newRow("older minor, high patch") << "GC3" << 1 << 5 << 20 << QString() << "GC3-1.5.20";
    QTest::newRow("older major") << "GC3" << 0 << 9 << 9 << QString() << "GC3-0.9.9";
    // A version byte of 0xFF is -1, below every real version.
    QTest::newRow("major byte 0xFF") << "GC3" << -1 << 7 << 0 << QString() << "GC3--1.7.0";
    QTest::newRow("other product, older") << "K01" << 0 << 1 << 0 << kDifferent << "K01-0.1.0";
    QTest::newRow("other product, same numbers") << "GB1" << 1 << 6 << 9 << kDifferent << "GB1-1.6.9";
    QTest::newRow("type compared case-sensitively") << "gc3" << 1 << 6 << 8 << kDifferent << "gc3-1.6.8";
    QTest::newRow("found in the bootloader") << "BL_STM32" << 0 << 0 << 0 << kDifferent << "BL_STM32-0.0.0";
    QTest::newRow("first three letters decide") << "GC3X" << 1 << 6 << 8 << QString() << "GC3X-1.6.8";
    QTest::newRow("manual reboot record") << "" << 0 << 0 << 0 << QString() << "-0.0.0";
    QTest::newRow("two-letter code") << "GS" << 9 << 9 << 9 << QString() << "GS-9.9.9";
}

void TestPageCheckVersion::warningFollowsTypeAndVersion()
{
    QFETCH(QString, typeCode);
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, patch);
    QFETCH(QString, warning);
    QFETCH(QString, installed);

    MessageBoxAnswerer answerer(QMessageBox::Ok);
    enterWith(makeRecord("COM5", typeCode, typeCode == "GS" ? GS : GC, major, minor, patch));

    QCOMPARE(fixture->wizard->currentId(), 2);
    QVERIFY(fixture->wizard->isVisible());
    if (warning.isEmpty()) {
        QCOMPARE(answerer.texts(), QStringList());
    } else {
        QCOMPARE(answerer.texts(), QStringList{warning});
        const SeenMessageBox &seen = answerer.seen().first();
        QCOMPARE(seen.title, CarriedFirmware::windowTitle());
        QCOMPARE(seen.icon, QMessageBox::Critical);
        QCOMPARE(seen.buttons, QMessageBox::Ok | QMessageBox::Cancel);
    }
    QCOMPARE(page()->findChild<QLabel *>()->text(),
             QStringLiteral("The current version of the firmware is ") + installed);
    QCOMPARE(fixture->commitButton()->text(), QStringLiteral("Update firmware"));
}

void TestPageCheckVersion::cancelInTheWarningClosesTheWizard()
{
    MessageBoxAnswerer answerer(QMessageBox::Cancel);
    enterWith(makeRecord("COM5", "GC3", GC, 1, 6, 9));
    QCOMPARE(answerer.texts(), QStringList{kSame});
    QVERIFY(!fixture->wizard->isVisible());
}

void TestPageCheckVersion::choicesAndTheCommitButton()
{
    MessageBoxAnswerer answerer(QMessageBox::Ok);
    QCheckBox *bootloader = box(QStringLiteral("Download bootloader"));
    QCheckBox *firmware = box(QStringLiteral("Download main firmware"));
    QVERIFY(bootloader && firmware);
    const QList<QComboBox *> lists = page()->findChildren<QComboBox *>();
    QCOMPARE(lists.size(), 2);
    QComboBox *bootloaderList = lists.at(0)->count() == 0 ? lists.at(0) : lists.at(1);
    QComboBox *firmwareList = bootloaderList == lists.at(0) ? lists.at(1) : lists.at(0);

    // The build carries one main image and no bootloader image.
    QCOMPARE(bootloaderList->count(), 0);
    QCOMPARE(firmwareList->count(), 1);
    QCOMPARE(firmwareList->itemText(0), QStringLiteral("GC3-1.6.9.bin"));
    QVERIFY(!bootloader->isEnabled());
    QVERIFY(firmware->isEnabled());

    // A GS gripper takes its one image through its own bootloader: nothing to
    // choose, and the update may start at once.
    enterWith(makeRecord("COM5", "GS", GS, 1, 0, 0));
    QVERIFY(bootloader->isHidden() && bootloaderList->isHidden() && firmware->isHidden() && firmwareList->isHidden());
    QVERIFY(page()->isComplete());
    QVERIFY(fixture->commitButton()->isEnabled());

    // Back to the port page and on with another gripper: the choices return.
    fixture->wizard->back();
    enterWith(makeRecord("COM6", "GC3", GC, 1, 6, 8));
    QVERIFY(!bootloader->isHidden() && !bootloaderList->isHidden() && !firmware->isHidden()
            && !firmwareList->isHidden());
    QVERIFY(!fixture->commitButton()->isEnabled());
    QVERIFY(!firmwareList->isEnabled());

    firmware->click();
    QVERIFY(firmwareList->isEnabled());
    QVERIFY(fixture->commitButton()->isEnabled());
    QCOMPARE(fixture->wizard->field("downloadFirmware").toBool(), true);
    QCOMPARE(fixture->wizard->field("downloadBootloader").toBool(), false);
    QCOMPARE(fixture->wizard->field("firmwareFilename").toString(), QStringLiteral("GC3-1.6.9.bin"));
    QCOMPARE(fixture->wizard->field("bootloaderFilename").toString(), QString());

    firmware->click();
    QVERIFY(!firmwareList->isEnabled());
    QVERIFY(!fixture->commitButton()->isEnabled());

    // Other members of the GS family still need a box checked.
    fixture->wizard->back();
    enterWith(makeRecord("COM7", "", GSX));
    QVERIFY(!firmware->isHidden());
    QVERIFY(!page()->isComplete());
    QCOMPARE(answerer.count(), 0);
}

QTEST_MAIN(TestPageCheckVersion)
#include "tst_pagecheckversion.moc"
