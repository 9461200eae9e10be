#include "widgets/ArticleGridAccessible.h"

#include "widgets/ArticleGrid.h"

#include <QAccessibleWidget>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPointer>

#include <map>
#include <tuple>

// Children are numbered as QTreeView numbers them in the accessibility events it sends
// (focus, selection): row-major, one row of header cells first, then the visible rows.

namespace widgets {
namespace {

constexpr int NameColumn = 1;

// One cell of the grid, or a header cell when it has no model index.
class TCellAccessible : public QAccessibleInterface,
                        public QAccessibleTableCellInterface,
                        public QAccessibleActionInterface
{
public:
    TCellAccessible(TArticleGrid* grid, const QModelIndex& index, int headerColumn)
        : grid_(grid), index_(index), headerColumn_(headerColumn)
    {
    }

    bool isHeader() const { return headerColumn_ >= 0; }
    const QPersistentModelIndex& index() const { return index_; }
    int headerColumn() const { return headerColumn_; }

    bool isValid() const override
    {
        return grid_ && (isHeader() ? headerColumn_ < grid_->model()->columnCount() : index_.isValid());
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return grid_ ? grid_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(grid_); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override {}
    QAccessible::Role role() const override
    {
        return isHeader() ? QAccessible::ColumnHeader : QAccessible::TreeItem;
    }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return {};
        if (isHeader())
            return t == QAccessible::Name
                       ? grid_->model()->headerData(headerColumn_, Qt::Horizontal).toString()
                       : QString();
        if (t == QAccessible::Description)
            return index_.data(Qt::AccessibleDescriptionRole).toString();
        if (t != QAccessible::Name)
            return {};
        const QString name = index_.data(Qt::AccessibleTextRole).toString();
        return name.isEmpty() ? index_.data(Qt::DisplayRole).toString() : name;
    }

    QRect rect() const override
    {
        if (!isValid())
            return {};
        if (isHeader()) {
            const QHeaderView* header = grid_->header();
            return QRect(header->mapToGlobal(QPoint(header->sectionViewportPosition(headerColumn_), 0)),
                         QSize(header->sectionSize(headerColumn_), header->height()));
        }
        QRect cell = grid_->visualRect(index_);
        if (cell.isEmpty())
            return {};
        if (columnExtent() > 1) {
            const int last = grid_->model()->columnCount() - 1;
            cell.setRight(grid_->header()->sectionViewportPosition(last) +
                          grid_->header()->sectionSize(last) - 1);
        }
        return cell.translated(grid_->viewport()->mapToGlobal(QPoint(0, 0)));
    }

    QAccessible::State state() const override
    {
        QAccessible::State st;
        if (!isValid() || isHeader())
            return st;
        const QRect cell = grid_->visualRect(index_);
        if (cell.isEmpty() || !grid_->viewport()->rect().intersects(cell))
            st.invisible = true;
        if (!grid_->isEnabled())
            st.disabled = true;
        const QItemSelectionModel* selection = grid_->selectionModel();
        st.selected = selection->isSelected(index_);
        st.focused = selection->currentIndex() == index_;
        const Qt::ItemFlags flags = index_.flags();
        st.selectable = st.focusable = bool(flags & Qt::ItemIsSelectable);
        const QVariant check = index_.data(Qt::CheckStateRole);
        if ((flags & Qt::ItemIsUserCheckable) && check.isValid()) {
            st.checkable = true;
            st.checked = check.toInt() == Qt::Checked;
            st.checkStateMixed = check.toInt() == Qt::PartiallyChecked;
        }
        if (grid_->IsGroupRow(index_)) {
            st.expandable = true;
            st.expanded = grid_->isExpanded(index_.sibling(index_.row(), 0));
        }
        return st;
    }

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TableCellInterface)
            return static_cast<QAccessibleTableCellInterface*>(this);
        if (t == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

    bool isSelected() const override { return state().selected; }
    QList<QAccessibleInterface*> columnHeaderCells() const override;
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return isHeader() ? headerColumn_ : index_.column(); }
    int rowIndex() const override;
    int columnExtent() const override
    {
        // A group's name cell reaches to the last column.
        if (isValid() && !isHeader() && grid_->IsGroupRow(index_) && index_.column() == NameColumn)
            return grid_->model()->columnCount() - NameColumn;
        return 1;
    }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

    QStringList actionNames() const override
    {
        return state().checkable ? QStringList{toggleAction()} : QStringList{};
    }
    void doAction(const QString& name) override
    {
        if (name != toggleAction() || !state().checkable)
            return;
        const bool ticked = index_.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        grid_->model()->setData(index_, ticked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    }
    QStringList keyBindingsForAction(const QString& name) const override
    {
        return name == toggleAction() ? QStringList{QStringLiteral("Space")} : QStringList{};
    }

private:
    QPointer<TArticleGrid> grid_;
    QPersistentModelIndex index_;
    int headerColumn_;
};

class TGridAccessible : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    explicit TGridAccessible(TArticleGrid* grid) : QAccessibleWidget(grid, QAccessible::Tree) {}
    ~TGridAccessible() override { clearCells(); }

    TArticleGrid* grid() const { return static_cast<TArticleGrid*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    int childCount() const override { return (rowCount() + 1) * columnCount(); }

    QAccessibleInterface* child(int logical) const override
    {
        const int columns = columnCount();
        if (logical < 0 || columns == 0)
            return nullptr;
        const int row = logical / columns - 1;
        const int column = logical % columns;
        return row < 0 ? cell(QModelIndex(), column) : cellAt(row, column);
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        const auto* cellChild = dynamic_cast<const TCellAccessible*>(child);
        if (!cellChild || !cellChild->isValid())
            return -1;
        if (cellChild->isHeader())
            return cellChild->headerColumn();
        const int row = rowOf(cellChild->index());
        return row < 0 ? -1 : (row + 1) * columnCount() + cellChild->index().column();
    }

    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QPoint global(x, y);
        const QHeaderView* header = grid()->header();
        const QPoint inHeader = header->mapFromGlobal(global);
        if (header->isVisible() && header->rect().contains(inHeader)) {
            const int column = header->logicalIndexAt(inHeader.x());
            return column < 0 ? nullptr : cell(QModelIndex(), column);
        }
        const QModelIndex index = grid()->indexAt(grid()->viewport()->mapFromGlobal(global));
        return index.isValid() ? cell(index, -1) : nullptr;
    }

    QAccessibleInterface* focusChild() const override
    {
        const QModelIndex current = grid()->currentIndex();
        return current.isValid() ? cell(current, -1) : nullptr;
    }

    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QString columnDescription(int column) const override
    {
        return grid()->model()->headerData(column, Qt::Horizontal).toString();
    }
    QString rowDescription(int) const override { return {}; }
    int columnCount() const override { return grid()->model()->columnCount(); }

    // Group rows, and the article rows of the expanded groups.
    int rowCount() const override
    {
        const QAbstractItemModel* model = grid()->model();
        int rows = 0;
        for (int g = 0; g < model->rowCount(); ++g) {
            const QModelIndex group = model->index(g, 0);
            rows += 1 + (grid()->isExpanded(group) ? model->rowCount(group) : 0);
        }
        return rows;
    }

    QAccessibleInterface* cellAt(int row, int column) const override
    {
        const QModelIndex index = indexAt(row, column);
        return index.isValid() ? cell(index, -1) : nullptr;
    }

    int selectedCellCount() const override { return int(grid()->selectionModel()->selectedIndexes().size()); }
    QList<QAccessibleInterface*> selectedCells() const override
    {
        QList<QAccessibleInterface*> cells;
        for (const QModelIndex& index : grid()->selectionModel()->selectedIndexes())
            if (QAccessibleInterface* c = cell(index, -1))
                cells.append(c);
        return cells;
    }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return int(selectedRows().size()); }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override
    {
        QList<int> rows;
        for (const QModelIndex& index : grid()->selectionModel()->selectedRows())
            if (const int row = rowOf(index); row >= 0)
                rows.append(row);
        return rows;
    }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override
    {
        const QModelIndex index = indexAt(row, 0);
        return index.isValid() && grid()->selectionModel()->isRowSelected(index.row(), index.parent());
    }
    bool selectRow(int row) override { return select(row, QItemSelectionModel::ClearAndSelect); }
    bool unselectRow(int row) override { return select(row, QItemSelectionModel::Deselect); }
    bool selectColumn(int) override { return false; }
    bool unselectColumn(int) override { return false; }

    // Cells are keyed by their model index, so expanding or contracting keeps them; a
    // change of the rows themselves drops them all.
    void modelChange(QAccessibleTableModelChangeEvent* event) override
    {
        if (event->modelChangeType() != QAccessibleTableModelChangeEvent::DataChanged)
            clearCells();
    }

    QModelIndex indexAt(int row, int column) const
    {
        const QAbstractItemModel* model = grid()->model();
        if (row < 0 || column < 0 || column >= model->columnCount())
            return {};
        for (int g = 0; g < model->rowCount(); ++g) {
            const QModelIndex group = model->index(g, 0);
            if (row == 0)
                return group.siblingAtColumn(column);
            --row;
            if (!grid()->isExpanded(group))
                continue;
            const int articles = model->rowCount(group);
            if (row < articles)
                return model->index(row, column, group);
            row -= articles;
        }
        return {};
    }

    int rowOf(const QModelIndex& index) const
    {
        if (!index.isValid())
            return -1;
        const QAbstractItemModel* model = grid()->model();
        const bool isGroup = grid()->IsGroupRow(index);
        const int groupRow = isGroup ? index.row() : index.parent().row();
        int row = 0;
        for (int g = 0; g < groupRow; ++g) {
            const QModelIndex group = model->index(g, 0);
            row += 1 + (grid()->isExpanded(group) ? model->rowCount(group) : 0);
        }
        if (isGroup)
            return row;
        return grid()->isExpanded(index.parent()) ? row + 1 + index.row() : -1;
    }

    QAccessibleInterface* cell(const QModelIndex& index, int headerColumn) const
    {
        const Key key = index.isValid() ? Key{index.internalId(), index.row(), index.column()}
                                        : Key{~quintptr(0), -1, headerColumn};
        if (auto found = cells_.find(key); found != cells_.end()) {
            auto* known = static_cast<TCellAccessible*>(QAccessible::accessibleInterface(found->second));
            if (known && known->isValid() && (known->isHeader() || known->index() == index))
                return known;
            QAccessible::deleteAccessibleInterface(found->second);
            cells_.erase(found);
        }
        auto* created = new TCellAccessible(grid(), index, index.isValid() ? -1 : headerColumn);
        cells_[key] = QAccessible::registerAccessibleInterface(created);
        return created;
    }

private:
    using Key = std::tuple<quintptr, int, int>;

    bool select(int row, QItemSelectionModel::SelectionFlags how)
    {
        const QModelIndex index = indexAt(row, 0);
        if (!index.isValid())
            return false;
        grid()->selectionModel()->select(index, how | QItemSelectionModel::Rows);
        return true;
    }

    void clearCells()
    {
        for (const auto& entry : cells_)
            QAccessible::deleteAccessibleInterface(entry.second);
        cells_.clear();
    }

    mutable std::map<Key, QAccessible::Id> cells_;
};

QList<QAccessibleInterface*> TCellAccessible::columnHeaderCells() const
{
    auto* table = dynamic_cast<TGridAccessible*>(parent());
    if (!table || isHeader())
        return {};
    return {table->cell(QModelIndex(), index_.column())};
}

int TCellAccessible::rowIndex() const
{
    auto* table = dynamic_cast<TGridAccessible*>(parent());
    return table && !isHeader() ? table->rowOf(index_) : -1;
}

QAccessibleInterface* Factory(const QString& className, QObject* object)
{
    if (className == QLatin1String(TArticleGrid::staticMetaObject.className()))
        if (auto* grid = qobject_cast<TArticleGrid*>(object))
            return new TGridAccessible(grid);
    return nullptr;
}

} // namespace

void InstallArticleGridAccessibility()
{
    static const bool installed = (QAccessible::installFactory(Factory), true);
    Q_UNUSED(installed);
}

} // namespace widgets
