#include "SqlDb.h"

#include <sqlcipher/sqlite3.h>

#include <QRegularExpression>
#include <memory>

namespace {

const char *const kNoEncryption =
    "Silnik bazy danych nie obsługuje szyfrowania; plik nie zostanie otwarty.";
const char *const kBadKey = "Klucz bazy danych ma nieprawidłową postać.";

struct StmtDeleter
{
    void operator()(sqlite3_stmt *stmt) const { sqlite3_finalize(stmt); }
};
using StmtPtr = std::unique_ptr<sqlite3_stmt, StmtDeleter>;

QVariant columnValue(sqlite3_stmt *stmt, int col)
{
    switch (sqlite3_column_type(stmt, col)) {
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(stmt, col)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt, col));
    case SQLITE_BLOB: {
        const auto *data = static_cast<const char *>(sqlite3_column_blob(stmt, col));
        return QVariant(QByteArray(data, sqlite3_column_bytes(stmt, col)));
    }
    case SQLITE_NULL:
        return QVariant();
    default: {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, col));
        return QVariant(QString::fromUtf8(text, sqlite3_column_bytes(stmt, col)));
    }
    }
}

} // namespace

SqlDb::~SqlDb()
{
    close();
}

void SqlDb::open(const QString &path, const QString &hexKey)
{
    close();
    // The key goes into the statement text, so only the exact raw-key form is let through.
    static const QRegularExpression hex64(QStringLiteral("^[0-9A-Fa-f]{64}$"));
    if (!hex64.match(hexKey).hasMatch())
        throw StorageError(QString::fromUtf8(kBadKey));

    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db))
                               : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close(db);
        throw StorageError(msg);
    }
    m_db = db;
    // Another instance saving at the same moment holds the lock only briefly; waiting for it
    // keeps a passing "database is locked" from reading as damaged storage at start-up.
    sqlite3_busy_timeout(db, 5000);
    try {
        // A raw key skips key derivation: the configuration file is opened for every load and
        // save, and derivation would cost tens of milliseconds each time.
        execScript(QStringLiteral("PRAGMA key = \"x'%1'\";").arg(hexKey));
        execScript(QStringLiteral("PRAGMA cipher_page_size = 4096; PRAGMA cache_size = -8192;"));
        // A plain SQLite accepts the key pragma silently and writes clear text; refuse it.
        if (scalar(QStringLiteral("PRAGMA cipher_version")).toString().isEmpty())
            throw StorageError(QString::fromUtf8(kNoEncryption));
        execScript(QStringLiteral("PRAGMA synchronous = NORMAL; PRAGMA locking_mode = NORMAL;"));
    } catch (...) {
        close();
        throw;
    }
}

void SqlDb::close()
{
    for (sqlite3_stmt *stmt : std::as_const(m_execCache))
        sqlite3_finalize(stmt);
    m_execCache.clear();
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

void SqlDb::fail(const QString &context)
{
    QString msg = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString();
    if (msg.isEmpty())
        msg = context;
    throw StorageError(msg);
}

sqlite3_stmt *SqlDb::prepare(const QString &sql, const SqlParams &params)
{
    if (!m_db)
        throw StorageError(QStringLiteral("Baza danych nie jest otwarta."));
    sqlite3_stmt *raw = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &raw, nullptr) != SQLITE_OK)
        fail(sql);
    StmtPtr stmt(raw);
    bind(raw, sql, params);
    return stmt.release();
}

void SqlDb::bind(sqlite3_stmt *raw, const QString &sql, const SqlParams &params)
{
    for (const auto &[name, value] : params) {
        const QByteArray key = ':' + name.toUtf8();
        const int idx = sqlite3_bind_parameter_index(raw, key.constData());
        if (idx == 0)
            throw StorageError(QStringLiteral("Nieznany parametr :%1").arg(name));
        int rc = SQLITE_OK;
        switch (value.typeId()) {
        case QMetaType::UnknownType:
        case QMetaType::Nullptr:
            rc = sqlite3_bind_null(raw, idx);
            break;
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            rc = sqlite3_bind_int64(raw, idx, value.toLongLong());
            break;
        case QMetaType::Double:
            rc = sqlite3_bind_double(raw, idx, value.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray b = value.toByteArray();
            rc = sqlite3_bind_blob(raw, idx, b.constData(), int(b.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray s = value.toString().toUtf8();
            rc = sqlite3_bind_text(raw, idx, s.constData(), int(s.size()), SQLITE_TRANSIENT);
            break;
        }
        }
        if (rc != SQLITE_OK)
            fail(sql);
    }
}

void SqlDb::exec(const QString &sql, const SqlParams &params)
{
    sqlite3_stmt *stmt = m_execCache.value(sql);
    if (!stmt) {
        if (m_execCache.size() >= 32) { // texts built with values in them must not pile up
            for (sqlite3_stmt *old : std::as_const(m_execCache))
                sqlite3_finalize(old);
            m_execCache.clear();
        }
        stmt = prepare(sql, {});
        m_execCache.insert(sql, stmt);
    }
    // Leave the statement reset whatever happens, so it holds no lock and no stale values.
    struct Reset
    {
        sqlite3_stmt *s;
        ~Reset()
        {
            sqlite3_reset(s);
            sqlite3_clear_bindings(s);
        }
    } reset{stmt};
    bind(stmt, sql, params);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE)
        fail(sql);
}

void SqlDb::execScript(const QString &sql)
{
    if (!m_db)
        throw StorageError(QStringLiteral("Baza danych nie jest otwarta."));
    char *err = nullptr;
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        const QString msg = err ? QString::fromUtf8(err) : QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_free(err);
        throw StorageError(msg);
    }
}

QVariant SqlDb::scalar(const QString &sql, const SqlParams &params)
{
    StmtPtr stmt(prepare(sql, params));
    const int rc = sqlite3_step(stmt.get());
    if (rc == SQLITE_ROW)
        return sqlite3_column_count(stmt.get()) > 0 ? columnValue(stmt.get(), 0) : QVariant();
    if (rc != SQLITE_DONE)
        fail(sql);
    return QVariant();
}

QVector<SqlRow> SqlDb::query(const QString &sql, const SqlParams &params,
                             QStringList *columnNames)
{
    StmtPtr stmt(prepare(sql, params));
    const int cols = sqlite3_column_count(stmt.get());
    if (columnNames) {
        columnNames->clear();
        for (int c = 0; c < cols; ++c)
            columnNames->append(QString::fromUtf8(sqlite3_column_name(stmt.get(), c)));
    }
    QVector<SqlRow> rows;
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        SqlRow row;
        row.reserve(cols);
        for (int c = 0; c < cols; ++c)
            row.append(columnValue(stmt.get(), c));
        rows.append(std::move(row));
    }
    if (rc != SQLITE_DONE)
        fail(sql);
    return rows;
}

void SqlDb::begin()
{
    // IMMEDIATE takes the write lock up front, so a busy file fails before anything changes.
    execScript(QStringLiteral("BEGIN IMMEDIATE"));
}

void SqlDb::commit()
{
    execScript(QStringLiteral("COMMIT"));
}

void SqlDb::rollback() noexcept
{
    if (m_db && !sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}
