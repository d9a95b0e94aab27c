#pragma once
// A small wrapper over SQLCipher's C API: one encrypted connection, statements with named
// parameters, scalar queries and transactions. Errors are raised as StorageError with the
// database layer's message.

#include <QHash>
#include <QString>
#include <QVariant>
#include <QVector>
#include <stdexcept>

struct sqlite3;
struct sqlite3_stmt;

class StorageError : public std::runtime_error
{
public:
    explicit StorageError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    QString message() const { return m_message; }

private:
    QString m_message;
};

// The system's secret store is locked, missing or refuses us. Distinct from other storage
// errors because resetting the storage cannot help then and would destroy intact data.
class SecretStoreUnavailable : public StorageError
{
public:
    using StorageError::StorageError;
};

using SqlParams = QVector<QPair<QString, QVariant>>; // name without the colon, value
using SqlRow = QVector<QVariant>;

class SqlDb
{
public:
    SqlDb() = default;
    ~SqlDb();
    SqlDb(const SqlDb &) = delete;
    SqlDb &operator=(const SqlDb &) = delete;

    // Opens (and creates when missing) an AES-256 encrypted file with the 64-hex-digit key used
    // as a raw key. Fails loudly when the linked engine does not encrypt.
    void open(const QString &path, const QString &hexKey);
    void close();
    bool isOpen() const { return m_db != nullptr; }

    void exec(const QString &sql, const SqlParams &params = {});
    void execScript(const QString &sql); // several statements, no parameters
    QVariant scalar(const QString &sql, const SqlParams &params = {});
    QVector<SqlRow> query(const QString &sql, const SqlParams &params = {},
                          QStringList *columnNames = nullptr);

    void begin();
    void commit();
    void rollback() noexcept;

private:
    sqlite3_stmt *prepare(const QString &sql, const SqlParams &params);
    void bind(sqlite3_stmt *stmt, const QString &sql, const SqlParams &params);
    [[noreturn]] void fail(const QString &context);
    sqlite3 *m_db = nullptr;
    // exec() keeps its statements prepared: a save runs the same few inserts many times.
    QHash<QString, sqlite3_stmt *> m_execCache;
};

// Runs fn inside a transaction; any exception rolls back and is rethrown.
template <typename Fn> void inTransaction(SqlDb &db, Fn &&fn)
{
    db.begin();
    try {
        fn();
        db.commit();
    } catch (...) {
        db.rollback();
        throw;
    }
}
