#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace sonivane::test {

// Watches for the next modal message box, hands it to `inspect`, then
// presses the button whose text is `button_text`. Returns the watching
// timer, which stops itself once it has answered.
inline QTimer* answer_next_message_box(QObject* owner, const QString& button_text,
                                       std::function<void(QMessageBox&)> inspect = {})
{
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, button_text, inspect] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        timer->stop();
        if (inspect) {
            inspect(*box);
        }
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == button_text) {
                button->click();
                return;
            }
        }
        box->reject();
    });
    timer->start(20);
    return timer;
}

} // namespace sonivane::test
