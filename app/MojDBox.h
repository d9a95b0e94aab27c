#pragma once
// Every question, warning and error the program shows in its windows goes through MojDBox,
// so that its buttons carry Polish captions and a test can give the answer in advance.

#include <QString>
#include <functional>

class QWidget;
class QMessageBox;

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// Button flags and modal results use the platform values the callers compare with.
enum TMsgDlgBtn : unsigned {
    mbYes = 1u << 0,
    mbNo = 1u << 1,
    mbOK = 1u << 2,
    mbCancel = 1u << 3,
    mbAbort = 1u << 4,
    mbRetry = 1u << 5,
    mbIgnore = 1u << 6,
    mbAll = 1u << 7,
    mbHelp = 1u << 10,
    mbClose = 1u << 11,
};
using TMsgDlgButtons = unsigned;

enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5,
                    mrYes = 6, mrNo = 7, mrClose = 8, mrHelp = 9, mrAll = 12 };

int MojDBox(const QString &Msg, const QString &Capt, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
            TMsgDlgBtn DefaultButton);

// The Polish caption of a button, "" for a button the program never captions.
QString mojdboxcaption(TMsgDlgBtn button);

// Tests: when set, called with the dialog just before it would be shown; it returns the
// modal result to use instead of showing the dialog (or mrNone to show it after all).
// Escape and the close box give mrCancel unless the box has Cancel, No, Close, Abort, Ignore
// or OK to answer them (in that order): they never give mrYes.
struct MojDBoxCall
{
    QString msg, caption;
    TMsgDlgType type;
    TMsgDlgButtons buttons;
    TMsgDlgBtn defaultButton;
};
using MojDBoxInterceptor = std::function<int(const MojDBoxCall &call, QMessageBox *box)>;
void setMojDBoxInterceptor(MojDBoxInterceptor interceptor);

// The platform's simple message window: one OK button, the application title as caption.
// It passes the interceptor too, as type mtCustom with the button OK.
void ShowMessage(const QString &text);
