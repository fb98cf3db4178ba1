#ifndef CLOSEGUARD_H
#define CLOSEGUARD_H

#include <QObject>

class QLabel;
class QWizard;

// From the first erase until the new firmware runs, the window must not
// close: a gripper left half-written, with nobody told, is the worst outcome.
// While it holds, the wizard's Cancel is disabled and Escape and the window's
// close are refused, with a word in `notice`.
class CloseGuard : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    void watch(QWizard *wizard, QLabel *notice);
    void hold(bool on);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWizard *wizard = nullptr;
    QLabel *notice = nullptr;
    bool holding = false;
};

#endif
