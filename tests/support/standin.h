#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace sonivane::test {

// The local stand-in of the outside services, run as a child process on
// loopback ports of its own choosing for the life of this object.
class StandIn {
public:
    StandIn();
    ~StandIn();
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

    // Starts it; false (with `error` set) when it did not come up.
    bool start(QString& error);

    // Points the program's HTTP and HTTPS services and its extra trusted
    // certificate at this stand-in.
    void redirect_services() const;

    QString http_address() const { return m_http; }
    QString https_address() const { return m_https; }
    QString ca_file() const { return m_ca_file; }

    // Requests the program sent since the last reset, oldest first.
    QJsonArray requests() const;
    // The last logged request, or an empty object.
    QJsonObject last_request() const;

    bool reset() const;
    // mode: "none", "silent", "slow", "status", "close" or "drip".
    bool set_fault(const QString& route, const QString& mode, double delay = 0, int status = 0) const;
    bool set_search_reply(const QByteArray& body) const;
    // From now on requests for `path` (any method, query ignored) get this
    // status, these header lines in order, and this body.
    bool script(const QString& path, int status, const QList<std::pair<QByteArray, QByteArray>>& headers,
                const QByteArray& body) const;

private:
    QByteArray control(const char* method, const QString& path, const QByteArray& body, bool* ok) const;

    QTemporaryDir m_state_dir;
    QProcess m_process;
    QString m_http;
    QString m_https;
    QString m_ca_file;
};

// A logged header's value by case-insensitive name, or a null QString.
QString header_value(const QJsonObject& request, const QString& name);

// A loopback address on which nothing listens.
QString closed_address();

} // namespace sonivane::test
