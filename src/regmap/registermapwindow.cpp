// SPDX-License-Identifier: GPL-3.0-or-later
#include "regmap/registermapwindow.h"

#include "common/chip.h"
#include "common/spokenname.h"
#include "common/tabchain.h"
#include "panel/commandbutton.h"
#include "panel/windowmemory.h"
#include "regfile/registerfilecommands.h"
#include "regmap/registermapmodel.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStaticText>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QtMath>
#include <QTime>
#include <QToolButton>
#include <QToolTip>
#include <QValidator>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

constexpr int initialWidth = 1200;
// Room above and below a row's text.
constexpr int rowPadding = 6;
// What a table's grid takes of each cell.
constexpr int gridLineWidth = 1;
// Far more than the texts a table shows at once; a bound on what is kept.
constexpr qsizetype maxLaidOutTexts = 1024;

// The margin the style keeps on either side of an item's text.
int textMargin(const QStyle &style, const QWidget *view)
{
    return style.pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
}

// What a value cell's editor takes: a byte as the model reads it. Anything
// else stays as typed, in the refused colour, and cannot be committed, so
// that no character is dropped on the way ("100" is not 0x10).
class ByteValidator : public QValidator
{
public:
    using QValidator::QValidator;

    State validate(QString &input, int &) const override
    {
        return RegisterMapModel::valueOfText(input) ? Acceptable : Intermediate;
    }
};

// Marked cells keep their colour in a selected row, so that selecting a
// register does not hide what changed in it.
//
// A refresh repaints every cell it changed, and the style lays a cell's text
// out anew (three times) at each paint. The texts of a register map come back
// again and again, so each is laid out once and kept.
class MarkDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        const QString text = std::exchange(cell.text, QString());
        const QStyle *style = cell.widget ? cell.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);

        const int margin = textMargin(*style, cell.widget);
        const QRect area = cell.rect.adjusted(margin, 0, -margin, 0);
        const QStaticText &laidOut = layOut(text, cell.font, area.width());
        const QSizeF size = laidOut.size();
        const qreal x = (cell.displayAlignment & Qt::AlignHCenter)
                                ? area.left() + (area.width() - size.width()) / 2
                                : area.left();
        const QPalette::ColorGroup group = (cell.state & QStyle::State_Active) ? QPalette::Active
                                                                               : QPalette::Inactive;
        painter->save();
        painter->setFont(cell.font);
        painter->setPen(cell.palette.color(group, (cell.state & QStyle::State_Selected)
                                                          ? QPalette::HighlightedText
                                                          : QPalette::Text));
        painter->drawStaticText(QPointF(x, area.top() + (area.height() - size.height()) / 2), laidOut);
        painter->restore();
    }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto *edit = qobject_cast<QLineEdit *>(editor)) {
            edit->setValidator(new ByteValidator(edit));
            edit->setAccessibleName(RegisterMapWindow::tr("Value of register %1")
                                            .arg(index.siblingAtColumn(RegisterMapModel::AddressColumn).data().toString()));
            const QPalette normal = edit->palette();
            QObject::connect(edit, &QLineEdit::textChanged, edit, [edit, normal] {
                QPalette palette = normal;
                if (!edit->hasAcceptableInput())
                    palette.setColor(QPalette::Text, RegisterMapWindow::refusedTextColour);
                edit->setPalette(palette);
            });
        }
        return editor;
    }

    // A key that would commit what is no byte says why it does not.
    bool eventFilter(QObject *object, QEvent *event) override
    {
        auto *edit = qobject_cast<QLineEdit *>(object);
        if (edit && event->type() == QEvent::KeyPress && !edit->hasAcceptableInput()) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Tab || key == Qt::Key_Backtab) {
                QToolTip::showText(edit->mapToGlobal(QPoint(0, edit->height())),
                                   RegisterMapWindow::tr("Type a byte: 00 to FF, hex, with or without 0x"), edit);
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

    // Typing replaces the value rather than adding to it.
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        QStyledItemDelegate::setEditorData(editor, index);
        if (auto *edit = qobject_cast<QLineEdit *>(editor))
            edit->selectAll();
    }

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        // A bit's check state is for screen readers; the cell shows its digit.
        option->features &= ~QStyleOptionViewItem::HasCheckIndicator;
        const int marks = index.data(RegisterMapModel::MarkRole).toInt();
        if (marks == 0)
            return;
        option->state &= ~QStyle::State_Selected;
        option->backgroundBrush = (marks & RegisterMapModel::DiffersMark)   ? RegisterMapWindow::differsColour
                                  : (marks & RegisterMapModel::ChangedMark) ? RegisterMapWindow::changedColour
                                                                            : RegisterMapWindow::pendingColour;
        option->palette.setColor(QPalette::Text, RegisterMapWindow::markedTextColour);
        option->font.setBold(marks & RegisterMapModel::ChangedMark);
        option->font.setItalic(marks & RegisterMapModel::PendingMark);
    }

private:
    // The text as it fits the width, elided if need be, in the font.
    const QStaticText &layOut(const QString &text, const QFont &font, int width) const
    {
        const QString key = text + QLatin1Char('\n') + QString::number(width) + font.key();
        auto found = laidOutTexts.constFind(key);
        if (found == laidOutTexts.cend()) {
            if (laidOutTexts.size() >= maxLaidOutTexts)
                laidOutTexts.clear();
            QStaticText laidOut(QFontMetrics(font).elidedText(text, Qt::ElideRight, width));
            laidOut.setTextFormat(Qt::PlainText);
            laidOut.prepare(QTransform(), font);
            found = laidOutTexts.insert(key, laidOut);
        }
        return *found;
    }

    mutable QHash<QString, QStaticText> laidOutTexts;
};

} // namespace

RegisterMapWindow::RegisterMapWindow(const RegisterMirror &mirror, const QList<PanelField> &fields,
                                     QWidget *parent)
    : QDialog(parent), map(new RegisterMapModel(mirror, fields, this))
{
    setObjectName(QStringLiteral("registerMap"));
    setWindowTitle(tr("Register Map"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    new WindowMemory(*this, QStringLiteral("registerMap"));
}

void RegisterMapWindow::setVisible(bool visible)
{
    if (visible && !table)
        buildView();
    QDialog::setVisible(visible);
}

void RegisterMapWindow::buildView()
{
    rows = new QSortFilterProxyModel(this);
    rows->setSourceModel(map);
    rows->setFilterRole(RegisterMapModel::SearchRole);
    rows->setFilterKeyColumn(RegisterMapModel::FieldsColumn);
    rows->setFilterCaseSensitivity(Qt::CaseInsensitive);

    auto *filter = new QLineEdit;
    filter->setObjectName(QStringLiteral("filter"));
    filter->setAccessibleName(tr("Register filter"));
    filter->setPlaceholderText(tr("Address, bit name or field"));
    filter->setClearButtonEnabled(true);
    for (QToolButton *clear : filter->findChildren<QToolButton *>()) {
        clear->setAccessibleName(tr("Clear filter"));
        clear->setToolTip(tr("Clear filter"));
    }
    auto *filterLabel = new QLabel(tr("Filter:"));
    filterLabel->setBuddy(filter);

    auto *controls = new QHBoxLayout;
    controls->addWidget(filterLabel);
    controls->addWidget(filter, 1);
    QPushButton *readAll = addButton(controls, tr("Read All"), "readAll");
    QPushButton *compare = addButton(controls, tr("Compare With File\u2026"), "compareWithFile");
    QPushButton *snapshot = addButton(controls, tr("Take Snapshot"), "takeSnapshot");
    clearButton = addButton(controls, tr("Clear Reference"), "clearReference");

    summary = new QLabel;
    summary->setObjectName(QStringLiteral("summary"));

    table = new QTableView;
    table->setObjectName(QStringLiteral("registerTable"));
    table->setAccessibleName(tr("Registers"));
    table->setModel(rows);
    table->setItemDelegate(new MarkDelegate(table));
    // The address column shows what the row headers tell screen readers.
    table->verticalHeader()->hide();
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    table->setWordWrap(false);
    // Tab leaves the table; the arrow keys move within it.
    table->setTabKeyNavigation(false);
    // Every cell but the fields has a width of its own; measured once, so a
    // refresh never lays the table out again. The fields take the rest, and
    // their tooltip holds what does not fit.
    table->resizeColumnsToContents();
    // Bold, as it is when the board was just lost, between the margins and
    // beside the grid line.
    QFont bold = table->font();
    bold.setBold(true);
    const int valueWidth = qCeil(QFontMetricsF(bold).horizontalAdvance(RegisterMapModel::notReadText()))
                           + 2 * textMargin(*table->style(), table) + gridLineWidth;
    if (table->columnWidth(RegisterMapModel::ValueColumn) < valueWidth)
        table->setColumnWidth(RegisterMapModel::ValueColumn, valueWidth);
    table->horizontalHeader()->setSectionResizeMode(RegisterMapModel::FieldsColumn, QHeaderView::Stretch);
    const int rowHeight = table->fontMetrics().height() + rowPadding;
    table->verticalHeader()->setDefaultSectionSize(rowHeight);

    bitNames = new QLabel;
    bitNames->setObjectName(QStringLiteral("bitNames"));
    bitNames->setWordWrap(true);
    bitNames->setTextInteractionFlags(Qt::TextSelectableByMouse);
    setSpokenName(*bitNames, tr("Bits of the selected register"));

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(summary);
    layout->addWidget(table, 1);
    layout->addWidget(bitNames);
    // At first, tall enough for all sixteen registers; later as it was left.
    if (!testAttribute(Qt::WA_Resized)) {
        table->setMinimumHeight(table->horizontalHeader()->sizeHint().height()
                                + registerMirrorSize * rowHeight + 2 * table->frameWidth());
        resize(initialWidth, sizeHint().height());
        table->setMinimumHeight(0);
    }
    setTabChain(*this, {table, filter, readAll, compare, snapshot, clearButton});

    // The table's own Copy takes only the current cell, and Space or Return
    // on a bit would only select.
    table->installEventFilter(this);

    connect(filter, &QLineEdit::textChanged, rows, &QSortFilterProxyModel::setFilterFixedString);
    connect(readAll, &QPushButton::clicked, this, &RegisterMapWindow::readAllRequested);
    connect(compare, &QPushButton::clicked, this, &RegisterMapWindow::compareWithFile);
    connect(snapshot, &QPushButton::clicked, this, &RegisterMapWindow::takeSnapshot);
    connect(clearButton, &QPushButton::clicked, map, &RegisterMapModel::clearReference);
    connect(map, &RegisterMapModel::comparisonChanged, this, &RegisterMapWindow::showComparison);
    connect(table, &QTableView::doubleClicked, this, &RegisterMapWindow::toggleBit);
    connect(table->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &RegisterMapWindow::showBitNames);

    showComparison();
    table->selectionModel()->setCurrentIndex(rows->index(0, 0), QItemSelectionModel::NoUpdate);
}

bool RegisterMapWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == table && event->type() == QEvent::KeyPress) {
        const auto &key = *static_cast<QKeyEvent *>(event);
        if (key.matches(QKeySequence::Copy)) {
            copyRows();
            return true;
        }
        if (toggleKey(key))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

// Space or Return on a bit cell toggles the bit, as a double click does.
bool RegisterMapWindow::toggleKey(const QKeyEvent &key)
{
    const bool toggles = (key.key() == Qt::Key_Space || key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter)
                         && (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const QModelIndex current = table->currentIndex();
    if (!toggles || RegisterMapModel::bitOfColumn(current.column()) < 0)
        return false;
    toggleBit(current);
    return true;
}

void RegisterMapWindow::compareWithFile()
{
    QString fileName;
    if (const std::optional<RegisterReference> reference = askReferenceFile(this, fileName)) {
        referenceName = QFileInfo(fileName).fileName();
        map->setReference(*reference);
    }
}

void RegisterMapWindow::takeSnapshot()
{
    referenceName = tr("the snapshot of %1").arg(QTime::currentTime().toString(QStringLiteral("hh:mm:ss")));
    map->takeSnapshot();
}

void RegisterMapWindow::showComparison()
{
    if (!table)
        return;
    const bool compared = map->hasReference();
    table->setColumnHidden(RegisterMapModel::ReferenceColumn, !compared);
    clearButton->setEnabled(compared);
    summary->setText(compared ? map->differenceSummary(referenceName)
                              : tr("No reference: compare with a register file or take a snapshot"));
}

void RegisterMapWindow::showBitNames(const QModelIndex &current)
{
    const int address = rows->mapToSource(current).row();
    if (address < 0) {
        bitNames->setText(tr("No register selected"));
        return;
    }
    QStringList names;
    for (int bit = bitsPerRegister - 1; bit >= 0; --bit) {
        const QLatin1String name(bitName(address, bit));
        if (name != QLatin1String(unnamedBit))
            names << QStringLiteral("%1 %2").arg(bit).arg(name);
    }
    const QString addressText = map->data(map->index(address, RegisterMapModel::AddressColumn)).toString();
    bitNames->setText(names.isEmpty() ? tr("%1 has no named bits").arg(addressText)
                                      : tr("Bits of %1: %2").arg(addressText, names.join(QLatin1String(", "))));
}

void RegisterMapWindow::copyRows()
{
    QList<int> addresses;
    for (const QModelIndex &index : table->selectionModel()->selectedRows())
        addresses << rows->mapToSource(index).row();
    if (addresses.isEmpty())
        return;
    std::sort(addresses.begin(), addresses.end());
    QString text;
    for (int address : addresses)
        text += map->rowText(address) + QLatin1Char('\n');
    QGuiApplication::clipboard()->setText(text);
}

void RegisterMapWindow::toggleBit(const QModelIndex &index)
{
    const QModelIndex cell = rows->mapToSource(index);
    const int bit = RegisterMapModel::bitOfColumn(cell.column());
    if (bit >= 0)
        map->toggleBit(cell.row(), bit);
}
