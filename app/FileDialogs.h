#pragma once
// Every file dialog goes through here so that a test can give the file name in advance.

#include <QString>
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

// Tests: the next dialog returns this name (empty = cancel) without being shown.
void setNextFileName(const QString &name);
void clearNextFileName();
