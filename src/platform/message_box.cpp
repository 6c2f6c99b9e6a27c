#include "platform/message_box.h"

#include "platform/codepage.h"

#include <QMessageBox>
#include <QPushButton>

namespace sonivane::platform {

const Text default_message_caption("\xD0\xC5\xCF\xA2\xA3\xBA"); // 信息：

int message_box(const Text& text, const Text& caption, MessageButtons buttons)
{
    QString body = codepage::qstring_from_text(text);
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(QMessageBox::NoIcon, codepage::qstring_from_text(caption), body);
    box.setWindowModality(Qt::ApplicationModal);
    if (buttons == MessageButtons::yes_no) {
        QPushButton* yes = box.addButton(QStringLiteral("是"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QStringLiteral("否"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? result_yes : result_no;
    }
    QPushButton* ok = box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
    return result_ok;
}

} // namespace sonivane::platform
