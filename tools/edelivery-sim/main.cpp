// edelivery-sim: plays the e-Delivery service on loopback for the tests and the demo.
//
//   edelivery-sim --state-dir DIR [--port N] [--ntp-port N] [--ntp-offset SECONDS]
//                 [--seed FILE.json] [--demo] [--register ADDRESS=CSRFILE ...]
//                 [--lifetime SECONDS]
//
// Writes DIR/ca.pem (the throwaway CA to trust) and then DIR/ports.json once listening.
// It ends by itself after the lifetime, or on POST /admin/shutdown.

#include "SimServer.h"
#include "SimState.h"
#include "SntpResponder.h"
#include "TestCa.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>

#include <cstdio>
#include <thread>

namespace {

struct Options
{
    QString stateDir, seed;
    int port = 0, ntpPort = 0, lifetime = 3600;
    qint64 ntpOffset = 0;
    bool demo = false;
    QList<QPair<QString, QString>> registrations;
};

int usage(const char *why)
{
    std::fprintf(
        stderr,
        "edelivery-sim: %s\nusage: edelivery-sim --state-dir DIR [--port N] [--ntp-port N] "
        "[--ntp-offset SECONDS] [--seed FILE.json] [--demo] [--register ADDRESS=CSRFILE ...] "
        "[--lifetime SECONDS]\n",
        why);
    return 2;
}

bool parse(int argc, char **argv, Options *o, QString *error)
{
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == "--demo") {
            o->demo = true;
            continue;
        }
        if (i + 1 >= argc) {
            *error = arg + " needs a value";
            return false;
        }
        const QString value = QString::fromLocal8Bit(argv[++i]);
        bool ok = true;
        if (arg == "--state-dir")
            o->stateDir = value;
        else if (arg == "--seed")
            o->seed = value;
        else if (arg == "--port")
            o->port = value.toInt(&ok);
        else if (arg == "--ntp-port")
            o->ntpPort = value.toInt(&ok);
        else if (arg == "--ntp-offset")
            o->ntpOffset = value.toLongLong(&ok);
        else if (arg == "--lifetime")
            o->lifetime = value.toInt(&ok);
        else if (arg == "--register") {
            const qsizetype eq = value.indexOf('=');
            ok = eq > 0;
            o->registrations.append({value.left(eq), value.mid(eq + 1)});
        } else {
            *error = "unknown option " + arg;
            return false;
        }
        if (!ok) {
            *error = "bad value for " + arg + ": " + value;
            return false;
        }
    }
    if (o->stateDir.isEmpty()) {
        *error = "--state-dir is required";
        return false;
    }
    return true;
}

bool writeFile(const QString &path, const QByteArray &data)
{
    // Written whole or not at all: a reader polling for the file never sees half of it.
    QSaveFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size() && f.commit();
}

} // namespace

int main(int argc, char **argv)
{
    Options o;
    QString error;
    if (!parse(argc, argv, &o, &error))
        return usage(qPrintable(error));
    QDir().mkpath(o.stateDir);

    SimState state(o.ntpOffset, o.demo);
    if (!o.seed.isEmpty() && !state.loadSeed(o.seed, &error))
        return usage(qPrintable(error));
    for (const auto &[address, file] : o.registrations) {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly) || !state.registerKey(address, f.readAll(), &error))
            return usage(qPrintable("--register " + address + ": " +
                                    (error.isEmpty() ? "cannot read " + file : error)));
    }

    TestCa ca;
    std::string caError;
    if (!ca.generate(&caError))
        return usage(caError.c_str());
    if (!writeFile(o.stateDir + "/ca.pem", QByteArray::fromStdString(ca.caPem())))
        return usage("cannot write ca.pem");

    SimServer server(state, ca.serverCert(), ca.serverKey());
    const int httpsPort = server.bind(o.port);
    if (httpsPort <= 0)
        return usage("cannot listen on the HTTPS port");
    SntpResponder sntp(o.ntpOffset);
    const int ntpPort = sntp.bind(o.ntpPort);
    if (ntpPort <= 0)
        return usage("cannot bind the SNTP port");
    sntp.start();

    const QByteArray ports = QJsonDocument(QJsonObject{{"https", httpsPort}, {"ntp", ntpPort}})
                                 .toJson(QJsonDocument::Compact);
    if (!writeFile(o.stateDir + "/ports.json", ports))
        return usage("cannot write ports.json");
    std::fprintf(stderr, "edelivery-sim: https://127.0.0.1:%d, SNTP 127.0.0.1:%d%s\n", httpsPort,
                 ntpPort, o.demo ? ", demo mode" : "");

    std::thread stopper([&] {
        if (!state.waitForShutdown(o.lifetime))
            std::fprintf(stderr, "edelivery-sim: lifetime of %d s is over\n", o.lifetime);
        state.requestShutdown(); // wakes delayed answers too
        server.stop();
    });
    server.run();
    state.requestShutdown();
    stopper.join();
    sntp.stop();
    return 0;
}
