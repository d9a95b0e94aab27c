// Start-up time of the main window on an existing storage folder: from the creation of the
// window to its first paint, with the clock-offset request answered by a local time server.
// Prints one line per run and the median.
//
//   bench_startup [runs]      (needs an unlocked secret store, like the tests)

#include "app/MojDBox.h"
#include "app/SystemBoxes.h"
#include "app/TarnvelApplication.h"
#include "app/Tfm_msglist.h"
#include "storage/fvar.h"
#include "tests/support/LocalTimeServer.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {

class FirstPaint : public QObject
{
public:
    bool painted = false;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

} // namespace

int main(int argc, char **argv)
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    TarnvelApplication app(argc, argv);
    installSystemBoxes();
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 10;

    QTemporaryDir dir;
    qputenv("LOCALAPPDATA", dir.path().toUtf8());
    qputenv("TEMP", dir.path().toUtf8());
    LocalTimeServer timeServer;
    qputenv("TARNVEL_NTP_HOST", timeServer.hostAndPort());
    // The first-run question comes after the window is up; answer it so the runs go on.
    setMojDBoxInterceptor([](const MojDBoxCall &, QMessageBox *) { return int(mrNo); });

    QElapsedTimer setup;
    setup.start();
    // An existing storage: the key, both databases and a saved layout.
    initstorage();
    savewinstate(1000, 600, 0, 250, 256);

    const double setupMs = setup.nsecsElapsed() / 1e6;
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        auto *window = new Tfm_msglist;
        FirstPaint paint;
        window->installEventFilter(&paint);
        if (!window->FormCreate()) {
            std::fprintf(stderr, "start-up failed\n");
            return 1;
        }
        window->show();
        QElapsedTimer limit;
        limit.start();
        while (!paint.painted && limit.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        const double ms = clock.nsecsElapsed() / 1e6;
        times << ms;
        if (i == 0)
            std::printf("first run, from program entry (less making the storage): %.1f ms\n",
                        sinceMain.nsecsElapsed() / 1e6 - setupMs);
        std::printf("run %d: %.1f ms\n", i + 1, ms);
        window->removeEventFilter(&paint);
        window->close();
        delete window;
    }
    std::sort(times.begin(), times.end());
    std::printf("start to main window shown (existing storage): median %.1f ms, min %.1f ms, "
                "max %.1f ms over %d runs\n",
                times[times.size() / 2], times.first(), times.last(), int(times.size()));
    return 0;
}
