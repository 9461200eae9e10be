#pragma once

#include <QString>
#include <QTreeView>

#include <cstdint>
#include <vector>

namespace widgets {

class TArticleGridModel;
class TArticleGridDelegate;

// One article as the grid lists it.
struct TArticleGridRow
{
    QString warengruppe;        // product-group name; empty = no product group
    QString artikelbezeichnung; // article name, already cut by the caller
    std::int32_t artikelid = 0;
    QString rateInHouse; // "19,00 %", shown right-aligned; ignored by the name-only grid
    QString rateOutOfHouse;
};

// An article list grouped by product group: one group row per product group with an
// expand/contract button and a check box for the whole group, below it the group's
// articles, each with its own check box. Only the check boxes select anything; the
// highlighted row plays no part.
//
// Built for up to 100,000 articles: the model holds the rows in plain vectors and is
// rebuilt in one reset, rows have one height, and the view paints the group rows itself
// instead of keeping one span record per group.
class TArticleGrid : public QTreeView
{
    Q_OBJECT
public:
    enum class Layout { WithRates, NameOnly };

    explicit TArticleGrid(Layout layout, QWidget* parent = nullptr);

    // Rebuilds the list: groups in ascending order of the product-group name (the empty
    // name first), articles in the given order inside their group; afterwards every group
    // is contracted and no box ticked.
    void Fill(std::vector<TArticleGridRow> rows);
    // Keys of the ticked articles in list order, also those inside contracted groups.
    std::vector<std::int32_t> CheckedArticleIds() const;
    void ExpandAllGroups();
    void ContractAllGroups();
    int GroupCount() const;
    int ArticleCount() const;

    Layout ColumnLayout() const { return layout_; }
    bool IsGroupRow(const QModelIndex& index) const;
    // Where the check box of the row of `index` lies, in viewport coordinates; empty when
    // the row is not laid out (inside a contracted group).
    QRect CheckBoxRect(const QModelIndex& index) const;
    // The area of a group row's expand/contract button, in viewport coordinates.
    QRect GroupButtonRect(const QModelIndex& index) const;

protected:
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QModelIndex groupAtButton(const QPoint& pos) const;
    void toggleGroup(const QModelIndex& group);
    void drawGroupRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    void drawGroupButton(QPainter* painter, const QRect& cell, bool expanded) const;
    void drawGridLines(QPainter* painter, const QRect& row, bool groupRow) const;
    int lastColumnRight() const;

    Layout layout_;
    TArticleGridModel* model_ = nullptr;
    TArticleGridDelegate* delegate_ = nullptr;
    bool swallowRelease_ = false;
};

} // namespace widgets
