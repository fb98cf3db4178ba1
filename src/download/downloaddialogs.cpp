#include "downloaddialogs.h"

#include "carriedfirmware.h"
#include "history.h"
#include "sessionlog.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace {

QString pageTr(const char *source)
{
    return QCoreApplication::translate("PageDownloadFirmware", source);
}

} // namespace

QString DownloadDialogs::askMainImage()
{
    QMessageBox box(QMessageBox::Question, CarriedFirmware::windowTitle(),
                    pageTr(QT_TRANSLATE_NOOP("PageDownloadFirmware", "This gripper waits in its bootloader and cannot "
                                                                     "tell which product it is. Which firmware does it "
                                                                     "take?")));
    for (const QString &image : CarriedFirmware::mainImages())
        box.addButton(image, QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Cancel);
    box.exec();
    QAbstractButton *clicked = box.clickedButton();
    return clicked && box.buttonRole(clicked) == QMessageBox::AcceptRole
               ? clicked->text().remove(QLatin1Char('&'))
               : QString();
}

QString DownloadDialogs::recordLostText(const QString &why)
{
    return pageTr(QT_TRANSLATE_NOOP("PageDownloadFirmware", "This update's record could not be added to the history: "
                                                            "%1"))
        .arg(why);
}

void DownloadDialogs::showFailure(const QString &text)
{
    QMessageBox box(QMessageBox::Critical, CarriedFirmware::windowTitle(), text);
    // What the technician sends to support: the details, or the log itself.
    const QString log = SessionLog::path();
    box.setDetailedText(log.isEmpty() ? text : pageTr(QT_TRANSLATE_NOOP("PageDownloadFirmware", "%1\nLog: %2"))
                                                   .arg(text, log));
    QPushButton *copy = box.addButton(pageTr(QT_TRANSLATE_NOOP("PageDownloadFirmware", "Copy details")),
                                      QMessageBox::ActionRole);
    QPushButton *folder = box.addButton(pageTr(QT_TRANSLATE_NOOP("PageDownloadFirmware", "Open log folder")),
                                        QMessageBox::ActionRole);
    box.addButton(QMessageBox::Ok);
    // The action buttons would close the box; it stays until OK.
    for (QPushButton *action : {copy, folder})
        QObject::disconnect(action, &QAbstractButton::clicked, nullptr, nullptr);
    QObject::connect(copy, &QPushButton::clicked, &box,
                     [&box] { QGuiApplication::clipboard()->setText(box.detailedText()); });
    QObject::connect(folder, &QPushButton::clicked, &box,
                     [] { QDesktopServices::openUrl(QUrl::fromLocalFile(History::logFolder())); });
    box.exec();
}
