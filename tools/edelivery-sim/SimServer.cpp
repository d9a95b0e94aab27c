#include "SimServer.h"

#include "AssertionVerifier.h"

#include <QJsonDocument>
#include <QUrlQuery>

#include <cstdio>

namespace {

const char jsonType[] = "application/json";
const char apiPrefix[] = R"(/api/v3/([^/]+))";

QString qs(const std::string &s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string text(const QJsonValue &v)
{
    const QJsonDocument doc =
        v.isArray() ? QJsonDocument(v.toArray()) : QJsonDocument(v.toObject());
    return doc.toJson(QJsonDocument::Compact).toStdString();
}

void answer(httplib::Response &res, int status, const QJsonValue &body)
{
    res.status = status;
    res.set_content(text(body), jsonType);
}

void oauthError(httplib::Response &res, int status, const char *error, const QString &why)
{
    answer(res, status, QJsonObject{{"error", error}, {"error_description", why}});
}

// The service's own error form, an array of code/message objects.
void apiError(httplib::Response &res, int status, const char *code, const QString &why)
{
    answer(res, status, QJsonArray{QJsonObject{{"error", code}, {"message", why}}});
}

std::string rawQuery(const httplib::Request &req)
{
    const auto q = req.target.find('?');
    return q == std::string::npos ? std::string() : req.target.substr(q + 1);
}

// Strict application/x-www-form-urlencoded reading; '+' is a blank there.
QMap<QString, QString> formFields(const std::string &body)
{
    QMap<QString, QString> out;
    for (const QByteArray &pair : QByteArray::fromStdString(body).split('&')) {
        if (pair.isEmpty())
            continue;
        const qsizetype eq = pair.indexOf('=');
        auto decode = [](QByteArray b) {
            return QString::fromUtf8(QByteArray::fromPercentEncoding(b.replace('+', ' ')));
        };
        out.insert(decode(pair.left(eq)), eq < 0 ? QString() : decode(pair.mid(eq + 1)));
    }
    return out;
}

QJsonObject metadata(const SimMessage &m)
{
    QJsonObject md{
        {"messageId", m.id},
        {"subject", m.subject},
        {"timestamp", m.timestamp},
        {"from", QJsonObject{{"eDeliveryAddress", m.fromAddress},
                             {"contributor", QJsonObject{{"companyName", m.companyName}}}}}};
    if (!m.receiptDate.isEmpty())
        md.insert("receiptDate", m.receiptDate);
    return md;
}

} // namespace

SimServer::SimServer(SimState &state, X509 *cert, EVP_PKEY *key)
    : m_state(state), m_server(cert, key)
{
    installRoutes();
}

int SimServer::bind(int port)
{
    // Without it every answer's last small write waits out the client's delayed ACK (about
    // 40 ms on loopback). The library's compiled part ignores the compile-time default.
    m_server.set_tcp_nodelay(true);
    if (port == 0)
        return m_server.bind_to_any_port("127.0.0.1");
    return m_server.bind_to_port("127.0.0.1", port) ? port : -1;
}

void SimServer::run()
{
    m_server.listen_after_bind();
}

void SimServer::stop()
{
    m_server.stop();
}

void SimServer::installRoutes()
{
    using Member = void (SimServer::*)(const httplib::Request &, httplib::Response &);
    // Every request to the service is logged, with its body, and may meet a fault first.
    auto h = [this](Member fn) {
        return httplib::Server::Handler(
            [this, fn](const httplib::Request &req, httplib::Response &res) {
                if (record(req, res))
                    return;
                if (fn)
                    (this->*fn)(req, res);
                else
                    apiError(res, 404, "NOT_FOUND", "no such resource");
                // Refusals go to stderr as well, so that a failing test shows why.
                if (res.status >= 400)
                    std::fprintf(stderr, "edelivery-sim: %d for %s %s: %.300s\n", res.status,
                                 req.method.c_str(), req.path.c_str(), res.body.c_str());
            });
    };
    const std::string api = apiPrefix;
    m_server.Post("/auth/realms/EDOR/protocol/openid-connect/token", h(&SimServer::token));
    m_server.Get(api + "/numberMessages", h(&SimServer::numberMessages));
    m_server.Get(api + "/messages", h(&SimServer::messages));
    m_server.Get(api + "/messages/([^/]+)", h(&SimServer::message));
    m_server.Get(api + "/messages/([^/]+)/attachments/([^/]+)", h(&SimServer::attachment));
    m_server.Patch(api + "/messages/([^/]+)/message_control_data", h(&SimServer::controlData));
    auto admin = [this](const httplib::Request &req, httplib::Response &res) {
        this->admin(req, res);
    };
    m_server.Get("/admin/.*", admin);
    m_server.Post("/admin/.*", admin);
    // Whatever else arrives is logged too and then not found (unless a fault answers it).
    m_server.Get(".*", h(nullptr));
    m_server.Post(".*", h(nullptr));
    m_server.Put(".*", h(nullptr));
    m_server.Patch(".*", h(nullptr));
    m_server.Delete(".*", h(nullptr));
    m_server.set_error_handler([](const httplib::Request &, httplib::Response &res) {
        if (res.body.empty())
            apiError(res, res.status, "NOT_FOUND", "no such resource");
    });
}

bool SimServer::record(const httplib::Request &req, httplib::Response &res)
{
    // httplib's own pseudo-headers are not part of what the client sent.
    static const QSet<QString> pseudo{"LOCAL_ADDR", "LOCAL_PORT", "REMOTE_ADDR", "REMOTE_PORT"};
    const QString path = qs(req.path);
    std::optional<SimFault> fault;
    {
        QJsonObject headers;
        for (const auto &[name, value] : req.headers)
            if (!pseudo.contains(qs(name)))
                headers.insert(qs(name), qs(value));
        for (const char *canonical : {"Authorization", "Content-Type"})
            if (req.has_header(canonical))
                headers.insert(canonical, qs(req.get_header_value(canonical)));
        std::lock_guard lock(m_state.mutex());
        m_state.log(QJsonObject{{"method", qs(req.method)},
                                {"path", path},
                                {"query", qs(rawQuery(req))},
                                {"headers", headers},
                                {"body", qs(req.body)}});
        fault = m_state.takeFault(qs(req.method), path);
    }
    if (!fault)
        return false;
    if (fault->delayMs > 0)
        m_state.sleepUnlessStopping(fault->delayMs);
    if (fault->status <= 0)
        return false;
    res.status = fault->status;
    res.set_content(fault->body.toStdString(), fault->contentType.toStdString());
    return true;
}

void SimServer::token(const httplib::Request &req, httplib::Response &res)
{
    if (req.get_header_value("Content-Type").rfind("application/x-www-form-urlencoded", 0) != 0)
        return oauthError(res, 400, "invalid_request",
                          "the body must be application/x-www-form-urlencoded");
    const QMap<QString, QString> form = formFields(req.body);
    if (form.value("grant_type") != "client_credentials")
        return oauthError(res, 400, "unsupported_grant_type",
                          "grant_type must be client_credentials");
    if (form.value("client_assertion_type") !=
        "urn:ietf:params:oauth:client-assertion-type:jwt-bearer")
        return oauthError(res, 400, "invalid_request", "unexpected client_assertion_type");
    const QString address =
        QUrlQuery(qs(rawQuery(req))).queryItemValue("login_hint", QUrl::FullyDecoded);
    if (address.isEmpty())
        return oauthError(res, 401, "invalid_client", "no login_hint");

    std::lock_guard lock(m_state.mutex());
    SimMailbox *mb = m_state.mailbox(address);
    if (!mb)
        return oauthError(res, 401, "invalid_client", "unknown mailbox " + address);
    // The assertion carries no key, so a demo can only trust the first one on its word; every
    // other claim is still checked.
    const bool trustOnFirstUse = !mb->key && m_state.demo();
    if (!mb->key && !trustOnFirstUse)
        return oauthError(res, 401, "invalid_client", "no key registered for " + address);

    AssertionCheck check;
    check.expectedAud = "https://" + qs(req.get_header_value("Host")) + "/auth/realms/EDOR";
    check.address = address;
    check.systemName = mb->systemName;
    check.now = m_state.now();
    check.key = mb->key.get();
    AssertionClaims claims;
    const QString why = verifyAssertion(form.value("client_assertion").toUtf8(), check, &claims);
    if (!why.isEmpty())
        return oauthError(res, 401, "invalid_client", why);
    if (!m_state.useJti(claims.jti))
        return oauthError(res, 401, "invalid_client", "jti " + claims.jti + " was used before");
    if (trustOnFirstUse && !mb->demoTrusted) {
        mb->demoTrusted = true;
        std::fprintf(stderr, "edelivery-sim: demo mode trusts the assertions of %s\n",
                     qPrintable(address));
    }
    answer(res, 200,
           QJsonObject{{"access_token", m_state.issueToken(address)},
                       {"expires_in", m_state.expiresIn()},
                       {"token_type", "Bearer"}});
}

SimMailbox *SimServer::authorise(const httplib::Request &req, httplib::Response &res)
{
    const std::string auth = req.get_header_value("Authorization");
    const std::string scheme = "Bearer ";
    if (auth.rfind(scheme, 0) != 0) {
        oauthError(res, 401, "invalid_token", "no bearer token");
        return nullptr;
    }
    const QString address = qs(req.matches[1]);
    const SimToken *t = m_state.token(qs(auth.substr(scheme.size())));
    if (!t) {
        oauthError(res, 401, "invalid_token", "unknown token");
        return nullptr;
    }
    if (t->expiresAt <= m_state.now()) {
        oauthError(res, 401, "invalid_token", "the token has expired");
        return nullptr;
    }
    if (t->address != address) {
        oauthError(res, 401, "invalid_token", "the token belongs to another mailbox");
        return nullptr;
    }
    SimMailbox *mb = m_state.mailbox(address);
    if (!mb)
        apiError(res, 404, "NOT_FOUND", "no mailbox " + address);
    return mb;
}

SimMessage *SimServer::authorisedMessage(const httplib::Request &req, httplib::Response &res,
                                         SimMailbox **mailbox)
{
    SimMailbox *mb = authorise(req, res);
    if (!mb)
        return nullptr;
    if (mailbox)
        *mailbox = mb;
    const QString id = qs(req.matches[2]);
    for (SimMessage &m : mb->messages)
        if (m.id == id)
            return &m;
    apiError(res, 404, "NOT_FOUND", "no message " + id);
    return nullptr;
}

void SimServer::numberMessages(const httplib::Request &req, httplib::Response &res)
{
    std::lock_guard lock(m_state.mutex());
    SimMailbox *mb = authorise(req, res);
    if (!mb)
        return;
    QJsonArray out;
    for (const SimFolder &f : mb->folders) {
        int unread = 0, total = 0;
        for (const SimMessage &m : mb->messages) {
            if (m.label != f.label)
                continue;
            ++total;
            unread += m.opened ? 0 : 1;
        }
        out.append(QJsonObject{{"label", f.label},
                               {"name", f.name},
                               {"type", f.type},
                               {"numberOfUnreadMessages", unread},
                               {"total", total}});
    }
    answer(res, 200, out);
}

void SimServer::messages(const httplib::Request &req, httplib::Response &res)
{
    std::lock_guard lock(m_state.mutex());
    SimMailbox *mb = authorise(req, res);
    if (!mb)
        return;
    if (req.get_param_value("format") != "metadata")
        return apiError(res, 400, "UAAPI0001", "format must be metadata");
    const QString label = qs(req.get_param_value("label"));
    QJsonArray list;
    for (const SimMessage &m : mb->messages) {
        if (m.label != label)
            continue;
        list.append(
            QJsonObject{{"messageMetadata", metadata(m)},
                        {"messageControlData", QJsonObject{{"opened", m.opened},
                                                           {"daysToReceive", m.daysToReceive},
                                                           {"labels", QJsonArray{m.label}}}}});
    }
    answer(res, 200, QJsonObject{{"messages", list}});
}

void SimServer::message(const httplib::Request &req, httplib::Response &res)
{
    std::lock_guard lock(m_state.mutex());
    SimMessage *m = authorisedMessage(req, res);
    if (!m)
        return;
    if (req.get_param_value("format") != "full")
        return apiError(res, 400, "UAAPI0001", "format must be full");
    // Reading in full is what counts as receiving the message.
    m->opened = true;
    if (m->receiptDate.isEmpty())
        m->receiptDate = m_state.nowIso();
    QJsonArray attachments;
    for (const SimAttachment &a : m->attachments)
        attachments.append(QJsonObject{
            {"attachmentId", a.id},
            {"file", QJsonObject{{"fileMetadata", QJsonObject{{"filename", a.filename},
                                                              {"contentType", a.contentType},
                                                              {"size", a.content.size()}}}}}});
    answer(res, 200,
           QJsonArray{
               QJsonObject{{"textBody", m->textBody},
                           {"messageMetadata", metadata(*m)},
                           {"messageControlData", QJsonObject{{"opened", m->opened},
                                                              {"daysToReceive", m->daysToReceive}}},
                           {"attachments", attachments}}});
}

void SimServer::attachment(const httplib::Request &req, httplib::Response &res)
{
    std::lock_guard lock(m_state.mutex());
    SimMessage *m = authorisedMessage(req, res);
    if (!m)
        return;
    for (const SimAttachment &a : m->attachments)
        if (a.id == qs(req.matches[3]))
            return answer(res, 200,
                          QJsonObject{{"file", QJsonObject{{"file", QString::fromLatin1(
                                                                        a.content.toBase64())}}}});
    apiError(res, 404, "NOT_FOUND", "no such attachment");
}

void SimServer::controlData(const httplib::Request &req, httplib::Response &res)
{
    std::lock_guard lock(m_state.mutex());
    SimMailbox *mb = nullptr;
    SimMessage *m = authorisedMessage(req, res, &mb);
    if (!m)
        return;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(req.body));
    const QJsonArray ops = doc.array();
    const QJsonObject op = ops.size() == 1 ? ops.at(0).toObject() : QJsonObject();
    const QJsonArray value = op.value("value").toArray();
    if (!doc.isArray() || ops.size() != 1 || op.value("op") != "add" ||
        op.value("path") != "labels" || value.size() != 1 || !value.first().isString())
        return apiError(res, 400, "UAAPI0002",
                        "expected [{\"op\":\"add\",\"path\":\"labels\",\"value\":[label]}]");
    const QString label = value.first().toString();
    bool known = false;
    for (const SimFolder &f : mb->folders)
        known = known || f.label == label;
    if (!known)
        return apiError(res, 400, "UAAPI0003", "no folder " + label);
    if (m->label == label)
        return apiError(res, 400, "UAAPI0091", "Wiadomość znajduje się już w folderze " + label);
    m->label = label;
    // The client reads no member, but treats a 200 without a JSON body as a failure.
    answer(res, 200, QJsonObject{{"messageId", m->id}, {"labels", QJsonArray{label}}});
}
