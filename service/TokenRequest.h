#pragma once
// Obtaining a mailbox's access token with a signed client assertion.

#include <QByteArray>
#include <QString>

struct TSkrzynka;

// The token endpoint URL (without query) and the audience of the assertion.
QString tokenEndpoint();
QString tokenAudience();

// The form body in the service's order: client_assertion_type, grant_type, client_assertion.
QByteArray tokenRequestBody(const QByteArray &assertion);

// Builds and signs the assertion for time n with the given jti (default: a fresh one).
QByteArray buildClientAssertion(const TSkrzynka &mbox, qint64 n, const QString &jti = QString());

// Renews mbox.token / token_exp. serviceNow is the service time S (local UTC + offset).
// Without key or address the token is cleared and nothing is sent. A refused or malformed
// answer is shown through uiHooks().showMessage and leaves the old token. An unreadable key
// or a transport failure throws ServiceError; nothing is stored then.
void fetchMailboxToken(TSkrzynka &mbox, qint64 serviceNow);
