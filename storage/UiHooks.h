#pragma once
// Storage and the service client link no widgets, yet a few of their routines must tell
// the user something. The program installs real boxes here at start; tests install their own.

#include <QString>
#include <functional>

enum class SysBoxIcon { Error, Warning, Information };

struct UiHooks
{
    // The platform's simple message window: one OK button, the application's title as caption.
    std::function<void(const QString &text)> showMessage;
    // A system message box without an owner window, OK button.
    std::function<void(const QString &text, const QString &caption, SysBoxIcon icon)> systemBox;
    // A system Yes/No question without an owner window, No is the default; true on Yes.
    std::function<bool(const QString &text, const QString &caption, SysBoxIcon icon)> systemAsk;
};

UiHooks &uiHooks();
