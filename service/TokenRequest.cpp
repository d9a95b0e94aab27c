#include "service/TokenRequest.h"

#include "service/ClientAssertion.h"
#include "service/HttpExecutor.h"
#include "service/Resources.h"
#include "service/ServiceConfig.h"
#include "storage/UiHooks.h"
#include "storage/fvar.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <limits>

namespace {

const char *const IncompleteTokenText =
    "Serwer tokenów nie podał poprawnego tokenu dostępu (access_token, expires_in).\r\n";

void showMessage(const QString &text)
{
    if (uiHooks().showMessage)
        uiHooks().showMessage(text);
}

} // namespace

QString tokenEndpoint()
{
    return tokenBase() + QStringLiteral("/auth/realms/EDOR/protocol/openid-connect/token");
}

QString tokenAudience()
{
    return tokenBase() + QStringLiteral("/auth/realms/EDOR");
}

QByteArray tokenRequestBody(const QByteArray &assertion)
{
    return encodeQuery({{QStringLiteral("client_assertion_type"),
                         QStringLiteral("urn:ietf:params:oauth:client-assertion-type:jwt-bearer")},
                        {QStringLiteral("grant_type"), QStringLiteral("client_credentials")},
                        {QStringLiteral("client_assertion"), QString::fromLatin1(assertion)}});
}

QByteArray buildClientAssertion(const TSkrzynka &mbox, qint64 n, const QString &jti)
{
    const QString iss = assertionIssuer(mbox.address, mbox.sysname);
    return signAssertion(mbox.keyprv.toUtf8(), assertionHeader(),
                         assertionPayload(tokenAudience(), n, iss, jti.isEmpty() ? newJti() : jti));
}

void fetchMailboxToken(TSkrzynka &mbox, qint64 serviceNow)
{
    if (mbox.keyprv.trimmed().isEmpty() || mbox.address.trimmed().isEmpty()) {
        mbox.token.clear();
        mbox.token_exp = 0;
        return;
    }
    const qint64 n = serviceNow - 1;
    const QByteArray assertion = buildClientAssertion(mbox, n);

    HttpRequest req;
    req.method = "POST";
    req.url = QUrl(tokenEndpoint());
    req.url.setQuery(QString::fromLatin1(encodeQuery({{QStringLiteral("login_hint"), mbox.address}})),
                     QUrl::StrictMode);
    req.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("application/x-www-form-urlencoded")));
    req.body = tokenRequestBody(assertion);
    const HttpResponse r = httpExecuteOrThrow(req);

    QJsonParseError perr{};
    const QJsonDocument doc = QJsonDocument::fromJson(r.body, &perr);
    if (r.status != 200 || perr.error != QJsonParseError::NoError || doc.isNull()) {
        showMessage(r.reason + QStringLiteral("\r\n") + QString::fromUtf8(r.body));
        return;
    }
    if (!doc.isObject())
        return;
    const QJsonObject o = doc.object();
    const QString token = jsonText(o.value(QLatin1String("access_token")));
    const std::optional<qint64> expiresIn = jsonInteger(o.value(QLatin1String("expires_in")));
    const qint64 exp = expiresIn ? n + *expiresIn - 10 : 0;
    // token_exp is 32-bit: a lifetime that does not fit is as unusable as a missing one.
    if (token.isEmpty() || !expiresIn || exp > std::numeric_limits<qint32>::max()
        || exp < std::numeric_limits<qint32>::min()) {
        showMessage(QString::fromUtf8(IncompleteTokenText) + QString::fromUtf8(r.body));
        return;
    }
    mbox.token = token;
    mbox.token_exp = qint32(exp);
}
