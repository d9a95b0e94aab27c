// The encrypted connection itself and the data database: tables, the 90-day cache purge.

#include "storage/SqlDb.h"
#include "storage/Tf1.h"
#include "test_storage_util.h"

#include <QDateTime>
#include <QtTest>

class TestStorageDb : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void connectionIsEncrypted();
    void parametersAndTransactions();
    void rejectsMalformedKey();
    void dataTablesCreatedAndKept();
    void purgeAfterNinetyDays();
    void localEpochRunsAheadByTheOffset();
};

void TestStorageDb::connectionIsEncrypted()
{
    TempStorage dir;
    const QString path = dir.root() + QStringLiteral("/x.db");
    const QString key(64, QLatin1Char('C'));
    SqlDb db;
    db.open(path, key);
    QVERIFY(!db.scalar(QStringLiteral("PRAGMA cipher_version")).toString().isEmpty());
    QCOMPARE(db.scalar(QStringLiteral("PRAGMA cipher_page_size")).toInt(), 4096);
    db.exec(QStringLiteral("CREATE TABLE t (v TEXT)"));
    db.exec(QStringLiteral("INSERT INTO t VALUES ('jawny tekst do znalezienia')"));
    db.close();
    const QByteArray bytes = StorageFixture::fileBytes(path);
    QVERIFY(bytes.size() >= 4096);
    QVERIFY(!bytes.startsWith("SQLite format 3"));
    QVERIFY(!bytes.contains("jawny tekst"));

    // A wrong key is noticed by the first statement that reads the file, whichever it is.
    try {
        db.open(path, QString(64, QLatin1Char('D')));
        db.scalar(QStringLiteral("SELECT COUNT(*) FROM t"));
        QFAIL("read with a wrong key");
    } catch (const StorageError &e) {
        QCOMPARE(e.message(), QStringLiteral("file is encrypted or is not a database"));
    }
}

void TestStorageDb::parametersAndTransactions()
{
    TempStorage dir;
    SqlDb db;
    db.open(dir.root() + QStringLiteral("/p.db"), QString(64, QLatin1Char('1')));
    db.exec(QStringLiteral("CREATE TABLE t (a INTEGER, b TEXT)"));
    const QString text = QString::fromUtf8("O'Brien \"żółć\" '); DROP TABLE t; --");
    db.exec(QStringLiteral("INSERT INTO t VALUES (:a, :b)"), {{"b", text}, {"a", 42}});
    QStringList cols;
    const auto rows = db.query(QStringLiteral("SELECT * FROM t"), {}, &cols);
    QCOMPARE(cols, QStringList({"a", "b"}));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0][0].toLongLong(), 42);
    QCOMPARE(rows[0][1].toString(), text);
    QVERIFY_THROWS_EXCEPTION(StorageError, db.exec(QStringLiteral("INSERT INTO t VALUES (:a, 1)"),
                                                   {{"nope", 1}}));
    // The same statement again, kept prepared: no value of an earlier run may linger.
    db.exec(QStringLiteral("INSERT INTO t VALUES (:a, 1)"), {{"a", 7}});
    db.exec(QStringLiteral("INSERT INTO t VALUES (:a, 1)"));
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM t WHERE a = 7")).toInt(), 1);
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM t WHERE a IS NULL")).toInt(), 1);
    db.exec(QStringLiteral("DELETE FROM t WHERE b = '1'"));

    QVERIFY_THROWS_EXCEPTION(StorageError, inTransaction(db, [&] {
        db.exec(QStringLiteral("DELETE FROM t"));
        db.exec(QStringLiteral("INSERT INTO brak VALUES (1)"));
    }));
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM t")).toInt(), 1);
    inTransaction(db, [&] { db.exec(QStringLiteral("DELETE FROM t")); });
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM t")).toInt(), 0);
}

void TestStorageDb::rejectsMalformedKey()
{
    TempStorage dir;
    SqlDb db;
    const QString path = dir.root() + QStringLiteral("/k.db");
    QVERIFY_THROWS_EXCEPTION(StorageError, db.open(path, QStringLiteral("abc")));
    QVERIFY_THROWS_EXCEPTION(StorageError, db.open(path, QString(63, QLatin1Char('A')) + "'"));
    QVERIFY(!db.isOpen());
}

void TestStorageDb::dataTablesCreatedAndKept()
{
    StorageFixture fx;
    initstorage();
    Tf1 data;
    data.connectmaindb();
    const auto tables = data.FDConnection1.query(QStringLiteral(
        "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' "
        "ORDER BY name"));
    QStringList names;
    for (const SqlRow &r : tables)
        names << r[0].toString();
    QCOMPARE(names, QStringList({"contacts", "forward_log", "msg_cache", "sgrid_tmp"}));
    data.FDConnection1.exec(QStringLiteral("INSERT INTO forward_log (msg_id, send_res) VALUES ('m1', 'ok')"));

    data.connectmaindb(); // again, on the open connection: closes it first, keeps the rows
    QCOMPARE(data.FDConnection1.scalar(QStringLiteral("SELECT send_res FROM forward_log")).toString(),
             QStringLiteral("ok"));
    QVERIFY(!StorageFixture::fileBytes(maindbfile).startsWith("SQLite format 3"));
}

void TestStorageDb::purgeAfterNinetyDays()
{
    StorageFixture fx;
    initstorage();
    Tf1 data;
    data.connectmaindb();
    const qint64 now = localepochseconds();
    const QString insert =
        QStringLiteral("INSERT INTO msg_cache (dt_epoch, mbox_idx, msg_id, msg_data) VALUES (:t, 0, :id, '{}')");
    data.FDConnection1.exec(insert, {{"t", now - 91 * 86400}, {"id", "old"}});
    data.FDConnection1.exec(insert, {{"t", now - 89 * 86400}, {"id", "recent"}});
    data.FDConnection1.exec(insert, {{"t", now}, {"id", "today"}});
    data.purgecache();
    const auto rows =
        data.FDConnection1.query(QStringLiteral("SELECT msg_id FROM msg_cache ORDER BY id"));
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0][0].toString(), QStringLiteral("recent"));
    QCOMPARE(rows[1][0].toString(), QStringLiteral("today"));
}

void TestStorageDb::localEpochRunsAheadByTheOffset()
{
    // ctest runs this test with TZ=XST-14: local time is UTC+14.
    const qint64 offset = localepochseconds() - QDateTime::currentSecsSinceEpoch();
    const qint64 expected = QDateTime::currentDateTime().offsetFromUtc();
    QVERIFY2(qAbs(offset - expected) <= 1, qPrintable(QString::number(offset)));
    if (qgetenv("TZ") == "XST-14")
        QCOMPARE(expected, qint64(14 * 3600));
}

QTEST_GUILESS_MAIN(TestStorageDb)
#include "test_storage_db.moc"
