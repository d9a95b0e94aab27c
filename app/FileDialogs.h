#pragma once
// Every file dialog goes through here so that a test can give the file name in advance.

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

struct SaveDialogOptions
{
    QString title;
    QString defaultExt;   // without the dot
    QString filter;       // in the platform's "Desc (*.x)|*.x|..." form
    QString fileName;     // proposed name
    bool promptOverwrite = true;
};

// Returns the chosen file name, or an empty text when the user cancelled.
QString askSaveFileName(QWidget *parent, const SaveDialogOptions &options);

// The "Desc (*.x)|*.x|All|*.*" form as Qt name filters: {"Desc (*.x)", "All (*.*)"}.
QStringList qtNameFilters(const QString &filter);

// Tests: the next dialog returns this name (empty = cancel) without being shown; the default
// extension is appended to a name without one, as the dialog itself would.
void setNextFileName(const QString &name);
void clearNextFileName();
