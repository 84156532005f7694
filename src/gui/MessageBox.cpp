#include "gui/MessageBox.h"

#include <QQueue>

namespace quorvel::gui {

namespace {

struct TestState {
    bool enabled = false;
    QQueue<QMessageBox::StandardButton> answers;
    QList<MessageBox::Shown> shown;
};

TestState& testState() {
    static TestState state;
    return state;
}

QMessageBox::Icon IconOf(guard::MessageIcon icon) {
    switch (icon) {
    case guard::MessageIcon::Information:
        return QMessageBox::Information;
    case guard::MessageIcon::Warning:
        return QMessageBox::Warning;
    case guard::MessageIcon::Critical:
        return QMessageBox::Critical;
    }
    return QMessageBox::Information;
}

QMessageBox::Icon IconOf(store::MessageIcon icon) {
    switch (icon) {
    case store::MessageIcon::Information:
        return QMessageBox::Information;
    case store::MessageIcon::Warning:
        return QMessageBox::Warning;
    case store::MessageIcon::Critical:
        return QMessageBox::Critical;
    }
    return QMessageBox::Information;
}

} // namespace

QMessageBox::StandardButton MessageBox::ask(QWidget* parent, QMessageBox::Icon icon,
                                            const QString& title, const QString& text,
                                            QMessageBox::StandardButtons buttons) {
    TestState& state = testState();
    if (state.enabled) {
        state.shown.append({icon, title, text});
        if (!state.answers.isEmpty()) {
            return state.answers.dequeue();
        }
        return buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
    }
    QMessageBox box(icon, title, text, buttons, parent);
    // Modal to its own window only: an alert, a window of its own, stays answerable.
    box.setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    box.setAttribute(Qt::WA_QuitOnClose, false);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void MessageBox::information(QWidget* parent, const QString& title, const QString& text) {
    ask(parent, QMessageBox::Information, title, text, QMessageBox::Ok);
}

void MessageBox::warning(QWidget* parent, const QString& title, const QString& text) {
    ask(parent, QMessageBox::Warning, title, text, QMessageBox::Ok);
}

void MessageBox::critical(QWidget* parent, const QString& title, const QString& text) {
    ask(parent, QMessageBox::Critical, title, text, QMessageBox::Ok);
}

bool MessageBox::question(QWidget* parent, const QString& title, const QString& text) {
    return ask(parent, QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

void MessageBox::show(QWidget* parent, const store::Message& message) {
    ask(parent, IconOf(message.icon), QString::fromStdString(message.title),
        QString::fromStdString(message.text), QMessageBox::Ok);
}

bool MessageBox::askYesNo(QWidget* parent, const store::Message& message) {
    return ask(parent, IconOf(message.icon), QString::fromStdString(message.title),
               QString::fromStdString(message.text),
               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void MessageBox::show(QWidget* parent, const QString& title, const QString& text,
                      guard::MessageIcon icon) {
    ask(parent, IconOf(icon), title, text, QMessageBox::Ok);
}

void MessageBox::setNextAnswer(QMessageBox::StandardButton answer) {
    enableTestMode();
    testState().answers.enqueue(answer);
}

void MessageBox::enableTestMode() {
    testState().enabled = true;
}

void MessageBox::disableTestMode() {
    testState().enabled = false;
}

const QList<MessageBox::Shown>& MessageBox::shown() {
    return testState().shown;
}

void MessageBox::clearShown() {
    testState().shown.clear();
    testState().answers.clear();
}

} // namespace quorvel::gui
