#include "mailboxes/mb_list.h"

#include "app/MojDBox.h"
#include "mailboxes/keysmanager.h"
#include "storage/fvar.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString kCaption = QStringLiteral("Tarnvel - lista skrzynek");
const QString kConfirmCaption = QStringLiteral("Potwierdzenie");
const QString kDeleteQuestion = QStringLiteral("Czy na pewno chcesz usunąć skrzynkę \"%1\"?");
constexpr int kColumns = 4;

} // namespace

Tfm_mblist1::Tfm_mblist1(QWidget *parent) : QDialog(parent)
{
    sg1 = new QTableWidget(1, kColumns);
    sg1->setAccessibleName(QStringLiteral("Lista skrzynek"));
    sg1->setSelectionBehavior(QAbstractItemView::SelectRows);
    sg1->setSelectionMode(QAbstractItemView::SingleSelection);
    sg1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sg1->verticalHeader()->hide();
    sg1->setAlternatingRowColors(true);

    BitBtn1 = new QPushButton(QStringLiteral("Edytuj"));
    BitBtn3 = new QPushButton(QStringLiteral("Nowa skrzynka"));
    BitBtn4 = new QPushButton(QStringLiteral("Usuń skrzynkę"));
    BitBtn2 = new QPushButton(QStringLiteral("Zamknij"));
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {BitBtn1, BitBtn3, BitBtn4}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    BitBtn2->setAutoDefault(false);
    buttons->addWidget(BitBtn2);

    auto *top = new QVBoxLayout(this);
    top->addWidget(sg1);
    top->addLayout(buttons);
    setMinimumSize(450, 200);
    setWindowTitle(kCaption);

    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
    connect(BitBtn4, &QPushButton::clicked, this, [this] { BitBtn4Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(sg1, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { sg1DblClick(row + 1); });
}

void Tfm_mblist1::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void Tfm_mblist1::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    FormResize();
}

void Tfm_mblist1::FormShow()
{
    setWindowTitle(kCaption);
    if (const QScreen *s = screen()) {
        const QRect monitor = s->geometry();
        move(monitor.x() + (monitor.width() - width()) / 2,
             monitor.y() + (monitor.height() - height()) / 2);
    }
    resize(650, height());
    sg1->setHorizontalHeaderLabels(
        {QString(), QString(), QStringLiteral("Nazwa"), QStringLiteral("Adres e-skrzynki")});
    resizegrid();
    loadconfig();
    fillgrid();
}

void Tfm_mblist1::FormResize()
{
    resizegrid();
}

void Tfm_mblist1::resizegrid()
{
    const int half = (sg1->width() - 60) / 2;
    sg1->setColumnWidth(0, 50);
    sg1->setColumnHidden(1, true);
    sg1->setColumnWidth(2, half);
    sg1->setColumnWidth(3, half);
}

void Tfm_mblist1::fillgrid()
{
    // Grid row r (from 1; row 0 is the header) shows mailbox r - 1; here the header is the
    // table's own, so table row k is grid row k + 1.
    const int previous = sg1->currentRow();
    const int rows = skrzynki.isEmpty() ? 1 : int(skrzynki.size());
    sg1->clearContents();
    sg1->setRowCount(rows);
    for (int k = 0; k < rows; ++k)
        for (int c = 0; c < kColumns; ++c)
            sg1->setItem(k, c, new QTableWidgetItem);
    for (int i = 0; i < skrzynki.size(); ++i) {
        sg1->item(i, 0)->setText(QString::number(i + 1));
        sg1->item(i, 2)->setText(skrzynki.at(i).name);
        sg1->item(i, 3)->setText(skrzynki.at(i).address);
    }
    sg1->setCurrentCell(qBound(0, previous, rows - 1), 2);
}

void Tfm_mblist1::showeditor(int index)
{
    TForm1 editor(this);
    editor.indexno = index;
    editor.exec();
}

static bool rowShowsMailbox(const QTableWidget *grid, int r)
{
    if (r <= 0 || r > grid->rowCount())
        return false;
    const QTableWidgetItem *address = grid->item(r - 1, 3);
    return address && !address->text().trimmed().isEmpty();
}

void Tfm_mblist1::BitBtn1Click()
{
    const int r = sg1->currentRow() + 1;
    if (!rowShowsMailbox(sg1, r))
        return;
    showeditor(r - 1);
    loadconfig();
    fillgrid();
}

void Tfm_mblist1::sg1DblClick(int row)
{
    if (!rowShowsMailbox(sg1, row))
        return;
    sg1->setCurrentCell(row - 1, 2);
    BitBtn1Click();
}

void Tfm_mblist1::BitBtn3Click()
{
    showeditor(-1);
    fillgrid();
}

void Tfm_mblist1::BitBtn4Click()
{
    const int r = sg1->currentRow() + 1;
    const QTableWidgetItem *nameItem = r > 0 ? sg1->item(r - 1, 2) : nullptr;
    const QString name = nameItem ? nameItem->text() : QString();
    if (MojDBox(kDeleteQuestion.arg(name), kConfirmCaption, mtConfirmation, mbYes | mbNo, mbNo)
        != mrYes)
        return;
    if (r - 1 < 0 || r - 1 >= skrzynki.size())
        return;
    deletemailbox(skrzynki, r - 1);
    savemailboxes();
    fillgrid();
}

void Tfm_mblist1::BitBtn2Click()
{
    close();
}
