#pragma once
// Runs the e-Delivery simulator (tools/edelivery-sim) for one test: starts it on free
// loopback ports with a fresh state folder, points the TARNVEL_* host variables at it, and
// speaks its admin requests over HTTPS trusting its throwaway CA.

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QNetworkReply>
#include <QPair>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

struct SimHttpAnswer
{
    int status = 0;
    QByteArray reason;
    QByteArray body;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QJsonDocument json() const { return QJsonDocument::fromJson(body); }
};

class SimProcess
{
public:
    struct Options
    {
        QString seedFile; // empty: tests/data/sim-seed.json
        int ntpOffset = 0;
        bool demo = false;
    };

    SimProcess() = default;
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // Starts the binary (from $TARNVEL_BUILD_DIR, else the build tree this was compiled in),
    // waits up to 10 s for its ports, then sets TARNVEL_TOKEN_HOST, TARNVEL_API_HOST,
    // TARNVEL_NTP_HOST and TARNVEL_CA_FILE. Callers of the service client then call
    // reloadServiceHosts() themselves.
    bool start(const Options &o);
    bool start(); // with the default options
    void stop();  // asks it to shut down, and kills its own PID if it does not
    QString errorString() const { return m_error; }

    int httpsPort() const { return m_https; }
    int ntpPort() const { return m_ntp; }
    QString caFile() const;
    QString hostPort() const { return QStringLiteral("127.0.0.1:%1").arg(m_https); }
    QString baseUrl() const { return "https://" + hostPort(); }

    // A synchronous HTTPS request to the simulator, trusting its CA; pathAndQuery is sent as
    // written (already encoded).
    SimHttpAnswer send(const QByteArray &method, const QByteArray &pathAndQuery,
                       const QByteArray &body = {},
                       const QList<QPair<QByteArray, QByteArray>> &headers = {},
                       int timeoutMs = 15000) const;
    // An admin request; the answer's JSON (null when not JSON).
    QJsonDocument admin(const QByteArray &method, const QString &path,
                        const QByteArray &jsonBody = {}, int *status = nullptr);
    bool registerCsr(const QString &address, const QString &csrPem);
    bool registerPublicKey(const QString &address, const QString &publicKeyPem);
    QJsonArray requests();
    void clearRequests();
    void fault(const QJsonObject &fault);
    void clearFaults();

private:
    std::unique_ptr<QProcess> m_process;
    std::unique_ptr<QTemporaryDir> m_dir;
    int m_https = 0;
    int m_ntp = 0;
    QString m_error;
};
