#include "ui/controls.h"

#include "platform/codepage.h"

#include <QMouseEvent>

namespace sonivane::ui {

void EditBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        Q_EMIT left_pressed();
    }
    QLineEdit::mousePressEvent(event);
}

void EditBox::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    Q_EMIT focus_lost();
}

void EditBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    QLineEdit::mouseDoubleClickEvent(event);
    Q_EMIT double_clicked();
}

Text text_of(const QLineEdit& box)
{
    return codepage::text_from_qstring(box.text());
}

void set_text(QLineEdit& box, const Text& text)
{
    box.setText(codepage::qstring_from_text(text));
}

Text text_of(const QLabel& label)
{
    return codepage::text_from_qstring(label.text());
}

void set_text(QLabel& label, const Text& text)
{
    label.setText(codepage::qstring_from_text(text));
}

Text caption_of(const QPushButton& button)
{
    return codepage::text_from_qstring(button.text());
}

void set_caption(QPushButton& button, const Text& caption)
{
    button.setText(codepage::qstring_from_text(caption));
}

} // namespace sonivane::ui
