#include "mailboxes/keysmanager.h"

#include "app/FileDialogs.h"
#include "app/MojDBox.h"
#include "mailboxes/KeyMaterial.h"
#include "service/ServiceConfig.h"
#include "storage/fvar.h"

#include <QFile>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

#include <stdexcept>

const QString kDefaultDomain = QStringLiteral("*.tarnvel.pl");

namespace {

const QString kCaption = QStringLiteral("Tarnvel - dane dostępowe skrzynki e-doręczeń");
const QString kErrorCaption = QStringLiteral("Błąd");
const QString kDefaultSysname = QStringLiteral("tarnvel");
const QString kDefaultCountry = QStringLiteral("PL");
const QString kExportTitle = QStringLiteral("Eksportuj certyfikat do pliku CSR");
const QString kExportFilter = QStringLiteral("CSR Files (*.csr)|*.csr|All Files (*.*)|*.*");
const QString kWriteFailedText = QStringLiteral("Nie można zapisać pliku %1: %2");

QLineEdit *addEdit(QFormLayout *form, const QString &label)
{
    auto *edit = new QLineEdit;
    auto *caption = new QLabel(label);
    caption->setBuddy(edit);
    form->addRow(caption, edit);
    return edit;
}

QPlainTextEdit *addMemo(QVBoxLayout *box, const QString &label)
{
    auto *memo = new QPlainTextEdit;
    memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setFixedSize(500, 110);
    memo->setAccessibleName(label);
    auto *caption = new QLabel(label);
    caption->setBuddy(memo);
    box->addWidget(caption);
    box->addWidget(memo);
    return memo;
}

// A memo's lines as a list, the way the user sees them: a final line break ends the last line
// rather than starting an empty one.
QStringList memoLines(const QString &text)
{
    if (text.isEmpty())
        return {};
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.last().isEmpty())
        lines.removeLast();
    for (QString &line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    return lines;
}

} // namespace

TForm1::TForm1(QWidget *parent) : QDialog(parent)
{
    auto *top = new QVBoxLayout(this);

    GroupBox1 = new QGroupBox;
    auto *idForm = new QFormLayout(GroupBox1);
    Edit10 = addEdit(idForm, QStringLiteral("Nazwa skrzynki:"));
    Edit1 = addEdit(idForm, QStringLiteral("Adres do e-Doręczeń:"));
    Edit2 = addEdit(idForm, QStringLiteral("Nazwa systemu:"));
    Edit2->setText(kDefaultSysname);
    top->addWidget(GroupBox1);

    GroupBox2 = new QGroupBox(QStringLiteral(" Klucze kryptograficzne "));
    // Subject fields on the left, the PEM texts on the right: the dialog stays low enough for
    // small screens.
    auto *keysRow = new QHBoxLayout(GroupBox2);
    auto *subjectColumn = new QVBoxLayout;
    auto *keys = new QVBoxLayout;
    keysRow->addLayout(subjectColumn);
    keysRow->addLayout(keys);
    auto *subjectForm = new QFormLayout;
    Edit3 = addEdit(subjectForm, QStringLiteral("Kraj:"));
    Edit3->setMaxLength(2);
    Edit3->setText(kDefaultCountry);
    connect(Edit3, &QLineEdit::textEdited, this, [this](const QString &text) {
        const QString upper = text.toUpper();
        if (upper != text) {
            const int cursor = Edit3->cursorPosition();
            Edit3->setText(upper);
            Edit3->setCursorPosition(cursor);
        }
    });
    Edit4 = addEdit(subjectForm, QStringLiteral("Województwo:"));
    Edit5 = addEdit(subjectForm, QStringLiteral("Miejscowość:"));
    Edit6 = addEdit(subjectForm, QStringLiteral("Nazwa firmy/organizacja:"));
    Edit7 = addEdit(subjectForm, QStringLiteral("Dział/departament:"));
    Edit8 = addEdit(subjectForm, QStringLiteral("e-mail:"));
    Edit9 = addEdit(subjectForm, QStringLiteral("Domena:"));
    Edit9->setText(kDefaultDomain);
    for (QLineEdit *e : {Edit3, Edit4, Edit5, Edit6, Edit7, Edit8, Edit9})
        e->setMinimumWidth(220);
    subjectColumn->addLayout(subjectForm);
    BitBtn5 = new QPushButton(QStringLiteral("Generuj nowe klucze"));
    subjectColumn->addWidget(BitBtn5, 0, Qt::AlignLeft);
    subjectColumn->addStretch();
    Memo1 = addMemo(keys, QStringLiteral("Klucz prywatny:"));
    Memo2 = addMemo(keys, QStringLiteral("Klucz publiczny:"));
    Memo3 = addMemo(keys, QStringLiteral("Certificate Signing Request (CSR):"));
    BitBtn4 = new QPushButton(QStringLiteral("Eksportuj plik CSR"));
    keys->addWidget(BitBtn4, 0, Qt::AlignLeft);
    top->addWidget(GroupBox2);

    GroupBox3 = new QGroupBox(QStringLiteral("Domyślne adresy email odbiorców "));
    auto *recipients = new QFormLayout(GroupBox3);
    Edit11 = addEdit(recipients, QStringLiteral("Do:"));
    Edit12 = addEdit(recipients, QStringLiteral("Kopia dla:"));
    top->addWidget(GroupBox3);

    auto *buttons = new QHBoxLayout;
    BitBtn2 = new QPushButton(QStringLiteral("Wyczyść dane formularza"));
    BitBtn1 = new QPushButton(QStringLiteral("Anuluj"));
    BitBtn3 = new QPushButton(QStringLiteral("Zapisz i zamknij"));
    buttons->addWidget(BitBtn2);
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn3);
    top->addLayout(buttons);
    for (QPushButton *b : {BitBtn5, BitBtn4, BitBtn2, BitBtn1, BitBtn3})
        b->setAutoDefault(false);

    connect(BitBtn5, &QPushButton::clicked, this, [this] { BitBtn5Click(); });
    connect(BitBtn4, &QPushButton::clicked, this, [this] { BitBtn4Click(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });

    // A fixed-size dialog: the layout decides the size once.
    top->setSizeConstraint(QLayout::SetFixedSize);
    setWindowTitle(kCaption);
}

void TForm1::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TForm1::FormShow()
{
    setWindowTitle(kCaption);
    if (const QScreen *s = screen()) {
        const QRect monitor = s->geometry();
        move(monitor.x() + (monitor.width() - width()) / 2,
             monitor.y() + (monitor.height() - height()) / 2);
    }
    if (indexno == -1) {
        Edit2->setText(kDefaultSysname);
        return;
    }
    if (indexno < 0 || indexno >= skrzynki.size())
        return;
    const TSkrzynka &mb = skrzynki.at(indexno);
    Edit10->setText(mb.name);
    Edit1->setText(mb.address);
    Edit2->setText(mb.sysname);
    Edit11->setText(mb.def_toemail);
    Edit12->setText(mb.def_ccemail);
    Memo1->setPlainText(mb.keyprv);
    Memo2->setPlainText(mb.keypub);
    Memo3->setPlainText(mb.csr);
}

QWidget *TForm1::fieldWidget(FormField field) const
{
    switch (field) {
    case FormField::None: return nullptr;
    case FormField::Name: return Edit10;
    case FormField::Address: return Edit1;
    case FormField::Sysname: return Edit2;
    case FormField::Country: return Edit3;
    case FormField::Province: return Edit4;
    case FormField::Locality: return Edit5;
    case FormField::Organisation: return Edit6;
    case FormField::Domain: return Edit9;
    case FormField::PrivateKey: return Memo1;
    case FormField::ToEmail: return Edit11;
    case FormField::CcEmail: return Edit12;
    }
    return nullptr;
}

void TForm1::showError(const FormCheck &check)
{
    MojDBox(check.message, kErrorCaption, mtError, mbOK, mbOK);
    if (QWidget *w = fieldWidget(check.field))
        w->setFocus();
}

CsrSubject TForm1::subject() const
{
    return {Edit3->text(), Edit4->text(), Edit5->text(), Edit6->text(),
            Edit7->text(), Edit8->text(), Edit9->text()};
}

MailboxForm TForm1::form() const
{
    return {Edit10->text(),         Edit1->text(),          Edit2->text(),
            Memo1->toPlainText(),   Memo2->toPlainText(),   Memo3->toPlainText(),
            Edit11->text(),         Edit12->text()};
}

void TForm1::BitBtn5Click()
{
    const FormCheck check = checkkeyfields(subject());
    if (!check.ok()) {
        showError(check);
        return;
    }
    // Errors of the key library propagate to the default error box; the memos then keep
    // what they held, since all three texts are made before any is shown.
    const KeyMaterial keys = generatekeys(subject());
    Memo1->setPlainText(keys.privatePem);
    Memo2->setPlainText(keys.publicPem);
    Memo3->setPlainText(keys.csrPem);
}

void TForm1::BitBtn4Click()
{
    SaveDialogOptions options;
    options.title = kExportTitle;
    options.defaultExt = QStringLiteral("csr");
    options.filter = kExportFilter;
    options.promptOverwrite = true;
    const QString fileName = askSaveFileName(this, options);
    if (fileName.isEmpty())
        return;
    QByteArray bytes;
    for (const QString &line : memoLines(Memo3->toPlainText()))
        bytes += line.toUtf8() + "\r\n";
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error(kWriteFailedText.arg(fileName, file.errorString()).toStdString());
}

void TForm1::BitBtn3Click()
{
    const MailboxForm f = form();
    const FormCheck check = checkmailboxform(f, serviceHosts().webSite);
    if (!check.ok()) {
        showError(check);
        return;
    }
    TSkrzynka mb;
    mb.name = f.name;
    mb.address = f.address;
    mb.sysname = f.sysname;
    mb.keyprv = f.keyprv;
    mb.keypub = f.keypub;
    mb.csr = f.csr;
    mb.def_toemail = f.toemail;
    mb.def_ccemail = f.ccemail;
    mb.token.clear();
    mb.token_exp = 0;

    const QVector<TSkrzynka> before = skrzynki;
    // A slot that no longer exists (the list changed behind the editor) gets a new entry
    // rather than an out-of-range write.
    if (indexno < 0 || indexno >= skrzynki.size())
        skrzynki.append(mb);
    else
        skrzynki[indexno] = mb;
    try {
        savemailboxes();
    } catch (...) {
        // What is in memory must stay what is stored: the dialog stays open with the entry.
        skrzynki = before;
        throw;
    }
    accept();
}

void TForm1::BitBtn2Click()
{
    Edit1->clear();
    Edit2->setText(kDefaultSysname);
    Edit3->setText(kDefaultCountry);
    for (QLineEdit *e : {Edit4, Edit5, Edit6, Edit7, Edit8, Edit11, Edit12})
        e->clear();
    Edit9->setText(kDefaultDomain);
    Memo1->clear();
    Memo2->clear();
    Memo3->clear();
}

void TForm1::BitBtn1Click()
{
    reject();
}
