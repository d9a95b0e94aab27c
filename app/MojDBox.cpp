#include "app/MojDBox.h"

#include "app/AppInfo.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

namespace {

MojDBoxInterceptor &interceptor()
{
    static MojDBoxInterceptor hook;
    return hook;
}

struct ButtonDef
{
    TMsgDlgBtn flag;
    QMessageBox::StandardButton standard; // NoButton: the box has no such standard button
    TModalResult result;
};

// In the order the buttons appear in the dialog.
constexpr ButtonDef buttonDefs[] = {
    {mbYes, QMessageBox::Yes, mrYes},
    {mbNo, QMessageBox::No, mrNo},
    {mbOK, QMessageBox::Ok, mrOk},
    {mbCancel, QMessageBox::Cancel, mrCancel},
    {mbAbort, QMessageBox::Abort, mrAbort},
    {mbRetry, QMessageBox::Retry, mrRetry},
    {mbIgnore, QMessageBox::Ignore, mrIgnore},
    {mbAll, QMessageBox::NoButton, mrAll},
    {mbHelp, QMessageBox::Help, mrHelp},
    {mbClose, QMessageBox::Close, mrClose},
};

// Buttons that may answer Escape and the close box, best first. Yes is never among them:
// a question left without an answer must not let the caller go on.
constexpr TMsgDlgBtn escapeOrder[] = {mbCancel, mbNo, mbClose, mbAbort, mbIgnore, mbOK};

// A message box whose Escape key and close box give "cancel" when it has no button that may
// take that role, instead of Qt's habit of pressing the only button there is.
class MojDBoxDialog : public QMessageBox
{
public:
    using QMessageBox::QMessageBox;
    bool hasEscapeButton = false;
    bool escaped = false;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (!hasEscapeButton && event->matches(QKeySequence::Cancel)) {
            escaped = true;
            done(mrCancel);
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent *event) override
    {
        if (!hasEscapeButton) {
            escaped = true;
            event->accept();
            done(mrCancel);
            return;
        }
        QMessageBox::closeEvent(event);
    }
};

QMessageBox::Icon iconFor(TMsgDlgType type)
{
    switch (type) {
    case mtWarning: return QMessageBox::Warning;
    case mtError: return QMessageBox::Critical;
    case mtInformation: return QMessageBox::Information;
    case mtConfirmation: return QMessageBox::Question;
    case mtCustom: break;
    }
    return QMessageBox::NoIcon;
}

// Callers break lines with CR LF, which a Qt label would show with a stray glyph.
QString displayText(const QString &msg)
{
    QString text = msg;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

int runBox(const MojDBoxCall &call)
{
    MojDBoxDialog box(iconFor(call.type), call.caption, displayText(call.msg), QMessageBox::NoButton);
    box.setTextFormat(Qt::PlainText); // callers' texts carry server answers and file names
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);

    QHash<QAbstractButton *, int> results;
    QHash<unsigned, QAbstractButton *> byFlag;
    for (const ButtonDef &def : buttonDefs) {
        if (!(call.buttons & def.flag))
            continue;
        QPushButton *button = def.standard != QMessageBox::NoButton
                                  ? box.addButton(def.standard)
                                  : box.addButton(mojdboxcaption(def.flag), QMessageBox::AcceptRole);
        button->setText(mojdboxcaption(def.flag));
        results.insert(button, def.result);
        byFlag.insert(def.flag, button);
    }
    if (byFlag.isEmpty()) { // the platform shows OK for an empty set
        QPushButton *button = box.addButton(QMessageBox::Ok);
        button->setText(mojdboxcaption(mbOK));
        results.insert(button, mrOk);
        byFlag.insert(mbOK, button);
    }
    if (auto *button = qobject_cast<QPushButton *>(byFlag.value(call.defaultButton)))
        box.setDefaultButton(button);
    for (TMsgDlgBtn flag : escapeOrder) {
        if (QAbstractButton *button = byFlag.value(flag)) {
            box.setEscapeButton(button);
            box.hasEscapeButton = true;
            break;
        }
    }

    if (interceptor()) {
        const int answer = interceptor()(call, &box);
        if (answer != mrNone)
            return answer;
    }
    box.exec();
    if (box.escaped)
        return mrCancel;
    return results.value(box.clickedButton(), mrCancel);
}

} // namespace

QString mojdboxcaption(TMsgDlgBtn button)
{
    switch (button) {
    case mbOK: return QStringLiteral("OK");
    case mbCancel: return QStringLiteral("Anuluj");
    case mbYes: return QStringLiteral("Tak");
    case mbNo: return QStringLiteral("Nie");
    case mbHelp: return QStringLiteral("Pomoc");
    case mbClose: return QStringLiteral("Zamknij");
    case mbIgnore: return QStringLiteral("Ignoruj");
    case mbRetry: return QStringLiteral("Ponów");
    case mbAbort: return QStringLiteral("Przerwij");
    case mbAll: return QStringLiteral("Wszystko");
    }
    return QString();
}

int MojDBox(const QString &Msg, const QString &Capt, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
            TMsgDlgBtn DefaultButton)
{
    return runBox(MojDBoxCall{Msg, Capt, DlgType, Buttons, DefaultButton});
}

void setMojDBoxInterceptor(MojDBoxInterceptor hook)
{
    interceptor() = std::move(hook);
}

void ShowMessage(const QString &text)
{
    runBox(MojDBoxCall{text, AppInfo::title, mtCustom, mbOK, mbOK});
}
