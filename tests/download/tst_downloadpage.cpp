#include <QtTest>
class TestDownloadPage : public QObject
{
    Q_OBJECT
};
QTEST_MAIN(TestDownloadPage)
#include "tst_downloadpage.moc"
