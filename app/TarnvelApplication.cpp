#include "app/TarnvelApplication.h"

#include "app/AppInfo.h"
#include "app/SystemBoxes.h"

TarnvelApplication::TarnvelApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(AppInfo::title);
}

bool TarnvelApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        showDefaultErrorBox(errorMessage(error));
    } catch (...) {
        showDefaultErrorBox(QStringLiteral("Nieznany błąd."));
    }
    return false;
}
