#include "app/SystemBoxes.h"

#include "app/AppInfo.h"
#include "app/MojDBox.h"
#include "storage/SqlDb.h"
#include "storage/UiHooks.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon iconFor(SysBoxIcon icon)
{
    switch (icon) {
    case SysBoxIcon::Error: return QMessageBox::Critical;
    case SysBoxIcon::Warning: return QMessageBox::Warning;
    case SysBoxIcon::Information: return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

QString displayText(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

void prepare(QMessageBox &box)
{
    box.setTextFormat(Qt::PlainText);
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

} // namespace

void systemMessageBox(const QString &text, const QString &caption, SysBoxIcon icon)
{
    QMessageBox box(iconFor(icon), caption, displayText(text),
                    QMessageBox::Ok);
    prepare(box);
    box.button(QMessageBox::Ok)->setText(mojdboxcaption(mbOK));
    box.exec();
}

bool systemQuestion(const QString &text, const QString &caption, SysBoxIcon icon)
{
    QMessageBox box(iconFor(icon), caption, displayText(text),
                    QMessageBox::Yes | QMessageBox::No);
    prepare(box);
    box.button(QMessageBox::Yes)->setText(mojdboxcaption(mbYes));
    box.button(QMessageBox::No)->setText(mojdboxcaption(mbNo));
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void installSystemBoxes()
{
    UiHooks &hooks = uiHooks();
    hooks.showMessage = [](const QString &text) { ShowMessage(text); };
    hooks.systemBox = [](const QString &text, const QString &caption, SysBoxIcon icon) {
        systemMessageBox(text, caption, icon);
    };
    hooks.systemAsk = [](const QString &text, const QString &caption, SysBoxIcon icon) {
        return systemQuestion(text, caption, icon);
    };
}

void showSystemBox(const QString &text, const QString &caption, SysBoxIcon icon)
{
    if (uiHooks().systemBox)
        uiHooks().systemBox(text, caption, icon);
    else
        systemMessageBox(text, caption, icon);
}

void showDefaultErrorBox(const QString &message)
{
    showSystemBox(message, AppInfo::title, SysBoxIcon::Error);
}

QString errorMessage(const std::exception &error)
{
    if (auto *storage = dynamic_cast<const StorageError *>(&error))
        return storage->message();
    return QString::fromUtf8(error.what());
}
