#ifndef DOWNLOADDIALOGS_H
#define DOWNLOADDIALOGS_H

#include <QString>

// The download page's dialogs that ask or tell beyond the page itself. Their
// texts keep the page's translation context.
namespace DownloadDialogs {

// Found in its ROM, a gripper cannot say which product it is, and the wrong
// image (or the wrong bank) leaves it without firmware: the user says. The
// carried image chosen, empty when declined.
QString askMainImage();

// "This update's record could not be added to the history: `why`".
QString recordLostText(const QString &why);

// The failure box: `text`, and what the technician sends to support (the
// details to copy, the log folder to open). Returns once OK is pressed.
void showFailure(const QString &text);

} // namespace DownloadDialogs

#endif
