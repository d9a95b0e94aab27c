// The database key in the real Secret Service (gnome-keyring in a private session bus, as
// scripts/test runs it), and the database files read back by the sqlcipher tool.

#include "storage/SecretStore.h"
#include "storage/SqlDb.h"
#include "storage/Tf1.h"
#include "storage/UiHooks.h"
#include "storage/fvar.h"
#include "tests/support/TempStorage.h"

#include <qt6keychain/keychain.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QEventLoop>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

namespace {

const QString kTarget = QStringLiteral("Tarnvel/DbKey");
const char *const kSecrets = "org.freedesktop.secrets";

bool serviceRunning()
{
    auto *bus = QDBusConnection::sessionBus().interface();
    return bus && bus->isServiceRegistered(QLatin1String(kSecrets)).value();
}

// (unlocked, locked) item counts for the key's attributes, straight from the service.
QPair<int, int> itemCounts()
{
    using StringMap = QMap<QString, QString>;
    qDBusRegisterMetaType<StringMap>();
    QDBusMessage msg = QDBusMessage::createMethodCall(
        kSecrets, "/org/freedesktop/secrets", "org.freedesktop.Secret.Service", "SearchItems");
    msg << QVariant::fromValue(StringMap{{"server", kTarget}, {"user", "sqlite"}});
    const QDBusMessage reply = QDBusConnection::sessionBus().call(msg);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2)
        return {-1, -1};
    auto count = [&](int i) {
        return int(qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().at(i)).size());
    };
    return {count(0), count(1)};
}

QString defaultCollection()
{
    QDBusMessage msg = QDBusMessage::createMethodCall(
        kSecrets, "/org/freedesktop/secrets", "org.freedesktop.Secret.Service", "ReadAlias");
    msg << QStringLiteral("default");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(msg);
    return reply.arguments().value(0).value<QDBusObjectPath>().path();
}

bool lockDefaultCollection()
{
    QDBusMessage msg = QDBusMessage::createMethodCall(
        kSecrets, "/org/freedesktop/secrets", "org.freedesktop.Secret.Service", "Lock");
    msg << QVariant::fromValue(QList<QDBusObjectPath>{QDBusObjectPath(defaultCollection())});
    return QDBusConnection::sessionBus().call(msg).type() == QDBusMessage::ReplyMessage;
}

// gnome-keyring has no unattended unlock over the public API; a replacement daemon given the
// password unlocks the login keyring, as the test session started it.
bool unlockByRestart()
{
    QProcess p;
    p.start(QStringLiteral("gnome-keyring-daemon"),
            {QStringLiteral("--replace"), QStringLiteral("--unlock"),
             QStringLiteral("--components=secrets")});
    if (!p.waitForStarted(5000))
        return false;
    p.write(qEnvironmentVariable("TARNVEL_TEST_KEYRING_PASS", QStringLiteral("test-pass")).toUtf8());
    p.closeWriteChannel();
    p.waitForFinished(10000);
    for (int i = 0; i < 50; ++i) {
        if (serviceRunning() && itemCounts().second == 0)
            return true;
        QTest::qWait(100);
    }
    return false;
}

// The secret of the one unlocked item, over the service's own API in a plain session. Used
// after the daemon was replaced, which the keychain library in this process does not survive.
QString dbusSecret()
{
    using StringMap = QMap<QString, QString>;
    qDBusRegisterMetaType<StringMap>();
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusMessage search = QDBusMessage::createMethodCall(
        kSecrets, "/org/freedesktop/secrets", "org.freedesktop.Secret.Service", "SearchItems");
    search << QVariant::fromValue(StringMap{{"server", kTarget}, {"user", "sqlite"}});
    const QDBusMessage found = bus.call(search);
    const auto unlocked = qdbus_cast<QList<QDBusObjectPath>>(found.arguments().value(0));
    if (unlocked.size() != 1)
        return QString();
    QDBusMessage open = QDBusMessage::createMethodCall(
        kSecrets, "/org/freedesktop/secrets", "org.freedesktop.Secret.Service", "OpenSession");
    open << QStringLiteral("plain") << QVariant::fromValue(QDBusVariant(QString()));
    const QDBusMessage session = bus.call(open);
    const QDBusObjectPath sessionPath = session.arguments().value(1).value<QDBusObjectPath>();
    QDBusMessage get = QDBusMessage::createMethodCall(kSecrets, unlocked.first().path(),
                                                      "org.freedesktop.Secret.Item", "GetSecret");
    get << QVariant::fromValue(sessionPath);
    const QDBusMessage reply = bus.call(get);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return QString();
    const QDBusArgument arg = reply.arguments().value(0).value<QDBusArgument>();
    QDBusObjectPath s;
    QByteArray params, value;
    QString contentType;
    arg.beginStructure();
    arg >> s >> params >> value >> contentType;
    arg.endStructure();
    return QString::fromUtf8(value);
}

// Deletes the key's items over the service's API, whatever state the library in this process is in.
void deleteItemsOverDbus()
{
    using StringMap = QMap<QString, QString>;
    qDBusRegisterMetaType<StringMap>();
    QDBusMessage search = QDBusMessage::createMethodCall(
        kSecrets, "/org/freedesktop/secrets", "org.freedesktop.Secret.Service", "SearchItems");
    search << QVariant::fromValue(StringMap{{"server", kTarget}, {"user", "sqlite"}});
    const QDBusMessage found = QDBusConnection::sessionBus().call(search);
    for (const QDBusObjectPath &item :
         qdbus_cast<QList<QDBusObjectPath>>(found.arguments().value(0)))
        QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
            kSecrets, item.path(), "org.freedesktop.Secret.Item", "Delete"));
}

// Read through the keychain library directly, past our own wrapper and its probe.
QString keychainRead()
{
    QKeychain::ReadPasswordJob job(kTarget);
    job.setAutoDelete(false);
    job.setKey(QStringLiteral("sqlite"));
    QSignalSpy done(&job, &QKeychain::Job::finished);
    job.start();
    if (!done.wait(10000) || job.error() != QKeychain::NoError)
        return QString();
    return job.textData();
}

QString sqlcipherCli(const QString &file, const QString &key, const QString &sql)
{
    QProcess p;
    p.start(QStringLiteral("sqlcipher"), {file});
    if (!p.waitForStarted(5000))
        return QStringLiteral("<no sqlcipher tool>");
    p.write(QStringLiteral("PRAGMA key=\"x'%1'\";\nPRAGMA cipher_page_size=4096;\n%2\n")
                .arg(key, sql)
                .toUtf8());
    p.closeWriteChannel();
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
}

QByteArray head(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.read(16) : QByteArray();
}

} // namespace

class TestStorageKeyring : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void keyKeptInTheRealStore();
    void lockedKeyringIsNeverNoKey();

private:
    std::unique_ptr<TempStorage> m_dir;
    QStringList m_boxes;
};

void TestStorageKeyring::initTestCase()
{
    if (!serviceRunning())
        QSKIP("no Secret Service on the session bus; run through scripts/test");
    setSecretStore(nullptr);
    uiHooks().systemBox = [this](const QString &t, const QString &, SysBoxIcon) { m_boxes << t; };
    uiHooks().systemAsk = [](const QString &, const QString &, SysBoxIcon) { return false; };
}

void TestStorageKeyring::init()
{
    secretStore().remove(kTarget);
    dbkey.clear();
    m_boxes.clear();
    m_dir = std::make_unique<TempStorage>();
}

void TestStorageKeyring::cleanup()
{
    if (itemCounts().second > 0)
        unlockByRestart();
    deleteItemsOverDbus();
    QCOMPARE(itemCounts(), qMakePair(0, 0)); // the next test, or program, starts clean
    m_dir.reset();
}

void TestStorageKeyring::keyKeptInTheRealStore()
{
    QCOMPARE(itemCounts(), qMakePair(0, 0));
    QCOMPARE(secretStore().read(kTarget).status, SecretStatus::NotFound);
    initstorage();
    Tf1 data;
    data.connectmaindb();
    data.FDConnection1.close();
    QVERIFY(m_boxes.isEmpty());
    const QString key = dbkey;
    QCOMPARE(key.size(), 64);
    QCOMPARE(keychainRead(), key);
    QCOMPARE(itemCounts(), qMakePair(1, 0));

    for (const QString &file : {configfile, maindbfile}) {
        QCOMPARE(head(file).size(), 16);
        QVERIFY(head(file) != QByteArray("SQLite format 3\0", 16));
    }
    QCOMPARE(sqlcipherCli(configfile, key,
                          "SELECT config_value FROM config WHERE config_key='subject';"),
             QStringLiteral("Tarnvel - <temat>"));
    QCOMPARE(sqlcipherCli(maindbfile, key, "SELECT COUNT(*) FROM msg_cache;"), QStringLiteral("0"));
    QVERIFY(sqlcipherCli(configfile, QString(64, QLatin1Char('0')), "SELECT COUNT(*) FROM config;")
                .contains(QLatin1String("not a database")));

    // Next start reads the same key; a reset replaces it, still as one item.
    dbkey.clear();
    initstorage();
    QCOMPARE(dbkey, key);
    QVERIFY(resetstorage());
    QVERIFY(dbkey != key);
    QCOMPARE(keychainRead(), dbkey);
    QCOMPARE(itemCounts(), qMakePair(1, 0));
}

void TestStorageKeyring::lockedKeyringIsNeverNoKey()
{
    initstorage();
    const QString key = dbkey;
    const QByteArray config = [&] {
        QFile f(configfile);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    QVERIFY(lockDefaultCollection());
    QCOMPARE(itemCounts(), qMakePair(0, 1));

    dbkey.clear();
    try {
        initstorage();
        QFAIL("a locked keyring was read as a missing key");
    } catch (const SecretStoreUnavailable &e) {
        QVERIFY(e.message().startsWith(QString::fromUtf8(kSecretStoreUnavailable)));
    }
    QVERIFY(dbkey.isEmpty());
    QVERIFY(!resetstorage()); // refuses to delete what only the locked key opens
    QVERIFY(QFile::exists(configfile));
    QCOMPARE(itemCounts(), qMakePair(0, 1)); // nothing new was written beside it

    QVERIFY(unlockByRestart());
    QCOMPARE(dbusSecret(), key);
    QFile f(configfile);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), config);
    // The intact file still opens with the kept key.
    QCOMPARE(sqlcipherCli(configfile, key, "SELECT COUNT(*) FROM config;"), QStringLiteral("15"));
}

QTEST_GUILESS_MAIN(TestStorageKeyring)
#include "test_storage_keyring.moc"
