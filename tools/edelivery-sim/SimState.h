#pragma once
// Everything the simulated service knows: mailboxes with their folders and messages, the
// registered keys, issued tokens, used assertion ids, the request log and pending faults.
// The HTTPS server answers from several threads, so every access goes through one mutex.

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QString>

#include <openssl/evp.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

struct SimAttachment
{
    QString id, filename, contentType;
    QByteArray content;
};

struct SimMessage
{
    QString id, label, subject, timestamp, receiptDate; // receiptDate empty = not received
    QString fromAddress, companyName, textBody;
    bool opened = false;
    QJsonValue daysToReceive;
    QList<SimAttachment> attachments;
};

struct SimFolder
{
    QString label, name, type;
};

struct SimMailbox
{
    QString address;
    QString systemName; // when set, the only system name accepted in assertions
    QList<SimFolder> folders;
    QList<SimMessage> messages;
    std::shared_ptr<EVP_PKEY> key;
    bool demoTrusted = false; // demo mode accepted an assertion without a registered key
};

struct SimFault
{
    QString method; // empty: any
    QRegularExpression path;
    int status = 0; // 0: no answer of its own, only the delay
    QByteArray body;
    QByteArray contentType;
    int delayMs = 0;
    int times = 1; // negative: until the faults are cleared
};

struct SimToken
{
    QString address;
    qint64 expiresAt = 0;
};

class SimState
{
public:
    explicit SimState(qint64 clockOffset, bool demo) : m_clockOffset(clockOffset), m_demo(demo) {}

    // The service's clock: the machine's clock plus the offset the SNTP responder announces,
    // so that a client that applies the measured offset agrees with the token endpoint.
    qint64 now() const;
    QString nowIso() const;
    qint64 clockOffset() const { return m_clockOffset; }
    bool demo() const { return m_demo; }

    bool loadSeed(const QString &file, QString *error);
    // Takes a PEM CSR (its own signature is checked) or a PEM public key.
    bool registerKey(const QString &address, const QByteArray &pem, QString *error);

    std::mutex &mutex() { return m_mutex; }
    // The following need the mutex held by the caller.
    SimMailbox *mailbox(const QString &address);
    bool useJti(const QString &jti); // false when seen before
    QString issueToken(const QString &address);
    const SimToken *token(const QString &bearer) const;
    void log(const QJsonObject &entry) { m_requests.append(entry); }
    QJsonArray requests() const { return m_requests; }
    void clearRequests() { m_requests = QJsonArray(); }
    void addFault(SimFault f) { m_faults.append(std::move(f)); }
    void clearFaults() { m_faults.clear(); }
    std::optional<SimFault> takeFault(const QString &method, const QString &path);
    int expiresIn() const { return m_expiresIn; }
    void setExpiresIn(int s) { m_expiresIn = s; }
    QJsonArray dump() const;

    // Shutdown: a request or the lifetime ends the wait.
    void requestShutdown();
    bool waitForShutdown(int seconds); // true when asked to stop before the time ran out
    bool stopping();
    void sleepUnlessStopping(int ms);

private:
    std::mutex m_mutex;
    std::mutex m_stopMutex;
    std::condition_variable m_stopCv;
    bool m_stop = false;
    qint64 m_clockOffset;
    bool m_demo;
    int m_expiresIn = 300;
    QList<SimMailbox> m_mailboxes;
    QSet<QString> m_jtis;
    QMap<QString, SimToken> m_tokens;
    QJsonArray m_requests;
    QList<SimFault> m_faults;
};
