#include "SimProcess.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslConfiguration>

#include <csignal>
#include <sys/prctl.h>

namespace {

QString simBinary()
{
    QString dir = qEnvironmentVariable("TARNVEL_BUILD_DIR");
    if (dir.isEmpty())
        dir = QStringLiteral(TARNVEL_BUILD_DIR);
    return dir + "/tools/edelivery-sim/edelivery-sim";
}

} // namespace

SimProcess::~SimProcess()
{
    stop();
}

QString SimProcess::caFile() const
{
    return m_dir ? m_dir->path() + "/ca.pem" : QString();
}

bool SimProcess::start()
{
    return start(Options());
}

bool SimProcess::start(const Options &o)
{
    stop();
    m_error.clear();
    m_dir = std::make_unique<QTemporaryDir>();
    if (!m_dir->isValid()) {
        m_error = "cannot make a temporary folder";
        return false;
    }
    QStringList args{"--state-dir", m_dir->path(), "--port", "0", "--ntp-port", "0", "--ntp-offset",
                     QString::number(o.ntpOffset), "--seed",
                     o.seedFile.isEmpty() ? QStringLiteral(TARNVEL_TEST_DATA "/sim-seed.json")
                                          : o.seedFile,
                     // A test that forgets to stop it cannot leave it running for long.
                     "--lifetime", "900"};
    if (o.demo)
        args << "--demo";

    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::ForwardedChannels);
    // A test that aborts never reaches stop(): the simulator then goes with it, not after
    // its lifetime.
    m_process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process->start(simBinary(), args);
    if (!m_process->waitForStarted(5000)) {
        m_error = "cannot start " + simBinary() + ": " + m_process->errorString();
        m_process.reset();
        return false;
    }

    const QString portsFile = m_dir->path() + "/ports.json";
    QDeadlineTimer deadline(10000);
    while (!QFile::exists(portsFile)) {
        // Waiting on the process doubles as the poll interval and notices an early exit.
        if (m_process->waitForFinished(50) || m_process->state() == QProcess::NotRunning) {
            m_error = QStringLiteral("the simulator ended with code %1 before listening")
                          .arg(m_process->exitCode());
            m_process.reset();
            return false;
        }
        if (deadline.hasExpired()) {
            m_error = "the simulator did not write ports.json within 10 s";
            stop();
            return false;
        }
    }
    QFile f(portsFile);
    f.open(QIODevice::ReadOnly);
    const QJsonObject ports = QJsonDocument::fromJson(f.readAll()).object();
    m_https = ports.value("https").toInt();
    m_ntp = ports.value("ntp").toInt();
    if (m_https <= 0 || m_ntp <= 0) {
        m_error = "ports.json holds no ports";
        stop();
        return false;
    }
    qputenv("TARNVEL_TOKEN_HOST", hostPort().toUtf8());
    qputenv("TARNVEL_API_HOST", hostPort().toUtf8());
    qputenv("TARNVEL_NTP_HOST", QStringLiteral("127.0.0.1:%1").arg(m_ntp).toUtf8());
    qputenv("TARNVEL_CA_FILE", caFile().toUtf8());
    return true;
}

void SimProcess::stop()
{
    if (m_process && m_process->state() != QProcess::NotRunning) {
        admin("POST", "/admin/shutdown");
        if (!m_process->waitForFinished(5000)) {
            m_process->kill(); // its own PID only
            m_process->waitForFinished(2000);
        }
    }
    m_process.reset();
    m_https = m_ntp = 0;
}

SimHttpAnswer SimProcess::send(const QByteArray &method, const QByteArray &pathAndQuery,
                               const QByteArray &body,
                               const QList<QPair<QByteArray, QByteArray>> &headers,
                               int timeoutMs) const
{
    QNetworkAccessManager nam;
    QNetworkRequest req(
        QUrl::fromEncoded(baseUrl().toLatin1() + pathAndQuery, QUrl::StrictMode));
    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    ssl.addCaCertificates(caFile());
    req.setSslConfiguration(ssl);
    req.setTransferTimeout(timeoutMs);
    for (const auto &[name, value] : headers)
        req.setRawHeader(name, value);
    QNetworkReply *reply =
        method == "GET" ? nam.get(req) : nam.sendCustomRequest(req, method, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    SimHttpAnswer a;
    a.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    a.reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray();
    a.body = reply->readAll();
    a.error = reply->error();
    delete reply;
    return a;
}

QJsonDocument SimProcess::admin(const QByteArray &method, const QString &path,
                                const QByteArray &jsonBody, int *status)
{
    if (status)
        *status = 0;
    if (m_https <= 0)
        return {};
    // An empty POST would go out without Content-Length, and the server then waits for a body.
    const QByteArray body = jsonBody.isEmpty() && method != "GET" ? QByteArray("{}") : jsonBody;
    const SimHttpAnswer a =
        send(method, QUrl(path).toEncoded(), body, {{"Content-Type", "application/json"}});
    if (status)
        *status = a.status;
    return a.json();
}

bool SimProcess::registerCsr(const QString &address, const QString &csrPem)
{
    int status = 0;
    admin("POST", "/admin/register",
          QJsonDocument(QJsonObject{{"address", address}, {"csr", csrPem}})
              .toJson(QJsonDocument::Compact),
          &status);
    return status == 200;
}

bool SimProcess::registerPublicKey(const QString &address, const QString &publicKeyPem)
{
    int status = 0;
    admin("POST", "/admin/register",
          QJsonDocument(QJsonObject{{"address", address}, {"publicKey", publicKeyPem}})
              .toJson(QJsonDocument::Compact),
          &status);
    return status == 200;
}

QJsonArray SimProcess::requests()
{
    return admin("GET", "/admin/requests").array();
}

void SimProcess::clearRequests()
{
    admin("POST", "/admin/requests/clear");
}

void SimProcess::fault(const QJsonObject &fault)
{
    admin("POST", "/admin/fault", QJsonDocument(fault).toJson(QJsonDocument::Compact));
}

void SimProcess::clearFaults()
{
    admin("POST", "/admin/faults/clear");
}
