// Rebuilding the folder tree for 20 mailboxes against the simulator: the first rebuild
// fetches a token for each mailbox, the second reuses them. Prints the figures.

#include "../../tests/support/SimProcess.h"
#include "../../tests/support/TempStorage.h"
#include "../../tests/support/TestMailbox.h"
#include "app/MojDBox.h"
#include "app/Tfm_msglist.h"
#include "mailboxes/KeyMaterial.h"
#include "service/ServiceConfig.h"
#include "storage/fvar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <cstdio>

namespace {

constexpr int kMailboxes = 20;

// A valid address: the check digits are the digit sum of |letters - (n1 + n2)|.
QString address(int i)
{
    const int n1 = 10000 + i, n2 = 20000;
    int d = std::abs(335 - (n1 + n2)), sum = 0;
    for (; d; d /= 10)
        sum += d % 10;
    return QStringLiteral("AE:PL-%1-%2-ABCDE-%3").arg(n1).arg(n2).arg(sum, 2, 10, QLatin1Char('0'));
}

int count(const QJsonArray &requests, const QString &part)
{
    int n = 0;
    for (const QJsonValue &r : requests)
        n += r.toObject().value("path").toString().contains(part);
    return n;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TempStorage storage;
    QTemporaryDir dir;

    QJsonArray boxes;
    for (int i = 0; i < kMailboxes; ++i) {
        QJsonArray messages;
        for (int m = 0; m < 5; ++m)
            messages.append(QJsonObject{{"messageId", QStringLiteral("m%1-%2").arg(i).arg(m)},
                                        {"label", m % 2 ? "INBOX" : "SENT"},
                                        {"subject", "Pismo"},
                                        {"timestamp", "2024-05-06T12:03:07.123Z"},
                                        {"receiptDate", QJsonValue()},
                                        {"from", QJsonObject{{"eDeliveryAddress", address(0)},
                                                             {"companyName", "Urząd"}}},
                                        {"opened", m == 0},
                                        {"daysToReceive", "14"},
                                        {"textBody", "x"},
                                        {"attachments", QJsonArray()}});
        QJsonArray folders;
        for (const char *l : {"INBOX", "SENT", "DRAFT", "OUTBOX", "TRASH"})
            folders.append(QJsonObject{{"label", l}, {"name", l}, {"type", "system"}});
        folders.append(QJsonObject{{"label", "LBL-F"}, {"name", "Faktury"}, {"type", "defined"}});
        boxes.append(QJsonObject{{"address", address(i)}, {"folders", folders},
                                 {"messages", messages}});
    }
    const QString seed = dir.filePath("seed.json");
    QFile f(seed);
    if (!f.open(QIODevice::WriteOnly))
        return 1;
    f.write(QJsonDocument(QJsonObject{{"mailboxes", boxes}}).toJson());
    f.close();

    SimProcess sim;
    if (!sim.start({seed, 0, false})) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(sim.errorString()));
        return 1;
    }
    reloadServiceHosts();
    setMojDBoxInterceptor([](const MojDBoxCall &call, QMessageBox *) {
        std::fprintf(stderr, "box: %s\n", qPrintable(call.msg));
        return int(mrOk);
    });

    const KeyMaterial keys = generatekeys({"PL", "a", "b", "c", "", "", "*.d.pl"});
    skrzynki.clear();
    for (int i = 0; i < kMailboxes; ++i) {
        if (!sim.registerCsr(address(i), keys.csrPem))
            return 1;
        skrzynki.append(
            testMailbox(QStringLiteral("Skrzynka %1").arg(i + 1), address(i), keys, "bench"));
    }

    Tfm_msglist w;
    sim.clearRequests();
    QElapsedTimer t;
    t.start();
    w.refresh_folders(false);
    const double first = t.nsecsElapsed() / 1e6;
    const QJsonArray firstRequests = sim.requests();
    sim.clearRequests();
    t.restart();
    w.refresh_folders(false);
    const double second = t.nsecsElapsed() / 1e6;
    const QJsonArray secondRequests = sim.requests();

    std::printf("refresh_folders, %d mailboxes, first (with tokens): %.1f ms, "
                "%d token + %d folder requests\n",
                kMailboxes, first, count(firstRequests, "/token"),
                count(firstRequests, "/numberMessages"));
    std::printf("refresh_folders, %d mailboxes, again (tokens reused): %.1f ms, "
                "%d token + %d folder requests\n",
                kMailboxes, second, count(secondRequests, "/token"),
                count(secondRequests, "/numberMessages"));
    std::printf("first mailbox node: %s\n", qPrintable(w.TreeView1->topLevelItem(0)->text(0)));
    return 0;
}
