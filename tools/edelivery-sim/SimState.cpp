#include "SimState.h"

#include <QFile>
#include <QJsonDocument>
#include <QRandomGenerator>

#include <openssl/bio.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <chrono>

namespace {

QString str(const QJsonObject &o, const char *key)
{
    return o.value(QLatin1String(key)).toString();
}

std::shared_ptr<EVP_PKEY> readKey(const QByteArray &pem, QString *error)
{
    BIO *bio = BIO_new_mem_buf(pem.constData(), static_cast<int>(pem.size()));
    EVP_PKEY *key = nullptr;
    if (pem.contains("CERTIFICATE REQUEST")) {
        X509_REQ *req = PEM_read_bio_X509_REQ(bio, nullptr, nullptr, nullptr);
        if (!req) {
            *error = "the CSR cannot be read";
        } else {
            key = X509_REQ_get_pubkey(req);
            // A CSR whose own signature fails was not made with the key it carries.
            if (key && X509_REQ_verify(req, key) != 1) {
                EVP_PKEY_free(key);
                key = nullptr;
                *error = "the CSR's signature does not verify";
            }
            X509_REQ_free(req);
        }
    } else {
        key = PEM_read_bio_PUBKEY(bio, nullptr, nullptr, nullptr);
        if (!key)
            *error = "no CSR or public key in PEM form";
    }
    BIO_free(bio);
    if (key && EVP_PKEY_get_base_id(key) != EVP_PKEY_RSA) {
        EVP_PKEY_free(key);
        key = nullptr;
        *error = "the key is not an RSA key";
    }
    return key ? std::shared_ptr<EVP_PKEY>(key, EVP_PKEY_free) : nullptr;
}

} // namespace

qint64 SimState::now() const
{
    return QDateTime::currentSecsSinceEpoch() + m_clockOffset;
}

QString SimState::nowIso() const
{
    return QDateTime::currentDateTimeUtc().addSecs(m_clockOffset).toString(Qt::ISODateWithMs);
}

bool SimState::loadSeed(const QString &file, QString *error)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = "cannot read " + file;
        return false;
    }
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &pe);
    if (!doc.isObject()) {
        *error = file + ": " + pe.errorString();
        return false;
    }
    for (const QJsonValue &mv : doc.object().value("mailboxes").toArray()) {
        const QJsonObject mo = mv.toObject();
        SimMailbox mb;
        mb.address = str(mo, "address");
        mb.systemName = str(mo, "systemName");
        if (mb.address.isEmpty()) {
            *error = file + ": a mailbox without an address";
            return false;
        }
        for (const QJsonValue &fv : mo.value("folders").toArray()) {
            const QJsonObject fo = fv.toObject();
            mb.folders.append({str(fo, "label"), str(fo, "name"), str(fo, "type")});
        }
        for (const QJsonValue &msgv : mo.value("messages").toArray()) {
            const QJsonObject o = msgv.toObject();
            SimMessage m;
            m.id = str(o, "messageId");
            m.label = str(o, "label");
            m.subject = str(o, "subject");
            m.timestamp = str(o, "timestamp");
            m.receiptDate = str(o, "receiptDate");
            m.fromAddress = o.value("from").toObject().value("eDeliveryAddress").toString();
            m.companyName = o.value("from").toObject().value("companyName").toString();
            m.opened = o.value("opened").toBool();
            m.daysToReceive = o.value("daysToReceive");
            m.textBody = str(o, "textBody");
            for (const QJsonValue &av : o.value("attachments").toArray()) {
                const QJsonObject ao = av.toObject();
                SimAttachment a{
                    str(ao, "attachmentId"), str(ao, "filename"), str(ao, "contentType"), {}};
                a.content = ao.contains("contentBase64")
                                ? QByteArray::fromBase64(str(ao, "contentBase64").toLatin1())
                                : str(ao, "contentText").toUtf8();
                m.attachments.append(a);
            }
            mb.messages.append(m);
        }
        m_mailboxes.append(mb);
    }
    return true;
}

bool SimState::registerKey(const QString &address, const QByteArray &pem, QString *error)
{
    if (address.isEmpty()) {
        *error = "no address";
        return false;
    }
    auto key = readKey(pem, error);
    if (!key)
        return false;
    std::lock_guard lock(m_mutex);
    SimMailbox *mb = mailbox(address);
    if (!mb) {
        // A key may be registered before (or without) any seeded content: such a mailbox
        // can obtain tokens and sees no folders.
        m_mailboxes.append(SimMailbox{address, {}, {}, {}, {}, false});
        mb = &m_mailboxes.last();
    }
    mb->key = key;
    mb->demoTrusted = false;
    return true;
}

SimMailbox *SimState::mailbox(const QString &address)
{
    for (SimMailbox &mb : m_mailboxes)
        if (mb.address == address)
            return &mb;
    return nullptr;
}

bool SimState::useJti(const QString &jti)
{
    if (m_jtis.contains(jti))
        return false;
    m_jtis.insert(jti);
    return true;
}

QString SimState::issueToken(const QString &address)
{
    QByteArray raw(32, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(raw.data()), raw.size() / 4);
    const QString token = QString::fromLatin1(
        raw.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
    m_tokens.insert(token, SimToken{address, now() + m_expiresIn});
    return token;
}

const SimToken *SimState::token(const QString &bearer) const
{
    auto it = m_tokens.constFind(bearer);
    return it == m_tokens.constEnd() ? nullptr : &it.value();
}

std::optional<SimFault> SimState::takeFault(const QString &method, const QString &path)
{
    for (int i = 0; i < m_faults.size(); ++i) {
        SimFault &f = m_faults[i];
        if ((!f.method.isEmpty() && f.method.compare(method, Qt::CaseInsensitive) != 0) ||
            !f.path.match(path).hasMatch())
            continue;
        SimFault taken = f;
        if (f.times > 0 && --f.times == 0)
            m_faults.removeAt(i);
        return taken;
    }
    return std::nullopt;
}

QJsonArray SimState::dump() const
{
    QJsonArray out;
    for (const SimMailbox &mb : m_mailboxes) {
        QJsonArray messages;
        for (const SimMessage &m : mb.messages)
            messages.append(
                QJsonObject{{"messageId", m.id},
                            {"label", m.label},
                            {"opened", m.opened},
                            {"receiptDate",
                             m.receiptDate.isEmpty() ? QJsonValue() : QJsonValue(m.receiptDate)}});
        out.append(QJsonObject{
            {"address", mb.address}, {"registered", mb.key != nullptr}, {"messages", messages}});
    }
    return out;
}

void SimState::requestShutdown()
{
    std::lock_guard lock(m_stopMutex);
    m_stop = true;
    m_stopCv.notify_all();
}

bool SimState::waitForShutdown(int seconds)
{
    std::unique_lock lock(m_stopMutex);
    return m_stopCv.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_stop; });
}

bool SimState::stopping()
{
    std::lock_guard lock(m_stopMutex);
    return m_stop;
}

void SimState::sleepUnlessStopping(int ms)
{
    std::unique_lock lock(m_stopMutex);
    m_stopCv.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stop; });
}
