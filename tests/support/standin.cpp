#include "standin.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QTcpServer>

#include <curl/curl.h>

#include <memory>

namespace sonivane::test {

namespace {

std::size_t collect(char* data, std::size_t size, std::size_t count, void* sink)
{
    static_cast<QByteArray*>(sink)->append(data, static_cast<qsizetype>(size * count));
    return size * count;
}

} // namespace

StandIn::StandIn() = default;

StandIn::~StandIn()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
}

bool StandIn::start(QString& error)
{
    if (!m_state_dir.isValid()) {
        error = QStringLiteral("no temporary directory");
        return false;
    }
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral("python3"), {QStringLiteral(SONIVANE_STANDIN_SCRIPT), QStringLiteral("--state-dir"),
                                                m_state_dir.path(), QStringLiteral("--exit-on-stdin-eof")});
    if (!m_process.waitForStarted(10000)) {
        error = QStringLiteral("python3 did not start: ") + m_process.errorString();
        return false;
    }
    const QDeadlineTimer deadline(30000);
    while (!m_process.canReadLine()) {
        if (deadline.hasExpired() || !m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            error = QStringLiteral("the stand-in did not report READY");
            return false;
        }
    }
    // READY http=HOST:PORT https=HOST:PORT ca=PATH
    const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
    for (const QString& field : line.split(QLatin1Char(' '))) {
        if (field.startsWith(QStringLiteral("http="))) {
            m_http = field.mid(5);
        } else if (field.startsWith(QStringLiteral("https="))) {
            m_https = field.mid(6);
        } else if (field.startsWith(QStringLiteral("ca="))) {
            m_ca_file = field.mid(3);
        }
    }
    if (!line.startsWith(QStringLiteral("READY")) || m_http.isEmpty() || m_https.isEmpty() || m_ca_file.isEmpty()) {
        error = QStringLiteral("unexpected first line from the stand-in: ") + line;
        return false;
    }
    return true;
}

void StandIn::redirect_services() const
{
    qputenv("SONIVANE_SERVICE_HTTP", m_http.toUtf8());
    qputenv("SONIVANE_SERVICE_HTTPS", m_https.toUtf8());
    qputenv("SONIVANE_CA_FILE", m_ca_file.toUtf8());
}

QByteArray StandIn::control(const char* method, const QString& path, const QByteArray& body, bool* ok) const
{
    const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy(curl_easy_init(), &curl_easy_cleanup);
    const QByteArray url = (QStringLiteral("http://") + m_http + path).toUtf8();
    QByteArray reply;
    curl_easy_setopt(easy.get(), CURLOPT_URL, url.constData());
    curl_easy_setopt(easy.get(), CURLOPT_CUSTOMREQUEST, method);
    if (qstrcmp(method, "POST") == 0) {
        curl_easy_setopt(easy.get(), CURLOPT_POSTFIELDS, body.constData());
        curl_easy_setopt(easy.get(), CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    }
    curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, &collect);
    curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &reply);
    curl_easy_setopt(easy.get(), CURLOPT_TIMEOUT, 10L);
    curl_easy_setopt(easy.get(), CURLOPT_NOSIGNAL, 1L);
    long status = 0;
    const CURLcode result = curl_easy_perform(easy.get());
    curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &status);
    if (ok != nullptr) {
        *ok = result == CURLE_OK && status == 200;
    }
    return reply;
}

QJsonArray StandIn::requests() const
{
    return QJsonDocument::fromJson(control("GET", QStringLiteral("/__standin/requests"), {}, nullptr)).array();
}

QJsonObject StandIn::last_request() const
{
    const QJsonArray all = requests();
    return all.isEmpty() ? QJsonObject() : all.last().toObject();
}

bool StandIn::reset() const
{
    bool ok = false;
    control("POST", QStringLiteral("/__standin/reset"), {}, &ok);
    return ok;
}

bool StandIn::set_fault(const QString& route, const QString& mode, double delay, int status) const
{
    QJsonObject fault{{QStringLiteral("route"), route}, {QStringLiteral("mode"), mode}};
    if (delay > 0) {
        fault.insert(QStringLiteral("delay"), delay);
    }
    if (status > 0) {
        fault.insert(QStringLiteral("status"), status);
    }
    bool ok = false;
    control("POST", QStringLiteral("/__standin/fault"), QJsonDocument(fault).toJson(QJsonDocument::Compact), &ok);
    return ok;
}

bool StandIn::set_search_reply(const QByteArray& body) const
{
    bool ok = false;
    control("POST", QStringLiteral("/__standin/search-reply"), body, &ok);
    return ok;
}

bool StandIn::script(const QString& path, int status, const QList<std::pair<QByteArray, QByteArray>>& headers,
                     const QByteArray& body) const
{
    QJsonArray header_lines;
    for (const auto& [name, value] : headers) {
        header_lines.append(QJsonArray{QString::fromLatin1(name), QString::fromLatin1(value)});
    }
    const QJsonObject reply{{QStringLiteral("path"), path},
                            {QStringLiteral("status"), status},
                            {QStringLiteral("headers"), header_lines},
                            {QStringLiteral("body_b64"), QString::fromLatin1(body.toBase64())}};
    bool ok = false;
    control("POST", QStringLiteral("/__standin/script"), QJsonDocument(reply).toJson(QJsonDocument::Compact), &ok);
    return ok;
}

QString header_value(const QJsonObject& request, const QString& name)
{
    for (const QJsonValue& header : request.value(QStringLiteral("headers")).toArray()) {
        const QJsonArray pair = header.toArray();
        if (pair.at(0).toString().compare(name, Qt::CaseInsensitive) == 0) {
            return pair.at(1).toString();
        }
    }
    return {};
}

QString closed_address()
{
    // Bind a free port, then give it back: nothing listens there afterwards.
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("127.0.0.1:%1").arg(port);
}

} // namespace sonivane::test
