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
// images are offered, which warning shows, what its answers do, and when
// "Update firmware" is usable. This program carries a few images beside the
// product's GC3 one, and some names that must not be offered.
class TestPageCheckVersion : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void imagesAreSortedIntoTheirRoles();
    void warningJudgesTheImageOffered_data();
    void warningJudgesTheImageOffered();
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

void TestPageCheckVersion::imagesAreSortedIntoTheirRoles()
{
    QList<QStringList> lists;
    for (QComboBox *list : page()->findChildren<QComboBox *>()) {
        QStringList entries;
        for (int i = 0; i < list->count(); ++i)
            entries.append(list->itemText(i));
        lists.append(entries);
    }
    // Prefixes are case-sensitive and "K01" needs its dash; names are listed
    // in name order, ignoring case.
    QVERIFY(lists.contains(QStringList{"BL1-2.0.0.bin"}));
    QVERIFY(lists.contains((QStringList{"FS-0.1.bin", "GB1-1.0.0.bin", "GC3-1.6.9.bin", "K01-1.1.0.bin"})));
}

void TestPageCheckVersion::warningJudgesTheImageOffered_data()
{
    QTest::addColumn<QString>("typeCode");
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("patch");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QString>("offered");

    const QString gc3 = QStringLiteral("GC3-1.6.9.bin");
    QTest::newRow("same version") << "GC3" << 1 << 6 << 9 << kSame << gc3;
    QTest::newRow("newer patch") << "GC3" << 1 << 6 << 10 << kOlder << gc3;
    QTest::newRow("older minor, high patch") << "GC3" << 1 << 5 << 20 << QString() << gc3;
    // A version byte of 0xFF is -1, below every real version.
    QTest::newRow("major byte 0xFF") << "GC3" << -1 << 7 << 0 << QString() << gc3;
    // A gripper for which an image is carried is offered that image, and
    // warned against it, not against the firmware the build is named after.
    QTest::newRow("K01 older than its image") << "K01" << 1 << 0 << 0 << QString() << "K01-1.1.0.bin";
    QTest::newRow("K01 at its image's version") << "K01" << 1 << 1 << 0 << kSame << "K01-1.1.0.bin";
    QTest::newRow("K01 newer than its image") << "K01" << 1 << 2 << 0 << kOlder << "K01-1.1.0.bin";
    QTest::newRow("GB1 older than its image") << "GB1" << 0 << 9 << 0 << QString() << "GB1-1.0.0.bin";
    // No image made for it: the first one listed, of another type.
    QTest::newRow("no image for a GD1") << "GD1" << 1 << 6 << 9 << kDifferent << "FS-0.1.bin";
    QTest::newRow("type compared case-sensitively") << "gc3" << 1 << 6 << 8 << kDifferent << "FS-0.1.bin";
    QTest::newRow("found in the bootloader") << "BL_STM32" << 0 << 0 << 0 << kDifferent << "FS-0.1.bin";
    // Too short a type code to judge.
    QTest::newRow("manual reboot record") << "" << 0 << 0 << 0 << QString() << "FS-0.1.bin";
    QTest::newRow("two-letter code") << "GS" << 9 << 9 << 9 << QString() << "FS-0.1.bin";
}

void TestPageCheckVersion::warningJudgesTheImageOffered()
{
    QFETCH(QString, typeCode);
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, patch);
    QFETCH(QString, warning);
    QFETCH(QString, offered);

    MessageBoxAnswerer answerer(QMessageBox::Ok);
    KorvaneDevice *record = makeRecord("COM5", typeCode, typeCode == "GS" ? GS : GC, major, minor, patch);
    enterWith(record);
    // Ok leaves the user on the page, which shows what the gripper runs.
    QVERIFY(fixture->wizard->isVisible() && fixture->wizard->currentId() == 2);
    QCOMPARE(answerer.texts(), warning.isEmpty() ? QStringList() : QStringList{warning});
    QVERIFY(page()->findChild<QLabel *>()->text().endsWith(record->versionText()));
    QCOMPARE(fixture->wizard->field("firmwareFilename").toString(), offered);
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
    QCheckBox *firmware = box(QStringLiteral("Download main firmware"));
    QVERIFY(firmware);

    // A GS gripper takes its one image through its own bootloader: nothing to
    // choose, and the update may start at once.
    enterWith(makeRecord("COM5", "GS", GS, 1, 0, 0));
    QVERIFY(firmware->isHidden());
    QVERIFY(fixture->commitButton()->isEnabled());

    // Back to the port page and on with another gripper: the choice returns,
    // and the update waits for it.
    fixture->wizard->back();
    enterWith(makeRecord("COM6", "GC3", GC, 1, 6, 8));
    QVERIFY(!firmware->isHidden());
    QVERIFY(!fixture->commitButton()->isEnabled());
    firmware->click();
    QVERIFY(fixture->commitButton()->isEnabled());
    firmware->click();
    QVERIFY(!fixture->commitButton()->isEnabled());

    // Other members of the GS family still need a box checked.
    fixture->wizard->back();
    enterWith(makeRecord("COM7", "", GSX));
    QVERIFY(!fixture->commitButton()->isEnabled());
    QCOMPARE(answerer.count(), 0);
}

QTEST_MAIN(TestPageCheckVersion)
#include "tst_pagecheckversion.moc"
