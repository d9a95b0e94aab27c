// Times the configuration routines on a real encrypted file in a throwaway folder: loadconfig
// with 20 mailboxes, savemailboxes and savewinstate. Prints the median and the worst of a
// number of runs, in milliseconds.

#include "storage/SecretStore.h"
#include "storage/fvar.h"

#include <QCoreApplication>
#include <QFile>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// The key lives in memory here: the figures are about the database, not the secret service.
class MemoryStore : public SecretStore
{
public:
    SecretReadResult read(const QString &) override
    {
        SecretReadResult r;
        r.status = m_secret.isEmpty() ? SecretStatus::NotFound : SecretStatus::Ok;
        r.secret = m_secret;
        return r;
    }
    SecretStatus write(const QString &, const QString &, const QString &secret, QString *) override
    {
        m_secret = secret;
        return SecretStatus::Ok;
    }
    SecretStatus remove(const QString &, QString *) override
    {
        m_secret.clear();
        return SecretStatus::Ok;
    }

private:
    QString m_secret;
};

QString pem(const char *kind, int lines)
{
    QString s = QStringLiteral("-----BEGIN %1-----\r\n").arg(QLatin1String(kind));
    for (int i = 0; i < lines; ++i)
        s += randomletters(64) + QStringLiteral("\r\n");
    return s + QStringLiteral("-----END %1-----\r\n").arg(QLatin1String(kind));
}

void report(const char *name, int runs, const std::function<void()> &fn)
{
    QVector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        fn();
        ms.append(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-28s median %7.3f ms   worst %7.3f ms   (%d runs)\n", name, ms[ms.size() / 2],
                ms.last(), runs);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("LOCALAPPDATA", dir.path().toUtf8());
    setSecretStore(std::make_unique<MemoryStore>());
    initstorage();

    skrzynki.resize(20);
    for (int i = 0; i < 20; ++i) {
        TSkrzynka &m = skrzynki[i];
        m.name = QStringLiteral("Skrzynka %1").arg(i);
        m.address = QStringLiteral("AE:PL-%1-12345-ABCDE-00").arg(10000 + i);
        m.sysname = QStringLiteral("SYSTEM%1").arg(i);
        m.keyprv = pem("ENCRYPTED PRIVATE KEY", 28);
        m.keypub = pem("PUBLIC KEY", 7);
        m.csr = pem("CERTIFICATE REQUEST", 16);
        m.def_toemail = QStringLiteral("a%1@example.pl, b@example.pl").arg(i);
        m.def_ccemail = QStringLiteral("c%1@example.pl").arg(i);
    }
    savemailboxes();

    const int runs = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 50;
    report("loadconfig (20 mailboxes)", runs, [] { loadconfig(); });
    if (skrzynki.size() != 20) {
        std::fprintf(stderr, "loadconfig read %lld mailboxes\n", qlonglong(skrzynki.size()));
        return 1;
    }
    report("savemailboxes (20)", runs, [] { savemailboxes(); });
    report("savewinstate", runs, [] { savewinstate(1280, 800, 0, 300, 250); });
#ifdef Q_OS_UNIX
    // Each save ends in a durable commit: two flushes of the disk. This is their floor here.
    QFile probe(dir.path() + QStringLiteral("/flush.tmp"));
    if (probe.open(QIODevice::WriteOnly)) {
        const QByteArray page(4096, 'x');
        report("disk flush (4 KiB + fdatasync)", runs, [&] {
            probe.seek(0);
            probe.write(page);
            probe.flush();
            ::fdatasync(probe.handle());
        });
    }
#endif
    return 0;
}
