#include "pagefixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QtTest>

// The images offered for writing come from the resource folder ":/firmware/"
// by file-name prefix. This program carries a few more images than the
// product build, and some names that must not be offered.
class TestFirmwareCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void imagesAreSortedIntoTheirRoles();
};

void TestFirmwareCatalogue::imagesAreSortedIntoTheirRoles()
{
    qunsetenv("KORVANE_EXTRA_PORTS");
    WizardFixture fixture;
    QWizardPage *page = fixture.wizard->page(2);
    QStringList checkBoxes;
    for (QCheckBox *box : page->findChildren<QCheckBox *>()) {
        checkBoxes.append(box->text());
        QVERIFY2(box->isEnabled(), qPrintable(box->text()));
    }
    QCOMPARE(checkBoxes, (QStringList{"Download bootloader", "Download main firmware"}));

    QList<QStringList> lists;
    for (QComboBox *list : page->findChildren<QComboBox *>()) {
        QStringList entries;
        for (int i = 0; i < list->count(); ++i)
            entries.append(list->itemText(i));
        lists.append(entries);
        QVERIFY(!list->isEnabled());
    }
    QCOMPARE(lists.size(), 2);
    // Prefixes are case-sensitive and "K01" needs its dash; names are listed
    // in name order, ignoring case.
    QVERIFY(lists.contains(QStringList{"BL1-2.0.0.bin"}));
    QVERIFY(lists.contains((QStringList{"FS-0.1.bin", "GB1-1.0.0.bin", "GC3-1.6.9.bin", "K01-1.1.0.bin"})));

    // Checking a box picks the first image of its list.
    for (QCheckBox *box : page->findChildren<QCheckBox *>())
        box->click();
    QCOMPARE(fixture.wizard->field("bootloaderFilename").toString(), QStringLiteral("BL1-2.0.0.bin"));
    QCOMPARE(fixture.wizard->field("firmwareFilename").toString(), QStringLiteral("FS-0.1.bin"));
}

QTEST_MAIN(TestFirmwareCatalogue)
#include "tst_firmwarecatalogue.moc"
