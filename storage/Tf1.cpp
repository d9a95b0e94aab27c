#include "Tf1.h"

#include "fvar.h"

#include <QDateTime>

qint64 localepochseconds()
{
    const QDateTime now = QDateTime::currentDateTime();
    return now.toSecsSinceEpoch() + now.offsetFromUtc();
}

void Tf1::connectmaindb()
{
    FDConnection1.close();
    try {
        FDConnection1.open(maindbfile, getdbkey());
        FDConnection1.exec(
            QStringLiteral("CREATE TABLE IF NOT EXISTS sgrid_tmp (row_idx INTEGER, msg_id_tmp TEXT);"));
        FDConnection1.exec(QStringLiteral(
            "CREATE TABLE IF NOT EXISTS forward_log (id INTEGER PRIMARY KEY AUTOINCREMENT, "
            "log_dt TEXT, msg_id TEXT, from_e TEXT, to_e TEXT, send_res TEXT);"));
        FDConnection1.exec(QStringLiteral(
            "CREATE TABLE IF NOT EXISTS msg_cache (id INTEGER PRIMARY KEY AUTOINCREMENT, "
            "dt_epoch INTEGER, mbox_idx INTEGER, msg_id TEXT, msg_data TEXT);"));
        FDConnection1.exec(QStringLiteral(
            "CREATE TABLE IF NOT EXISTS contacts (id INTEGER PRIMARY KEY AUTOINCREMENT, name "
            "TEXT, email TEXT);"));
    } catch (...) {
        // Left open, the file could not be deleted by a storage reset on every platform.
        FDConnection1.close();
        throw;
    }
}

void Tf1::purgecache()
{
    const qint32 limit = qint32(localepochseconds() - 7776000);
    FDConnection1.exec(QStringLiteral("DELETE FROM msg_cache where dt_epoch < :datagran"),
                       {{QStringLiteral("datagran"), limit}});
}
