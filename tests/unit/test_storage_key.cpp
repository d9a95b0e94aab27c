// Start-up situations of the storage: the key in the secret store, creating and verifying the
// configuration file, and the reset. Real SQLCipher files, a fake secret store.

#include "storage/SqlDb.h"
#include "storage/Tf1.h"
#include "test_storage_util.h"

#include <QDir>
#include <QRegularExpression>
#include <QtTest>

namespace {

const QString kTarget = QStringLiteral("Tarnvel/DbKey");
const QString kResetText = QString::fromUtf8(
    "Nie mozna odszyfrować plików konfiguracyjnych.\r\nMożliwe przyczyny: usunięty klucz "
    "Windows, inny użytkownik systemu,\r\nzmienione pliki bazy danych lub błąd szyfrowania."
    "\r\n\r\nZresetować konfigurację? Uwaga: cala konfiguracja zostanie utracona.");

bool isHexKey(const QString &k)
{
    static const QRegularExpression re(QStringLiteral("^[0-9A-F]{64}$"));
    return re.match(k).hasMatch();
}

int configRows(const QString &path, const QString &key)
{
    SqlDb db;
    db.open(path, key);
    return db.scalar(QStringLiteral("SELECT COUNT(*) FROM config")).toInt();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

class TestStorageKey : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void storageFolder_data();
    void storageFolder();
    void randomKeys();
    void firstAndNormalStart();
    void storedSecretRules();
    void missingCredentialWithFiles();
    void damagedConfig_data();
    void damagedConfig();
    void damagedDataFile_data();
    void damagedDataFile();
    void lockedStoreNeverMakesAKey();
    void storeRefusingWrites();
    void storeLosingWrites();
    void resetKeepsOtherFilesAndRefusesLockedStore();
    void folderCannotBeCreated();
};

void TestStorageKey::storageFolder_data()
{
    QTest::addColumn<QByteArray>("local");
    QTest::addColumn<QByteArray>("xdg");
    QTest::addColumn<QString>("expected");
    QTest::newRow("local") << QByteArray("/a/b") << QByteArray() << "/a/b/Tarnvel";
    QTest::newRow("local with slash") << QByteArray("/a/b/") << QByteArray() << "/a/b/Tarnvel";
    QTest::newRow("xdg data home") << QByteArray() << QByteArray("/x/data") << "/x/data/Tarnvel";
}

void TestStorageKey::storageFolder()
{
    QFETCH(QByteArray, local);
    QFETCH(QByteArray, xdg);
    QFETCH(QString, expected);
    TempStorage guard; // restores LOCALAPPDATA afterwards
    const QByteArray oldXdg = qgetenv("XDG_DATA_HOME");
    if (local.isEmpty())
        qunsetenv("LOCALAPPDATA");
    else
        qputenv("LOCALAPPDATA", local);
    if (!xdg.isEmpty())
        qputenv("XDG_DATA_HOME", xdg);
    const QString folder = storagefolder();
    qputenv("XDG_DATA_HOME", oldXdg);
    if (oldXdg.isEmpty())
        qunsetenv("XDG_DATA_HOME");
    QCOMPARE(folder, expected);
}

void TestStorageKey::randomKeys()
{
    const QString a = randomhexkey(32), b = randomhexkey(32);
    QVERIFY2(isHexKey(a), qPrintable(a));
    QVERIFY(isHexKey(b));
    QVERIFY(a != b);
    QCOMPARE(randomhexkey(0), QString());
}

void TestStorageKey::firstAndNormalStart()
{
    StorageFixture fx;
    initstorage();
    QCOMPARE(configfile, fx.dir.configFile());
    QCOMPARE(maindbfile, fx.dir.dataFile());
    QVERIFY(isHexKey(dbkey));
    QCOMPARE(fx.store->items.value(kTarget), qMakePair(QStringLiteral("sqlite"), dbkey));
    QCOMPARE(configRows(configfile, dbkey), 15);
    QVERIFY(!QFile::exists(maindbfile)); // the data file is the data module's business
    QVERIFY(!StorageFixture::fileBytes(configfile).startsWith("SQLite format 3"));
    QVERIFY(fx.boxes.isEmpty());

    // Next process: the key is read, not made again, and the file passes verification.
    const QString key = dbkey;
    dbkey.clear();
    initstorage();
    QCOMPARE(dbkey, key);
    QCOMPARE(fx.store->writes, 1);
    QCOMPARE(getdbkey(), key);
}

void TestStorageKey::storedSecretRules()
{
    StorageFixture fx;
    // An empty secret counts as missing and is replaced.
    fx.store->items.insert(kTarget, {QStringLiteral("sqlite"), QString()});
    QVERIFY(ensuredbkey());
    QVERIFY(isHexKey(dbkey));
    QCOMPARE(fx.store->items.value(kTarget).second, dbkey);

    // The user name is not looked at when reading.
    const QString other(64, QLatin1Char('A'));
    fx.store->items.insert(kTarget, {QStringLiteral("someone"), other});
    dbkey.clear();
    QVERIFY(ensuredbkey());
    QCOMPARE(dbkey, other);
    QCOMPARE(fx.store->writes, 1);
}

void TestStorageKey::missingCredentialWithFiles()
{
    StorageFixture fx;
    initstorage();
    Tf1 data;
    data.connectmaindb();
    data.FDConnection1.close();
    const QByteArray config = StorageFixture::fileBytes(configfile);
    const QByteArray mainDb = StorageFixture::fileBytes(maindbfile);
    const QString oldKey = dbkey;

    fx.store->items.clear();
    dbkey.clear();
    try {
        initstorage();
        QFAIL("files under a lost key were accepted");
    } catch (const SecretStoreUnavailable &) {
        QFAIL("a missing credential is not an unavailable store");
    } catch (const StorageError &e) {
        QCOMPARE(e.message(), QStringLiteral("file is encrypted or is not a database"));
    }
    // The new key is stored at once, so the old files stay unreadable on later starts too.
    QVERIFY(fx.store->items.contains(kTarget));
    QVERIFY(dbkey != oldKey);

    QVERIFY(!askresetstorage()); // answered No
    QCOMPARE(fx.questions.size(), 1);
    QCOMPARE(fx.questions.at(0).text, kResetText);
    QCOMPARE(fx.questions.at(0).caption, QStringLiteral("Tarnvel - blad deszyfrowania"));
    QCOMPARE(StorageFixture::fileBytes(configfile), config);
    QCOMPARE(StorageFixture::fileBytes(maindbfile), mainDb);

    fx.yes = true;
    const QString keyBeforeReset = fx.store->items.value(kTarget).second;
    QVERIFY(askresetstorage());
    QVERIFY(!QFile::exists(configfile));
    QVERIFY(!QFile::exists(maindbfile));
    QVERIFY(isHexKey(dbkey));
    QVERIFY(dbkey != keyBeforeReset);
    QCOMPARE(fx.store->items.value(kTarget).second, dbkey);

    // The retried start-up creates fresh, empty databases.
    initstorage();
    data.connectmaindb();
    QCOMPARE(configRows(configfile, dbkey), 15);
    QCOMPARE(data.FDConnection1.scalar(QStringLiteral("SELECT COUNT(*) FROM msg_cache")).toInt(), 0);
}

namespace {

// Ways a database file goes bad; each must surface as a storage error, never as a crash or as
// a silently accepted file.
void addDamageRows()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("truncated") << "truncated";
    QTest::newRow("zero bytes") << "empty";
    QTest::newRow("other key") << "otherkey";
    QTest::newRow("not a database") << "text";
    QTest::newRow("byte flipped") << "flipped";
}

void damage(const QString &path, const QString &how, bool tableName)
{
    QByteArray bytes = StorageFixture::fileBytes(path);
    if (how == QLatin1String("truncated")) {
        bytes.truncate(bytes.size() / 2 + 7);
    } else if (how == QLatin1String("empty")) {
        bytes.clear();
    } else if (how == QLatin1String("text")) {
        bytes = "Zwykły plik tekstowy, nie baza danych.\n";
        bytes = bytes.repeated(200);
    } else if (how == QLatin1String("flipped")) {
        bytes[200] = char(bytes[200] ^ 0x5A);
    } else if (how == QLatin1String("otherkey")) {
        QFile::remove(path);
        SqlDb db;
        db.open(path, QString(64, QLatin1Char('7')));
        db.execScript(tableName ? QStringLiteral("CREATE TABLE config (x);")
                                : QStringLiteral("CREATE TABLE msg_cache (x);"));
        return;
    }
    writeFile(path, bytes);
}

} // namespace

void TestStorageKey::damagedConfig_data()
{
    addDamageRows();
}

void TestStorageKey::damagedConfig()
{
    QFETCH(QString, damage);
    StorageFixture fx(true);
    initstorage();
    ::damage(configfile, damage, true);
    const QByteArray bad = StorageFixture::fileBytes(configfile);
    dbkey.clear();
    bool failed = false;
    try {
        initstorage();
    } catch (const SecretStoreUnavailable &) {
        QFAIL("a damaged file must lead to the reset question, not the store error");
    } catch (const StorageError &e) {
        failed = !e.message().isEmpty();
    }
    QVERIFY(failed);
    QCOMPARE(StorageFixture::fileBytes(configfile), bad); // verification writes nothing

    QVERIFY(askresetstorage());
    initstorage();
    QCOMPARE(configRows(configfile, dbkey), 15);
}

void TestStorageKey::damagedDataFile_data()
{
    addDamageRows();
}

void TestStorageKey::damagedDataFile()
{
    QFETCH(QString, damage);
    StorageFixture fx(true);
    initstorage();
    Tf1 data;
    data.connectmaindb();
    data.FDConnection1.exec(QStringLiteral("INSERT INTO contacts (name, email) VALUES ('a','b')"));
    data.FDConnection1.close();
    ::damage(maindbfile, damage, false);

    if (damage == QLatin1String("empty")) {
        // An empty file holds nothing to lose: it simply becomes a new database.
        data.connectmaindb();
        QCOMPARE(data.FDConnection1.scalar(QStringLiteral("SELECT COUNT(*) FROM contacts")).toInt(), 0);
        return;
    }
    initstorage(); // config.bin is intact
    QVERIFY_THROWS_EXCEPTION(StorageError, data.connectmaindb());
    QVERIFY(!data.FDConnection1.isOpen());
}

void TestStorageKey::lockedStoreNeverMakesAKey()
{
    StorageFixture fx(true);
    initstorage();
    const auto item = fx.store->items.value(kTarget);
    const QByteArray config = StorageFixture::fileBytes(configfile);

    fx.store->locked = true;
    dbkey.clear();
    try {
        initstorage();
        QFAIL("a locked store was taken for a usable one");
    } catch (const SecretStoreUnavailable &e) {
        QVERIFY(e.message().startsWith(QString::fromUtf8(kSecretStoreUnavailable)));
    }
    QVERIFY(dbkey.isEmpty());
    QCOMPARE(fx.store->writes, 1);
    fx.store->locked = false;
    QCOMPARE(fx.store->items.value(kTarget), item);
    QCOMPARE(StorageFixture::fileBytes(configfile), config);
    QVERIFY(fx.boxes.isEmpty());
}

void TestStorageKey::storeRefusingWrites()
{
    StorageFixture fx;
    fx.store->refuseWrites = true;
    try {
        initstorage();
        QFAIL("no error");
    } catch (const SecretStoreUnavailable &e) {
        QCOMPARE(e.message(),
                 QStringLiteral("Nie udalo sie zainicjalizowac klucza szyfrowania baz danych."));
    }
    QCOMPARE(fx.boxes.size(), 1);
    QCOMPARE(fx.boxes.at(0).text,
             QStringLiteral("Nie udalo sie zapisac klucza w menedzerze poswiadczen Windows."));
    QCOMPARE(fx.boxes.at(0).caption, QStringLiteral("Tarnvel - blad"));
    QVERIFY(!QDir(fx.dir.folder()).exists()); // the key is settled before the folder is made
}

void TestStorageKey::storeLosingWrites()
{
    StorageFixture fx;
    fx.store->dropWrites = true;
    QVERIFY_THROWS_EXCEPTION(SecretStoreUnavailable, initstorage());
    QCOMPARE(fx.boxes.size(), 1);
    QCOMPARE(fx.boxes.at(0).text,
             QStringLiteral("Zapisany klucz nie zgadza sie z odczytanym z menedzera poswiadczen."
                            "\r\nMozliwa przyczyna: blad WinAPI lub konflikt z innym "
                            "oprogramowaniem."));
    QCOMPARE(fx.boxes.at(0).caption, QStringLiteral("Tarnvel - blad zapisu klucza"));
}

void TestStorageKey::resetKeepsOtherFilesAndRefusesLockedStore()
{
    StorageFixture fx;
    initstorage();
    Tf1 data;
    data.connectmaindb();
    f1 = &data;
    auto unset = qScopeGuard([] { f1 = nullptr; });
    const QString other = fx.dir.folder() + QStringLiteral("/notatki.txt");
    writeFile(other, "zostaje");

    fx.store->locked = true;
    QVERIFY(!resetstorage());
    QVERIFY(QFile::exists(configfile));
    QVERIFY(QFile::exists(maindbfile));

    fx.store->locked = false;
    QVERIFY(resetstorage());
    QVERIFY(!data.FDConnection1.isOpen());
    QVERIFY(!QFile::exists(configfile));
    QVERIFY(!QFile::exists(maindbfile));
    QCOMPARE(StorageFixture::fileBytes(other), QByteArray("zostaje"));
}

void TestStorageKey::folderCannotBeCreated()
{
    StorageFixture fx;
    // LOCALAPPDATA names a plain file, so nothing can be created below it.
    const QString blocker = fx.dir.root() + QStringLiteral("/plik");
    writeFile(blocker, "x");
    qputenv("LOCALAPPDATA", blocker.toUtf8());
    try {
        initstorage();
        QFAIL("no error");
    } catch (const StorageError &e) {
        QCOMPARE(e.message(),
                 QStringLiteral("Nie mozna utworzyc katalogu konfiguracyjnego: ") + blocker +
                     QStringLiteral("/Tarnvel"));
    }
    QVERIFY(fx.store->items.contains(kTarget)); // the key was stored first
}

QTEST_GUILESS_MAIN(TestStorageKey)
#include "test_storage_key.moc"
