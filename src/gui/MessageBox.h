#pragma once

#include "guard/GuardObserver.h"
#include "store/Message.h"

#include <QList>
#include <QMessageBox>
#include <QString>

class QWidget;

namespace quorvel::gui {

// Every message box of the program goes through here, so that a test can answer it and
// read what it said instead of a modal box blocking the run.
class MessageBox {
public:
    struct Shown {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title;
        QString text;
    };

    static void information(QWidget* parent, const QString& title, const QString& text);
    static void warning(QWidget* parent, const QString& title, const QString& text);
    static void critical(QWidget* parent, const QString& title, const QString& text);
    // Yes and No buttons; true for Yes.
    static bool question(QWidget* parent, const QString& title, const QString& text);

    static void show(QWidget* parent, const store::Message& message);
    // The message as a question with its own icon, Yes and No buttons; true for Yes.
    static bool askYesNo(QWidget* parent, const store::Message& message);
    static void show(QWidget* parent, const QString& title, const QString& text,
                     guard::MessageIcon icon);

    // Tests: from the first call on, boxes are recorded and answered without being shown;
    // queued answers are used first, then Yes/OK.
    static void setNextAnswer(QMessageBox::StandardButton answer);
    static void enableTestMode();
    // Tests that need a real box on the screen: shown and answered by its buttons again.
    static void disableTestMode();
    static const QList<Shown>& shown();
    static void clearShown();

private:
    static QMessageBox::StandardButton ask(QWidget* parent, QMessageBox::Icon icon,
                                           const QString& title, const QString& text,
                                           QMessageBox::StandardButtons buttons);
};

} // namespace quorvel::gui
