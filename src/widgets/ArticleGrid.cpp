#include "widgets/ArticleGrid.h"

#include "widgets/ArticleGridAccessible.h"
#include "widgets/ArticleGridModel.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace widgets {
namespace {

constexpr int RowHeight = 30;
constexpr int ArticleIndent = 40;
constexpr int ButtonColumnWidth = 50;
constexpr int ButtonSide = 17;
const QColor ButtonColor(192, 192, 192); // silver

QFont GridFont()
{
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(16);
    return font;
}

// The tree view sizes its header by the header's size hint, not by its geometry.
class TFixedHeightHeader : public QHeaderView
{
public:
    TFixedHeightHeader(int height, QWidget* parent) : QHeaderView(Qt::Horizontal, parent), height_(height) {}
    QSize sizeHint() const override { return QSize(QHeaderView::sizeHint().width(), height_); }

private:
    int height_;
};

} // namespace

TArticleGrid::TArticleGrid(Layout layout, QWidget* parent) : QTreeView(parent), layout_(layout)
{
    InstallArticleGridAccessibility();
    setHeader(new TFixedHeightHeader(RowHeight, this));
    model_ = new TArticleGridModel(layout == Layout::WithRates, this);
    delegate_ = new TArticleGridDelegate(RowHeight, this);
    setItemDelegate(delegate_);
    setModel(model_);

    setFont(GridFont());
    setUniformRowHeights(true);
    setIndentation(ArticleIndent);
    setRootIsDecorated(true);
    setAnimated(false);
    // Double clicks and the group button are handled here, so that the check box of a
    // group row never expands it.
    setExpandsOnDoubleClick(false);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    QHeaderView* head = header();
    head->setSectionsMovable(false);
    head->setStretchLastSection(false);
    head->setHighlightSections(false);
    head->setDefaultAlignment(Qt::AlignCenter);
    head->setMinimumSectionSize(20);
    head->setSectionResizeMode(TArticleGridModel::ButtonColumn, QHeaderView::Fixed);
    head->resizeSection(TArticleGridModel::ButtonColumn, ButtonColumnWidth);
    if (layout == Layout::WithRates) {
        head->resizeSection(TArticleGridModel::NameColumn, 270);
        head->resizeSection(TArticleGridModel::RateInHouseColumn, 80);
        head->resizeSection(TArticleGridModel::RateOutOfHouseColumn, 80);
    } else {
        head->resizeSection(TArticleGridModel::NameColumn, 280);
    }
}

void TArticleGrid::Fill(std::vector<TArticleGridRow> rows)
{
    model_->Fill(std::move(rows));
}

std::vector<std::int32_t> TArticleGrid::CheckedArticleIds() const
{
    return model_->CheckedArticleIds();
}

void TArticleGrid::ExpandAllGroups()
{
    expandAll();
}

void TArticleGrid::ContractAllGroups()
{
    collapseAll();
}

int TArticleGrid::GroupCount() const
{
    return model_->GroupCount();
}

int TArticleGrid::ArticleCount() const
{
    return model_->ArticleCount();
}

bool TArticleGrid::IsGroupRow(const QModelIndex& index) const
{
    return index.model() == model_ && TArticleGridModel::IsGroup(index);
}

QRect TArticleGrid::CheckBoxRect(const QModelIndex& index) const
{
    if (!index.isValid())
        return {};
    const QModelIndex box = index.siblingAtColumn(TArticleGridModel::NameColumn);
    const QRect cell = visualRect(box);
    if (cell.isEmpty())
        return {};
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = cell;
    return delegate_->CheckBoxRect(option, box);
}

QRect TArticleGrid::GroupButtonRect(const QModelIndex& index) const
{
    if (!IsGroupRow(index))
        return {};
    const QRect cell = visualRect(index.siblingAtColumn(TArticleGridModel::NameColumn));
    if (cell.isEmpty())
        return {};
    return QRect(header()->sectionViewportPosition(TArticleGridModel::ButtonColumn), cell.top(),
                 header()->sectionSize(TArticleGridModel::ButtonColumn), cell.height());
}

int TArticleGrid::lastColumnRight() const
{
    const int last = model_->columnCount() - 1;
    return header()->sectionViewportPosition(last) + header()->sectionSize(last);
}

void TArticleGrid::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                               const QList<int>& roles)
{
    // Ticking a contracted group changes only rows that are not shown, and the tree view
    // would look for each of them among the shown rows one by one.
    const QModelIndex parent = topLeft.parent();
    if (parent.isValid() && !isExpanded(parent))
        return;
    QTreeView::dataChanged(topLeft, bottomRight, roles);
}

void TArticleGrid::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const
{
    if (TArticleGridModel::IsGroup(index)) {
        drawGroupRow(painter, option, index);
        drawGridLines(painter, option.rect, true);
        return;
    }
    QTreeView::drawRow(painter, option, index);
    // The button column is a fixed column: button face on every row, never highlighted.
    const QRect buttonCell(header()->sectionViewportPosition(TArticleGridModel::ButtonColumn),
                           option.rect.y(), header()->sectionSize(TArticleGridModel::ButtonColumn),
                           option.rect.height());
    painter->fillRect(buttonCell, palette().brush(QPalette::Button));
    drawGridLines(painter, option.rect, false);
}

// A group row is one button cell and one cell from the name column to the last column;
// the name cell is painted by the delegate at the name column's left edge, so its check
// box lies exactly where the delegate looks for clicks on it.
void TArticleGrid::drawGroupRow(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const
{
    const int y = option.rect.y();
    const int height = option.rect.height();
    const int left = header()->sectionViewportPosition(TArticleGridModel::ButtonColumn);
    const int spanLeft = header()->sectionViewportPosition(TArticleGridModel::NameColumn);
    const int right = lastColumnRight();
    painter->fillRect(QRect(left, y, right - left, height), palette().brush(QPalette::Button));

    const QModelIndex box = index.siblingAtColumn(TArticleGridModel::NameColumn);
    QStyleOptionViewItem cell = option;
    cell.rect = QRect(spanLeft, y, right - spanLeft, height);
    if (selectionModel() && selectionModel()->isSelected(box))
        cell.state |= QStyle::State_Selected;
    else
        cell.state &= ~QStyle::State_Selected;
    if (hasFocus() && currentIndex().isValid() && currentIndex().siblingAtColumn(0) == index)
        cell.state |= QStyle::State_HasFocus;
    else
        cell.state &= ~QStyle::State_HasFocus;
    itemDelegateForIndex(box)->paint(painter, cell, box);

    drawGroupButton(painter, QRect(left, y, header()->sectionSize(TArticleGridModel::ButtonColumn), height),
                    isExpanded(index));
}

void TArticleGrid::drawGroupButton(QPainter* painter, const QRect& cell, bool expanded) const
{
    QRect button(0, 0, ButtonSide, ButtonSide);
    button.moveCenter(cell.center());
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(isEnabled() ? QColor(96, 96, 96) : QColor(160, 160, 160));
    painter->setBrush(ButtonColor);
    painter->drawRect(button.adjusted(0, 0, -1, -1));
    painter->setPen(QPen(isEnabled() ? Qt::black : QColor(128, 128, 128), 2));
    const QPoint centre = button.center();
    painter->drawLine(button.left() + 4, centre.y(), button.right() - 3, centre.y());
    if (!expanded)
        painter->drawLine(centre.x(), button.top() + 4, centre.x(), button.bottom() - 3);
    painter->restore();
}

void TArticleGrid::drawGridLines(QPainter* painter, const QRect& row, bool groupRow) const
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const auto hint = static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this));
    painter->save();
    painter->setPen(QColor::fromRgba(hint));
    const int left = header()->sectionViewportPosition(TArticleGridModel::ButtonColumn);
    const int bottom = row.y() + row.height() - 1;
    painter->drawLine(left, bottom, lastColumnRight() - 1, bottom);
    for (int column = 0; column < model_->columnCount(); ++column) {
        if (groupRow && column > TArticleGridModel::ButtonColumn && column < model_->columnCount() - 1)
            continue; // inside the merged cell
        const int x = header()->sectionViewportPosition(column) + header()->sectionSize(column) - 1;
        painter->drawLine(x, row.y(), x, bottom);
    }
    painter->restore();
}

void TArticleGrid::drawBranches(QPainter*, const QRect&, const QModelIndex&) const
{
    // No tree lines; the group button belongs to the group row's own painting.
}

QModelIndex TArticleGrid::groupAtButton(const QPoint& pos) const
{
    const QModelIndex index = indexAt(pos);
    if (!IsGroupRow(index) || index.column() != TArticleGridModel::ButtonColumn)
        return {};
    return index;
}

void TArticleGrid::toggleGroup(const QModelIndex& group)
{
    const QModelIndex first = group.siblingAtColumn(0);
    setExpanded(first, !isExpanded(first));
}

void TArticleGrid::keyPressEvent(QKeyEvent* event)
{
    const bool space = event->key() == Qt::Key_Space || event->key() == Qt::Key_Select;
    if (space && !(event->modifiers() & ~Qt::KeypadModifier) && currentIndex().isValid()) {
        // The box of the current row, whichever cell of the row is current.
        model_->ToggleCheck(currentIndex());
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void TArticleGrid::mousePressEvent(QMouseEvent* event)
{
    swallowRelease_ = false;
    if (event->button() == Qt::LeftButton) {
        const QModelIndex group = groupAtButton(event->position().toPoint());
        if (group.isValid()) {
            toggleGroup(group);
            swallowRelease_ = true;
            event->accept();
            return;
        }
    }
    QTreeView::mousePressEvent(event);
}

void TArticleGrid::mouseReleaseEvent(QMouseEvent* event)
{
    if (swallowRelease_) {
        swallowRelease_ = false;
        event->accept();
        return;
    }
    QTreeView::mouseReleaseEvent(event);
}

void TArticleGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    const QModelIndex index = indexAt(pos);
    // On a group row every double click but one on the check box expands or contracts
    // (the second click on the button counts as a click of its own).
    if (event->button() == Qt::LeftButton && IsGroupRow(index) && !CheckBoxRect(index).contains(pos)) {
        toggleGroup(index);
        swallowRelease_ = true;
        event->accept();
        return;
    }
    QTreeView::mouseDoubleClickEvent(event);
}

} // namespace widgets
