// The admin requests of the simulator: how tests and the demo steer it.
#include "SimServer.h"

#include <QJsonDocument>

#include <cstdio>

namespace {

void reply(httplib::Response &res, int status, const QJsonValue &body)
{
    res.status = status;
    const QJsonDocument doc =
        body.isArray() ? QJsonDocument(body.toArray()) : QJsonDocument(body.toObject());
    res.set_content(doc.toJson(QJsonDocument::Compact).toStdString(), "application/json");
}

void fail(httplib::Response &res, int status, const QString &why)
{
    reply(res, status, QJsonObject{{"error", why}});
}

} // namespace

void SimServer::admin(const httplib::Request &req, httplib::Response &res)
{
    const std::string &path = req.path;
    QJsonParseError pe{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(req.body), &pe);
    const QJsonObject o = doc.object();
    const bool post = req.method == "POST";
    const bool needsBody =
        post && (path == "/admin/register" || path == "/admin/fault" || path == "/admin/config");
    if (needsBody && !doc.isObject())
        return fail(res, 400, "the body must be a JSON object: " + pe.errorString());

    if (post && path == "/admin/register") {
        const bool csr = o.contains("csr");
        QString error;
        if (!m_state.registerKey(o.value("address").toString(),
                                 o.value(csr ? "csr" : "publicKey").toString().toUtf8(), &error))
            return fail(res, 400, error);
        return reply(res, 200, QJsonObject{{"registered", o.value("address")}});
    }
    if (!post && path == "/admin/requests") {
        std::lock_guard lock(m_state.mutex());
        return reply(res, 200, m_state.requests());
    }
    if (!post && path == "/admin/mailboxes") {
        std::lock_guard lock(m_state.mutex());
        return reply(res, 200, m_state.dump());
    }
    if (post && path == "/admin/requests/clear") {
        std::lock_guard lock(m_state.mutex());
        m_state.clearRequests();
        return reply(res, 200, QJsonObject{});
    }
    if (post && path == "/admin/fault") {
        SimFault f;
        f.method = o.value("method").toString();
        f.path = QRegularExpression(o.value("path").toString());
        if (!f.path.isValid())
            return fail(res, 400, "path is not a valid regular expression");
        f.status = o.value("status").toInt(0);
        f.body = o.value("body").toString().toUtf8();
        f.contentType = o.value("contentType").toString("application/json").toUtf8();
        f.delayMs = o.value("delayMs").toInt(0);
        f.times = o.value("times").toInt(1);
        if (f.times == 0)
            return fail(res, 400, "times must not be 0");
        // The reason phrase always comes from the status code, so only a standard one can be had.
        const QString reason = o.value("reason").toString();
        if (!reason.isEmpty() && !(f.status == 202 && reason == "Accepted"))
            std::fprintf(
                stderr,
                "edelivery-sim: reason '%s' ignored, the status code's own phrase is sent\n",
                qPrintable(reason));
        std::lock_guard lock(m_state.mutex());
        m_state.addFault(std::move(f));
        return reply(res, 200, QJsonObject{});
    }
    if (post && path == "/admin/faults/clear") {
        std::lock_guard lock(m_state.mutex());
        m_state.clearFaults();
        return reply(res, 200, QJsonObject{});
    }
    if (post && path == "/admin/config") {
        std::lock_guard lock(m_state.mutex());
        if (o.contains("expiresIn"))
            m_state.setExpiresIn(o.value("expiresIn").toInt(300));
        return reply(res, 200, QJsonObject{{"expiresIn", m_state.expiresIn()}});
    }
    if (post && path == "/admin/shutdown") {
        m_state.requestShutdown();
        return reply(res, 200, QJsonObject{});
    }
    fail(res, 404, "no such admin request");
}
