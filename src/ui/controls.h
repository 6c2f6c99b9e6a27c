#pragma once

#include "text/text.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

// The window's kinds of control and their texts as GBK `Text`; the
// conversion to and from QString happens here, at the edge.
namespace sonivane::ui {

// A single-line edit box that reports a left-button press (before the box
// handles it), the loss of the focus, and a double-click.
class EditBox : public QLineEdit {
    Q_OBJECT

public:
    using QLineEdit::QLineEdit;

Q_SIGNALS:
    void left_pressed();
    void focus_lost();
    void double_clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// Where the list page is shown. The browser engine itself is made when a
// page is first shown, so start-up does not pay for it; until then the view
// only keeps its address.
class BrowserView : public QWidget {
    Q_OBJECT

public:
    using QWidget::QWidget;

    const Text& address() const { return m_address; }
    void set_address(const Text& address) { m_address = address; }

private:
    Text m_address;
};

Text text_of(const QLineEdit& box);
void set_text(QLineEdit& box, const Text& text);
Text text_of(const QLabel& label);
void set_text(QLabel& label, const Text& text);
Text caption_of(const QPushButton& button);
void set_caption(QPushButton& button, const Text& caption);

} // namespace sonivane::ui
