#include "ui/application.h"

#include "net/web_request.h"
#include "platform/codepage.h"
#include "search/song_link_search.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

namespace sonivane::ui {

// The window is not built yet: until it is, the program runs the one
// feature that exists, a song link search for the name and singer given on
// the command line (晴天 by 乐队 when none are given), and prints the link.
int run_application(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    const QString name = arguments.value(0, QStringLiteral("晴天"));
    const QString singer = arguments.value(1, QStringLiteral("乐队"));

    QTextStream out(stdout);
    out << QStringLiteral("Sonivane: 主窗口尚未完成，现在只运行歌曲链接查询。") << Qt::endl;
    out << QStringLiteral("歌名: %1  歌手: %2").arg(name, singer) << Qt::endl;
    const Text link = song_link_search(codepage::text_from_qstring(name), codepage::text_from_qstring(singer));
    out << (is_no_result_link(link) ? QStringLiteral("无结果: ") : QStringLiteral("歌曲链接: "))
        << codepage::qstring_from_text(link) << Qt::endl;
    release_search_state();
    net::stop_all_workers();
    return 0;
}

} // namespace sonivane::ui
