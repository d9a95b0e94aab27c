#include "SecretServiceProbe.h"

#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QMap>

namespace {

const char *const kService = "org.freedesktop.secrets";
const char *const kPath = "/org/freedesktop/secrets";
const char *const kServiceIface = "org.freedesktop.Secret.Service";
const int kTimeoutMs = 5000;

using StringMap = QMap<QString, QString>;

enum class CallResult { Ok, NoSuchService, Failed };

CallResult call(QDBusMessage &msg, QDBusMessage *reply, QString *detail)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        if (detail)
            *detail = bus.lastError().message();
        return CallResult::Failed;
    }
    *reply = bus.call(msg, QDBus::Block, kTimeoutMs);
    if (reply->type() != QDBusMessage::ReplyMessage) {
        if (detail)
            *detail = reply->errorMessage();
        // A desktop whose wallet does not offer this API at all: the keychain layer then uses
        // another backend, and its own answer is all there is.
        if (reply->errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown"))
            return CallResult::NoSuchService;
        return CallResult::Failed;
    }
    return CallResult::Ok;
}

SecretProbe failed(CallResult r)
{
    return r == CallResult::NoSuchService ? SecretProbe::Unknown : SecretProbe::NoService;
}

QList<QDBusObjectPath> paths(const QVariant &v)
{
    if (v.canConvert<QDBusArgument>())
        return qdbus_cast<QList<QDBusObjectPath>>(v.value<QDBusArgument>());
    return v.value<QList<QDBusObjectPath>>();
}

} // namespace

SecretProbe probeSecretItem(const QString &target, const QString &user, QString *detail)
{
    qDBusRegisterMetaType<StringMap>();
    // The attributes the keychain layer's Secret Service backend writes for each item.
    StringMap attrs{{QStringLiteral("server"), target}, {QStringLiteral("user"), user}};
    QDBusMessage msg = QDBusMessage::createMethodCall(kService, kPath, kServiceIface,
                                                      QStringLiteral("SearchItems"));
    msg << QVariant::fromValue(attrs);
    QDBusMessage reply;
    const CallResult r = call(msg, &reply, detail);
    if (r != CallResult::Ok)
        return failed(r);
    if (reply.arguments().size() < 2)
        return SecretProbe::NoService;
    if (!paths(reply.arguments().at(1)).isEmpty())
        return SecretProbe::Locked;
    return paths(reply.arguments().at(0)).isEmpty() ? SecretProbe::Absent : SecretProbe::Present;
}

SecretProbe probeDefaultCollection(QString *detail)
{
    QDBusMessage msg = QDBusMessage::createMethodCall(kService, kPath, kServiceIface,
                                                      QStringLiteral("ReadAlias"));
    msg << QStringLiteral("default");
    QDBusMessage reply;
    const CallResult r = call(msg, &reply, detail);
    if (r != CallResult::Ok)
        return failed(r);
    if (reply.arguments().isEmpty())
        return SecretProbe::NoService;
    const QString coll = reply.arguments().at(0).value<QDBusObjectPath>().path();
    // No default collection: making one would need a prompt, which nobody may be there to answer.
    if (coll.isEmpty() || coll == QLatin1String("/"))
        return SecretProbe::Locked;
    QDBusMessage get = QDBusMessage::createMethodCall(
        kService, coll, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.freedesktop.Secret.Collection") << QStringLiteral("Locked");
    if (call(get, &reply, detail) != CallResult::Ok || reply.arguments().isEmpty())
        return SecretProbe::NoService;
    const bool locked = reply.arguments().at(0).value<QDBusVariant>().variant().toBool();
    return locked ? SecretProbe::Locked : SecretProbe::Present;
}

#else

SecretProbe probeSecretItem(const QString &, const QString &, QString *)
{
    return SecretProbe::Unknown;
}

SecretProbe probeDefaultCollection(QString *)
{
    return SecretProbe::Unknown;
}

#endif
