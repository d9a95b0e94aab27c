#pragma once
// Boxes shown without an owner window: the ones storage and the service client ask for
// through UiHooks (they can come before any window exists), and the application's default
// error box for an error that no handler caught.

#include "storage/UiHooks.h"

#include <QString>
#include <exception>

// Points uiHooks() at the real boxes below.
void installSystemBoxes();

// Through uiHooks() when a box is installed there (tests watch them so), else directly.
void showSystemBox(const QString &text, const QString &caption, SysBoxIcon icon);

void systemMessageBox(const QString &text, const QString &caption, SysBoxIcon icon);
bool systemQuestion(const QString &text, const QString &caption, SysBoxIcon icon);

// The application's default error box: the standard error box with the error's message,
// captioned with the application title. The program goes on afterwards.
void showDefaultErrorBox(const QString &message);
// The message of a caught error, for the box above.
QString errorMessage(const std::exception &error);
