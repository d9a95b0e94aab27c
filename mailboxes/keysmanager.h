#pragma once
// The mailbox editor: name, address, system name, default recipients and the key material of
// one mailbox slot. Opened modally by the mailbox list and by the tree's mailbox menu.

#include "mailboxes/MailboxRules.h"

#include <QDialog>

class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class TForm1 : public QDialog
{
public:
    explicit TForm1(QWidget *parent = nullptr);

    int indexno = -1; // -1: a new mailbox; otherwise its index in skrzynki

    void FormShow();
    void BitBtn5Click(); // "Generuj nowe klucze"
    void BitBtn4Click(); // "Eksportuj plik CSR"
    void BitBtn3Click(); // "Zapisz i zamknij"
    void BitBtn2Click(); // "Wyczyść dane formularza"
    void BitBtn1Click(); // "Anuluj"

    QWidget *fieldWidget(FormField field) const;

    QLineEdit *Edit10 = nullptr; // mailbox name
    QLineEdit *Edit1 = nullptr;  // address
    QLineEdit *Edit2 = nullptr;  // system name
    QLineEdit *Edit3 = nullptr;  // country
    QLineEdit *Edit4 = nullptr;  // province
    QLineEdit *Edit5 = nullptr;  // locality
    QLineEdit *Edit6 = nullptr;  // organisation
    QLineEdit *Edit7 = nullptr;  // department
    QLineEdit *Edit8 = nullptr;  // e-mail
    QLineEdit *Edit9 = nullptr;  // domain
    QPlainTextEdit *Memo1 = nullptr; // private key
    QPlainTextEdit *Memo2 = nullptr; // public key
    QPlainTextEdit *Memo3 = nullptr; // CSR
    QLineEdit *Edit11 = nullptr; // default To
    QLineEdit *Edit12 = nullptr; // default Cc
    QGroupBox *GroupBox1 = nullptr;
    QGroupBox *GroupBox2 = nullptr;
    QGroupBox *GroupBox3 = nullptr;
    QPushButton *BitBtn5 = nullptr;
    QPushButton *BitBtn4 = nullptr;
    QPushButton *BitBtn2 = nullptr;
    QPushButton *BitBtn1 = nullptr;
    QPushButton *BitBtn3 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showError(const FormCheck &check);
    CsrSubject subject() const;
    MailboxForm form() const;
};

// The proposed CSR common name.
extern const QString kDefaultDomain;
