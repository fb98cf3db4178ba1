#ifndef TEST_DIALOGS_H
#define TEST_DIALOGS_H

#include <QAbstractButton>
#include <QApplication>
#include <QList>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

// The wizard asks the user through modal QMessageBoxes whose exec() runs a
// nested event loop. A test answers them from a timer that keeps running in
// that loop: it looks for the box on top and clicks the wanted button.

namespace testdialogs {

// The message box the user would be looking at, if any.
inline QMessageBox *visibleMessageBox()
{
    if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
        if (box->isVisible())
            return box;
    }
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (box && box->isVisible() && box->isModal())
            return box;
    }
    return nullptr;
}

// Presses `answer` on the box, or the box's escape button when it has no such
// button (as a user closing it would).
inline void pressButton(QMessageBox *box, QMessageBox::StandardButton answer)
{
    QAbstractButton *button = box->button(answer);
    if (!button)
        button = box->escapeButton();
    if (!button)
        button = box->defaultButton();
    if (button)
        button->click();
    else
        box->done(answer);
}

} // namespace testdialogs

// What a test saw of one message box.
struct SeenMessageBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// Answers every message box shown while it lives with `answer`. Keeps what
// each box showed, so a test can also check that no box appeared.
class MessageBoxAnswerer : public QObject
{
public:
    explicit MessageBoxAnswerer(QMessageBox::StandardButton answer = QMessageBox::Ok, QObject *parent = nullptr)
        : QObject(parent)
        , m_answer(answer)
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
        m_timer.start();
    }

    const QList<SeenMessageBox> &seen() const { return m_seen; }
    int count() const { return m_seen.size(); }
    QStringList texts() const
    {
        QStringList list;
        for (const SeenMessageBox &box : m_seen)
            list.append(box.text);
        return list;
    }
    void clear() { m_seen.clear(); }

private:
    void poll()
    {
        QMessageBox *box = testdialogs::visibleMessageBox();
        if (!box)
            return;
        m_seen.append({box->windowTitle(), box->text(), box->icon(), box->standardButtons()});
        testdialogs::pressButton(box, m_answer);
    }

    QTimer m_timer;
    QMessageBox::StandardButton m_answer;
    QList<SeenMessageBox> m_seen;
};

#endif
