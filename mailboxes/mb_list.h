#pragma once
// The mailbox list dialog. Openers show it modally; after it closes they reload the mailboxes
// (loadconfig) and rebuild the folder tree (refresh_folders(false)):
//
//     Tfm_mblist1 dlg(this);
//     dlg.exec();
//     loadconfig();
//     refresh_folders(false);

#include <QDialog>

class QPushButton;
class QTableWidget;

class Tfm_mblist1 : public QDialog
{
public:
    explicit Tfm_mblist1(QWidget *parent = nullptr);

    void FormShow();
    void FormResize();
    void resizegrid();
    void fillgrid();
    void showeditor(int index);
    void BitBtn1Click(); // "Edytuj"
    void sg1DblClick(int row);
    void BitBtn3Click(); // "Nowa skrzynka"
    void BitBtn4Click(); // "Usuń skrzynkę"
    void BitBtn2Click(); // "Zamknij"

    QTableWidget *sg1 = nullptr;
    QPushButton *BitBtn1 = nullptr;
    QPushButton *BitBtn3 = nullptr;
    QPushButton *BitBtn4 = nullptr;
    QPushButton *BitBtn2 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
};
