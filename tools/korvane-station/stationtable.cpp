#include "stationtable.h"

#include "carriedfirmware.h"
#include "firmwarechoice.h"
#include "history.h"
#include "stationmodel.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QUrl>

#include <algorithm>
#include <memory>

namespace {

// Each column's width in average characters; the Result column takes the
// rest. A text wider than its column wraps in its row (a port path, which
// has no space, is shortened in its middle); each is whole in its tooltip.
const int kColumnChars[StationModel::ColumnCount] = {18, 14, 5, 5, 9, 9, 8, 18, 0, 0};

// The carried images a unit without working firmware may be given, by type
// code. Not the GS family: its bootloader shows itself for five seconds
// only, too short for a power cycle by hand.
QStringList recoverableTypes()
{
    QStringList types;
    for (const QString &name : CarriedFirmware::mainImages()) {
        const QString type = name.section(QLatin1Char('-'), 0, 0);
        const DeviceKind kind = FirmwareChoice::kindForTypeCode(type);
        if (kind != Unidentified && !isGsFamily(kind) && !types.contains(type))
            types.append(type);
    }
    return types;
}

// A row's recovery controls: the type it is to be taken for, and the button.
QWidget *recoveryCell(QWidget *parent, QComboBox **typeBox, QPushButton **button)
{
    auto *cell = new QWidget(parent);
    auto *layout = new QHBoxLayout(cell);
    layout->setContentsMargins(2, 0, 2, 0);
    *typeBox = new QComboBox(cell);
    (*typeBox)->addItems(recoverableTypes());
    *button = new QPushButton(cell);
    layout->addWidget(*typeBox);
    layout->addWidget(*button);
    return cell;
}

// A row's progress, drawn with the rest of the table when it is next
// painted: a progress bar widget per row repainted itself, and the table
// beneath it, at every percent of every unit.
class ProgressDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionProgressBar bar;
        bar.initFrom(option.widget);
        bar.rect = option.rect;
        bar.state |= QStyle::State_Horizontal;
        bar.minimum = 0;
        bar.maximum = 100;
        bar.progress = index.data().toInt();
        bar.text = QStringLiteral("%1%").arg(bar.progress);
        bar.textVisible = true;
        // As a progress bar widget aligns its text unless told otherwise.
        bar.textAlignment = Qt::AlignLeft;
        option.widget->style()->drawControl(QStyle::CE_ProgressBar, &bar, painter, option.widget);
    }
};

} // namespace

StationTable::StationTable(StationModel *model, QWidget *parent)
    : QTableView(parent)
    , stationModel(model)
{
    setModel(model);
    setItemDelegateForColumn(StationModel::ProgressColumn, new ProgressDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    verticalHeader()->hide();
    connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first, int last) {
        for (int r = first; r <= last; ++r)
            addRecoveryCell(r);
    });
    connect(model, &QAbstractItemModel::dataChanged, this, &StationTable::onCellChanged);
    // A failed unit's details go to support: copied, or with the log.
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &StationTable::showContextMenu);
    // The columns keep their widths whatever the rows say: fitting them to
    // their contents measures every cell at each step shown, and a column
    // that widens as units run pushes what they ended with out of view.
    setWordWrap(true);
    setTextElideMode(Qt::ElideMiddle);
    const QFontMetrics metrics = fontMetrics();
    for (int column = 0; column < StationModel::ColumnCount; ++column) {
        const QString title = model->headerData(column, Qt::Horizontal).toString();
        setColumnWidth(column, std::max(kColumnChars[column] * metrics.averageCharWidth(),
                                        metrics.horizontalAdvance(title) + 2 * metrics.averageCharWidth()));
    }
    QComboBox *typeBox = nullptr;
    QPushButton *button = nullptr;
    const std::unique_ptr<QWidget> sample(recoveryCell(nullptr, &typeBox, &button));
    int recoveryWidth = 0;
    //: Button beside a type list: update a unit found in its ROM as the type chosen. Its twin, "Power cycle",
    //: waits for the user to switch a silent unit off and on again.
    for (const char *label : {QT_TRANSLATE_NOOP("StationWindow", "Update as"),
                              QT_TRANSLATE_NOOP("StationWindow", "Power cycle")}) {
        button->setText(QCoreApplication::translate("StationWindow", label));
        recoveryWidth = std::max(recoveryWidth, sample->sizeHint().width());
    }
    setColumnWidth(StationModel::RecoveryColumn, recoveryWidth);
    horizontalHeader()->setSectionResizeMode(StationModel::ResultColumn, QHeaderView::Stretch);
    // Three lines: a step's text wraps into them.
    verticalHeader()->setDefaultSectionSize(3 * metrics.lineSpacing() + metrics.height() / 2);
}

QString StationTable::recoveryType(int row) const
{
    const QWidget *controls = indexWidget(stationModel->index(row, StationModel::RecoveryColumn));
    return controls ? controls->findChild<QComboBox *>()->currentText() : QString();
}

void StationTable::enableRecovery(int row, bool on)
{
    indexWidget(stationModel->index(row, StationModel::RecoveryColumn))->setEnabled(on);
}

void StationTable::addRecoveryCell(int row)
{
    QComboBox *typeBox = nullptr;
    QPushButton *button = nullptr;
    setIndexWidget(stationModel->index(row, StationModel::RecoveryColumn), recoveryCell(this, &typeBox, &button));
    // Rows stay once added: the row's number finds its port.
    connect(button, &QPushButton::clicked, this,
            [this, row] { emit recoverAsked(stationModel->text(row, StationModel::PortColumn)); });
}

void StationTable::onCellChanged(const QModelIndex &cell)
{
    // The model tells a cell at a time.
    if (cell.column() == StationModel::RecoveryColumn) {
        // The view shows its cell widgets itself as they scroll into sight:
        // what is offered is decided inside the cell.
        QWidget *controls = indexWidget(cell);
        auto *typeBox = controls->findChild<QComboBox *>();
        auto *button = controls->findChild<QPushButton *>();
        const bool on = cell.data(StationModel::RecoveryOfferedRole).toBool() && typeBox->count() > 0;
        button->setText(cell.data(StationModel::RecoveryLabelRole).toString());
        typeBox->setVisible(on);
        button->setVisible(on);
    } else if (cell.column() == StationModel::ResultColumn) {
        // What a row ended with is read whole: its row grows for it. Only the
        // row is measured, and only as a unit starts or ends.
        resizeRowToContents(cell.row());
        setRowHeight(cell.row(), std::max(rowHeight(cell.row()), verticalHeader()->defaultSectionSize()));
    }
}

void StationTable::showContextMenu(const QPoint &at)
{
    const int row = rowAt(at.y());
    if (row < 0)
        return;
    const QString details = stationModel->details(row);
    QMenu menu;
    QAction *copy = menu.addAction(QCoreApplication::translate("StationWindow", "Copy the details"));
    copy->setEnabled(!details.isEmpty());
    QAction *open = menu.addAction(QCoreApplication::translate("StationWindow", "Open the log's folder"));
    QAction *chosen = menu.exec(viewport()->mapToGlobal(at));
    if (chosen == copy)
        QApplication::clipboard()->setText(details);
    else if (chosen == open)
        QDesktopServices::openUrl(QUrl::fromLocalFile(History::logFolder()));
}
