#pragma once

#include "widgets/ArticleGrid.h"

#include <QAbstractItemModel>
#include <QStyledItemDelegate>

#include <cstdint>
#include <vector>

namespace widgets {

// Two levels: the product groups at the top, their articles below. The articles stay in
// the vector the caller handed over; the list order is a vector of positions into it, so
// a fill moves no article and a row costs a position and a tick flag beyond its strings.
class TArticleGridModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum Column { ButtonColumn = 0, NameColumn = 1, RateInHouseColumn = 2, RateOutOfHouseColumn = 3 };
    static constexpr int ArticleIdRole = Qt::UserRole;

    TArticleGridModel(bool withRates, QObject* parent);

    void Fill(std::vector<TArticleGridRow> rows);
    std::vector<std::int32_t> CheckedArticleIds() const;
    int GroupCount() const { return static_cast<int>(groups_.size()); }
    int ArticleCount() const { return static_cast<int>(rows_.size()); }

    static bool IsGroup(const QModelIndex& index) { return index.isValid() && index.internalId() == 0; }
    // Ticks an unticked or mixed box, unticks a ticked one.
    void ToggleCheck(const QModelIndex& index);

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Group
    {
        QString name;
        std::int32_t first = 0; // list position of the group's first article
        std::int32_t count = 0;
        std::int32_t ticked = 0; // keeps the group's box state O(1)
    };

    Qt::CheckState groupState(const Group& group) const;
    const TArticleGridRow& article(const Group& group, int row) const
    {
        return rows_[static_cast<std::size_t>(order_[static_cast<std::size_t>(group.first + row)])];
    }
    void setArticleChecked(const QModelIndex& index, bool checked);
    void setGroupChecked(const QModelIndex& index, bool checked);

    bool withRates_;
    std::vector<TArticleGridRow> rows_; // as handed over
    std::vector<std::int32_t> order_;   // list position -> index into rows_
    std::vector<std::uint8_t> checked_; // by list position
    std::vector<Group> groups_;         // in list order
};

// Rows of one fixed height, and the check box geometry the view needs for its own hit
// tests on group rows.
class TArticleGridDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    TArticleGridDelegate(int rowHeight, QObject* parent);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QRect CheckBoxRect(const QStyleOptionViewItem& option, const QModelIndex& index) const;

private:
    int rowHeight_;
};

} // namespace widgets
