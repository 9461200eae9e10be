#include "widgets/ArticleGridModel.h"

#include <QApplication>
#include <QHash>
#include <QStyle>

#include <algorithm>
#include <numeric>

namespace widgets {
namespace {

// Internal id of an article index: its group's position plus one; group indexes carry 0.
quintptr articleTag(std::size_t group)
{
    return static_cast<quintptr>(group) + 1;
}

// Equal names in different case are different groups; the exact compare only orders them.
bool groupNameLess(const QString& a, const QString& b)
{
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    if (folded != 0)
        return folded < 0;
    return QString::compare(a, b, Qt::CaseSensitive) < 0;
}

} // namespace

TArticleGridModel::TArticleGridModel(bool withRates, QObject* parent)
    : QAbstractItemModel(parent), withRates_(withRates)
{
}

void TArticleGridModel::Fill(std::vector<TArticleGridRow> rows)
{
    // One hash look-up per article finds its group; only the groups are sorted.
    std::vector<Group> groups;
    std::vector<std::int32_t> groupOf(rows.size());
    QHash<QString, std::int32_t> byName;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        TArticleGridRow& row = rows[i];
        auto found = byName.constFind(row.warengruppe);
        std::int32_t g;
        if (found == byName.constEnd()) {
            g = static_cast<std::int32_t>(groups.size());
            byName.insert(row.warengruppe, g);
            groups.push_back(Group{row.warengruppe, 0, 0, 0});
        } else {
            g = *found;
        }
        groupOf[i] = g;
        ++groups[static_cast<std::size_t>(g)].count;
        // The group keeps the name; a copy per article would only cost memory.
        row.warengruppe = QString();
        if (!withRates_) {
            row.rateInHouse = QString();
            row.rateOutOfHouse = QString();
        }
    }
    byName = {};

    // The empty name sorts first by itself: it compares below every other name.
    std::vector<std::int32_t> sorted(groups.size());
    std::iota(sorted.begin(), sorted.end(), 0);
    std::sort(sorted.begin(), sorted.end(), [&groups](std::int32_t a, std::int32_t b) {
        return groupNameLess(groups[static_cast<std::size_t>(a)].name,
                             groups[static_cast<std::size_t>(b)].name);
    });
    std::vector<Group> ordered;
    ordered.reserve(groups.size());
    std::vector<std::int32_t> rank(groups.size());
    std::int32_t first = 0;
    for (std::size_t r = 0; r < sorted.size(); ++r) {
        Group& group = groups[static_cast<std::size_t>(sorted[r])];
        group.first = first;
        first += group.count;
        rank[static_cast<std::size_t>(sorted[r])] = static_cast<std::int32_t>(r);
        ordered.push_back(std::move(group));
    }

    // Counting sort by group: stable, so the caller's order holds inside each group.
    std::vector<std::int32_t> order(rows.size());
    std::vector<std::int32_t> next(ordered.size());
    for (std::size_t r = 0; r < ordered.size(); ++r)
        next[r] = ordered[r].first;
    for (std::size_t i = 0; i < rows.size(); ++i)
        order[static_cast<std::size_t>(
            next[static_cast<std::size_t>(rank[static_cast<std::size_t>(groupOf[i])])]++)] =
            static_cast<std::int32_t>(i);

    beginResetModel();
    rows_.swap(rows);
    order_.swap(order);
    groups_.swap(ordered);
    checked_.assign(rows_.size(), 0);
    endResetModel();
    // The old rows are freed here, after the view has let go of them.
}

std::vector<std::int32_t> TArticleGridModel::CheckedArticleIds() const
{
    std::vector<std::int32_t> ids;
    for (const Group& group : groups_) {
        if (group.ticked == 0)
            continue;
        for (std::int32_t row = 0; row < group.count; ++row)
            if (checked_[static_cast<std::size_t>(group.first + row)])
                ids.push_back(article(group, row).artikelid);
    }
    return ids;
}

void TArticleGridModel::ToggleCheck(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    const QModelIndex box = index.siblingAtColumn(NameColumn);
    const bool ticked = box.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    setData(box, ticked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}

Qt::CheckState TArticleGridModel::groupState(const Group& group) const
{
    if (group.ticked == 0)
        return Qt::Unchecked;
    return group.ticked == group.count ? Qt::Checked : Qt::PartiallyChecked;
}

QModelIndex TArticleGridModel::index(int row, int column, const QModelIndex& parent) const
{
    if (row < 0 || column < 0 || column >= columnCount())
        return {};
    if (!parent.isValid())
        return row < GroupCount() ? createIndex(row, column, quintptr(0)) : QModelIndex();
    if (!IsGroup(parent) || parent.column() != ButtonColumn)
        return {};
    const Group& group = groups_[static_cast<std::size_t>(parent.row())];
    if (row >= group.count)
        return {};
    return createIndex(row, column, articleTag(static_cast<std::size_t>(parent.row())));
}

QModelIndex TArticleGridModel::parent(const QModelIndex& child) const
{
    if (!child.isValid() || IsGroup(child))
        return {};
    return createIndex(static_cast<int>(child.internalId() - 1), ButtonColumn, quintptr(0));
}

int TArticleGridModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return GroupCount();
    if (IsGroup(parent) && parent.column() == ButtonColumn)
        return groups_[static_cast<std::size_t>(parent.row())].count;
    return 0;
}

int TArticleGridModel::columnCount(const QModelIndex&) const
{
    return withRates_ ? 4 : 2;
}

bool TArticleGridModel::hasChildren(const QModelIndex& parent) const
{
    return rowCount(parent) > 0;
}

QVariant TArticleGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const int column = index.column();
    if (IsGroup(index)) {
        if (column != NameColumn)
            return {};
        const Group& group = groups_[static_cast<std::size_t>(index.row())];
        switch (role) {
        case Qt::DisplayRole:
            return group.name;
        case Qt::AccessibleTextRole:
            // A screen reader has nothing to say for the group without a name otherwise.
            return group.name.isEmpty() ? QStringLiteral("ohne Warengruppe") : group.name;
        case Qt::CheckStateRole:
            return groupState(group);
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        default:
            return {};
        }
    }

    const std::size_t g = static_cast<std::size_t>(index.internalId() - 1);
    const Group& group = groups_[g];
    const TArticleGridRow& row = article(group, index.row());
    switch (column) {
    case NameColumn:
        switch (role) {
        case Qt::DisplayRole:
            return row.artikelbezeichnung;
        case Qt::CheckStateRole:
            return checked_[static_cast<std::size_t>(group.first + index.row())] ? Qt::Checked
                                                                                 : Qt::Unchecked;
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        case ArticleIdRole:
            return row.artikelid;
        default:
            return {};
        }
    case RateInHouseColumn:
    case RateOutOfHouseColumn:
        if (role == Qt::DisplayRole)
            return column == RateInHouseColumn ? row.rateInHouse : row.rateOutOfHouse;
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

bool TArticleGridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || index.column() != NameColumn)
        return false;
    const auto state = static_cast<Qt::CheckState>(value.toInt());
    if (state == Qt::PartiallyChecked)
        return false; // mixed is what the articles say, never something to set
    if (IsGroup(index))
        setGroupChecked(index, state == Qt::Checked);
    else
        setArticleChecked(index, state == Qt::Checked);
    return true;
}

void TArticleGridModel::setArticleChecked(const QModelIndex& index, bool checked)
{
    Group& group = groups_[static_cast<std::size_t>(index.internalId() - 1)];
    std::uint8_t& flag = checked_[static_cast<std::size_t>(group.first + index.row())];
    if (bool(flag) == checked)
        return;
    const Qt::CheckState before = groupState(group);
    flag = checked ? 1 : 0;
    group.ticked += checked ? 1 : -1;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    if (groupState(group) != before) {
        const QModelIndex groupBox =
            createIndex(static_cast<int>(index.internalId() - 1), NameColumn, quintptr(0));
        emit dataChanged(groupBox, groupBox, {Qt::CheckStateRole});
    }
}

void TArticleGridModel::setGroupChecked(const QModelIndex& index, bool checked)
{
    Group& group = groups_[static_cast<std::size_t>(index.row())];
    const auto begin = checked_.begin() + group.first;
    std::fill(begin, begin + group.count, checked ? 1 : 0);
    group.ticked = checked ? group.count : 0;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    const quintptr tag = articleTag(static_cast<std::size_t>(index.row()));
    emit dataChanged(createIndex(0, NameColumn, tag), createIndex(group.count - 1, NameColumn, tag),
                     {Qt::CheckStateRole});
}

Qt::ItemFlags TArticleGridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == NameColumn)
        flags |= Qt::ItemIsUserCheckable;
    // Without this, expanding all would record every article as an expanded index.
    if (!IsGroup(index) || index.column() != ButtonColumn)
        flags |= Qt::ItemNeverHasChildren;
    return flags;
}

QVariant TArticleGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case NameColumn:
        return QStringLiteral("Artikel");
    case RateInHouseColumn:
        return QStringLiteral("Mwst i. H.");
    case RateOutOfHouseColumn:
        return QStringLiteral("Mwst a. H.");
    default:
        return QString();
    }
}

TArticleGridDelegate::TArticleGridDelegate(int rowHeight, QObject* parent)
    : QStyledItemDelegate(parent), rowHeight_(rowHeight)
{
}

QSize TArticleGridDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), rowHeight_);
}

QRect TArticleGridDelegate::CheckBoxRect(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    if (!(opt.features & QStyleOptionViewItem::HasCheckIndicator))
        return {};
    const QWidget* widget = opt.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    return style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, widget);
}

} // namespace widgets
