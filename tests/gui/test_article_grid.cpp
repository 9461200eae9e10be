// The grouped article list, driven the way the user drives it: clicks on check boxes and
// group buttons, the space bar, and what a screen reader reads from it.

#include "AppHarness.h"
#include "widgets/ArticleGrid.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QTest>

#include <memory>

using widgets::TArticleGrid;
using widgets::TArticleGridRow;

namespace {

struct Article
{
    const char* group;
    const char* name;
    int id;
};

std::vector<TArticleGridRow> Rows(std::initializer_list<Article> articles)
{
    const QString rate = QStringLiteral("19,00 %");
    std::vector<TArticleGridRow> rows;
    for (const Article& a : articles)
        rows.push_back({QString::fromUtf8(a.group), QString::fromUtf8(a.name), a.id, rate, rate});
    return rows;
}

// Two groups of three plus one article without product group, given out of group order.
std::vector<TArticleGridRow> Menu()
{
    return Rows({{"Getränke", "Cola", 11},
                 {"Speisen", "Pizza", 21},
                 {"Getränke", "Bier", 12},
                 {"", "Gutschein", 1},
                 {"Speisen", "Salat", 22},
                 {"Getränke", "Wasser", 13},
                 {"Speisen", "Suppe", 23}});
}

// Groups and their articles as "name:id,id" in list order.
QStringList Listing(const TArticleGrid& grid)
{
    const QAbstractItemModel* model = grid.model();
    QStringList groups;
    for (int g = 0; g < model->rowCount(); ++g) {
        const QModelIndex group = model->index(g, 0);
        QStringList ids;
        for (int a = 0; a < model->rowCount(group); ++a)
            ids << model->index(a, 1, group).data(Qt::UserRole).toString();
        groups << model->index(g, 1).data().toString() + QLatin1Char(':') + ids.join(QLatin1Char(','));
    }
    return groups;
}

Qt::CheckState State(const QModelIndex& index)
{
    return static_cast<Qt::CheckState>(index.siblingAtColumn(1).data(Qt::CheckStateRole).toInt());
}

QList<int> Ids(const std::vector<std::int32_t>& ids)
{
    return QList<int>(ids.begin(), ids.end());
}

std::unique_ptr<TArticleGrid> ShownGrid(TArticleGrid::Layout layout = TArticleGrid::Layout::WithRates)
{
    auto grid = std::make_unique<TArticleGrid>(layout);
    grid->setAccessibleName(QStringLiteral("vorhandene Artikel"));
    grid->resize(501, 486);
    grid->Fill(Menu());
    grid->show();
    if (!QTest::qWaitForWindowExposed(grid.get()))
        return nullptr;
    return grid;
}

} // namespace

class TestArticleGrid : public QObject
{
    Q_OBJECT

private slots:
    void fillGroupsAndOrders_data();
    void fillGroupsAndOrders();
    void columnsFollowTheLayout_data();
    void columnsFollowTheLayout();
    void groupBoxFollowsItsArticles();
    void checkedIdsIncludeContractedGroups();
    void userTogglesBoxesAndGroups_data();
    void userTogglesBoxesAndGroups();
    void expandAndContractAll();
    void refillResetsTicksAndExpansion();
    void groupRowsArePainted();
    void rowsAreAccessible();
    void accessibleCellsFollowTheView();
};

void TestArticleGrid::fillGroupsAndOrders_data()
{
    QTest::addColumn<std::vector<TArticleGridRow>>("rows");
    QTest::addColumn<QStringList>("listing");

    QTest::newRow("empty group first, list order inside groups")
        << Menu() << QStringList{":1", "Getränke:11,12,13", "Speisen:21,22,23"};
    QTest::newRow("order ignores case")
        << Rows({{"zubehör", "a", 1}, {"Beilagen", "b", 2}, {"alkohol", "c", 3}, {"Obst", "d", 4}})
        << QStringList{"alkohol:3", "Beilagen:2", "Obst:4", "zubehör:1"};
    QTest::newRow("names equal but for case stay apart")
        << Rows({{"obst", "a", 1}, {"Obst", "b", 2}, {"obst", "c", 3}, {"OBST", "d", 4}})
        << QStringList{"OBST:4", "Obst:2", "obst:1,3"};
    QTest::newRow("no article") << std::vector<TArticleGridRow>{} << QStringList{};
}

void TestArticleGrid::fillGroupsAndOrders()
{
    QFETCH(std::vector<TArticleGridRow>, rows);
    QFETCH(QStringList, listing);
    const int articles = static_cast<int>(rows.size());

    TArticleGrid grid(TArticleGrid::Layout::WithRates);
    QAbstractItemModelTester tester(grid.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    grid.Fill(Menu()); // a second fill replaces the first
    grid.Fill(std::move(rows));

    QCOMPARE(Listing(grid), listing);
    QCOMPARE(grid.GroupCount(), listing.size());
    QCOMPARE(grid.ArticleCount(), articles);
    QVERIFY(grid.CheckedArticleIds().empty());
    for (int g = 0; g < grid.GroupCount(); ++g) {
        const QModelIndex group = grid.model()->index(g, 0);
        QVERIFY(!grid.isExpanded(group));
        QCOMPARE(State(group), Qt::Unchecked);
    }
}

void TestArticleGrid::columnsFollowTheLayout_data()
{
    QTest::addColumn<TArticleGrid::Layout>("layout");
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QList<int>>("widths");

    QTest::newRow("with rates") << TArticleGrid::Layout::WithRates
                                << QStringList{"", "Artikel", "Mwst i. H.", "Mwst a. H."}
                                << QList<int>{50, 270, 80, 80};
    QTest::newRow("name only") << TArticleGrid::Layout::NameOnly << QStringList{"", "Artikel"}
                               << QList<int>{50, 280};
}

void TestArticleGrid::columnsFollowTheLayout()
{
    QFETCH(TArticleGrid::Layout, layout);
    QFETCH(QStringList, headers);
    QFETCH(QList<int>, widths);

    TArticleGrid grid(layout);
    grid.Fill(Menu());
    const QAbstractItemModel* model = grid.model();
    QCOMPARE(model->columnCount(), headers.size());
    for (int c = 0; c < headers.size(); ++c) {
        QCOMPARE(model->headerData(c, Qt::Horizontal).toString(), headers[c]);
        QCOMPARE(grid.header()->sectionSize(c), widths[c]);
    }
    QCOMPARE(grid.header()->sizeHint().height(), 30);
    QCOMPARE(grid.font().pixelSize(), 16);

    const QModelIndex cola = model->index(0, 1, model->index(1, 0));
    QCOMPARE(cola.data().toString(), QStringLiteral("Cola"));
    QVERIFY(cola.flags() & Qt::ItemIsUserCheckable);
    QVERIFY(!(cola.flags() & Qt::ItemIsEditable));
    if (layout == TArticleGrid::Layout::WithRates) {
        QCOMPARE(cola.siblingAtColumn(2).data().toString(), QStringLiteral("19,00 %"));
        QCOMPARE(cola.siblingAtColumn(3).data(Qt::TextAlignmentRole).value<Qt::Alignment>() &
                     Qt::AlignHorizontal_Mask,
                 Qt::AlignRight);
    }
}

// Ticking through the model, as the delegate and the space bar do.
void TestArticleGrid::groupBoxFollowsItsArticles()
{
    TArticleGrid grid(TArticleGrid::Layout::WithRates);
    grid.Fill(Menu());
    QAbstractItemModel* model = grid.model();
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    const QModelIndex drinks = model->index(1, 1);
    const QModelIndex beer = model->index(1, 1, model->index(1, 0));

    QVERIFY(model->setData(drinks, Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(Ids(grid.CheckedArticleIds()), (QList<int>{11, 12, 13}));
    QCOMPARE(State(drinks), Qt::Checked);

    model->setData(beer, Qt::Unchecked, Qt::CheckStateRole);
    QCOMPARE(State(drinks), Qt::PartiallyChecked);
    QCOMPARE(Ids(grid.CheckedArticleIds()), (QList<int>{11, 13}));

    model->setData(drinks, Qt::Unchecked, Qt::CheckStateRole);
    QCOMPARE(State(drinks), Qt::Unchecked);
    QVERIFY(grid.CheckedArticleIds().empty());

    // Ticking each article one by one ends in a ticked group.
    for (int a = 0; a < 3; ++a) {
        model->setData(model->index(a, 1, model->index(1, 0)), Qt::Checked, Qt::CheckStateRole);
        QCOMPARE(State(drinks), a < 2 ? Qt::PartiallyChecked : Qt::Checked);
    }
    QVERIFY(!model->setData(drinks, Qt::PartiallyChecked, Qt::CheckStateRole));
    QCOMPARE(State(drinks), Qt::Checked);
}

void TestArticleGrid::checkedIdsIncludeContractedGroups()
{
    TArticleGrid grid(TArticleGrid::Layout::NameOnly);
    grid.Fill(Menu());
    QAbstractItemModel* model = grid.model();
    grid.ExpandAllGroups();
    model->setData(model->index(2, 1, model->index(2, 0)), Qt::Checked, Qt::CheckStateRole); // Suppe
    model->setData(model->index(0, 1, model->index(0, 0)), Qt::Checked, Qt::CheckStateRole); // Gutschein
    grid.ContractAllGroups();
    model->setData(model->index(1, 1), Qt::Checked, Qt::CheckStateRole); // Getränke, contracted

    QCOMPARE(Ids(grid.CheckedArticleIds()), (QList<int>{1, 11, 12, 13, 23}));
}

void TestArticleGrid::userTogglesBoxesAndGroups_data()
{
    QTest::addColumn<bool>("onArticle"); // Cola, else the group Getränke
    QTest::addColumn<QString>("input");
    QTest::addColumn<QList<int>>("ticked");
    QTest::addColumn<bool>("expanded");

    QTest::newRow("click article box") << true << "click box" << QList<int>{11} << true;
    QTest::newRow("space on article") << true << "space" << QList<int>{11} << true;
    QTest::newRow("click article name") << true << "click name" << QList<int>{} << true;
    QTest::newRow("click group box") << false << "click box" << QList<int>{11, 12, 13} << false;
    QTest::newRow("space on group") << false << "space" << QList<int>{11, 12, 13} << false;
    QTest::newRow("click group name") << false << "click name" << QList<int>{} << false;
    QTest::newRow("click group button") << false << "click button" << QList<int>{} << true;
    QTest::newRow("double click group name") << false << "double click name" << QList<int>{} << true;
    QTest::newRow("double click group box") << false << "double click box" << QList<int>{} << false;
}

void TestArticleGrid::userTogglesBoxesAndGroups()
{
    QFETCH(bool, onArticle);
    QFETCH(QString, input);
    QFETCH(QList<int>, ticked);
    QFETCH(bool, expanded);

    auto grid = ShownGrid();
    QVERIFY(grid);
    const QAbstractItemModel* model = grid->model();
    const QModelIndex drinks = model->index(1, 0);
    if (onArticle)
        grid->setExpanded(drinks, true);
    const QModelIndex target = onArticle ? model->index(0, 0, drinks) : drinks;
    const QRect box = grid->CheckBoxRect(target);
    QVERIFY(!box.isEmpty());
    const QPoint onName(box.right() + 40, box.center().y());
    QVERIFY(grid->visualRect(target.siblingAtColumn(1)).contains(onName));

    QWidget* viewport = grid->viewport();
    if (input == QLatin1String("click box")) {
        QTest::mouseClick(viewport, Qt::LeftButton, {}, box.center());
    } else if (input == QLatin1String("space")) {
        grid->setCurrentIndex(target.siblingAtColumn(0)); // any cell of the row will do
        QTest::keyClick(grid.get(), Qt::Key_Space);
    } else if (input == QLatin1String("click name")) {
        QTest::mouseClick(viewport, Qt::LeftButton, {}, onName);
    } else if (input == QLatin1String("click button")) {
        QTest::mouseClick(viewport, Qt::LeftButton, {}, grid->GroupButtonRect(target).center());
    } else if (input == QLatin1String("double click name")) {
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, onName);
    } else if (input == QLatin1String("double click box")) {
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, box.center());
    }

    QCOMPARE(Ids(grid->CheckedArticleIds()), ticked);
    QCOMPARE(grid->isExpanded(drinks), expanded);
    QCOMPARE(State(drinks), ticked.isEmpty() ? Qt::Unchecked
                            : onArticle      ? Qt::PartiallyChecked
                                             : Qt::Checked);

    // The same input again takes the tick back.
    if (input == QLatin1String("click box"))
        QTest::mouseClick(viewport, Qt::LeftButton, {}, box.center());
    else if (input == QLatin1String("space"))
        QTest::keyClick(grid.get(), Qt::Key_Space);
    else
        return;
    QVERIFY(grid->CheckedArticleIds().empty());
}

void TestArticleGrid::expandAndContractAll()
{
    auto grid = ShownGrid(TArticleGrid::Layout::NameOnly);
    QVERIFY(grid);
    const QAbstractItemModel* model = grid->model();
    const QModelIndex lastArticle = model->index(2, 1, model->index(2, 0));

    grid->ExpandAllGroups();
    for (int g = 0; g < grid->GroupCount(); ++g)
        QVERIFY(grid->isExpanded(model->index(g, 0)));
    QVERIFY(!grid->visualRect(lastArticle).isEmpty());

    grid->ContractAllGroups();
    for (int g = 0; g < grid->GroupCount(); ++g)
        QVERIFY(!grid->isExpanded(model->index(g, 0)));
    QVERIFY(grid->visualRect(lastArticle).isEmpty());
    QVERIFY(grid->CheckBoxRect(lastArticle).isEmpty());
}

void TestArticleGrid::refillResetsTicksAndExpansion()
{
    auto grid = ShownGrid();
    QVERIFY(grid);
    grid->ExpandAllGroups();
    grid->model()->setData(grid->model()->index(2, 1), Qt::Checked, Qt::CheckStateRole);
    grid->Fill(Menu());
    QVERIFY(grid->CheckedArticleIds().empty());
    QVERIFY(!grid->isExpanded(grid->model()->index(2, 0)));
    QCOMPARE(State(grid->model()->index(2, 0)), Qt::Unchecked);
}

// Button face behind the merged group cell, the silver button in the first column, and
// no per-column cell borders inside the merged cell.
void TestArticleGrid::groupRowsArePainted()
{
    auto grid = ShownGrid();
    QVERIFY(grid);
    const QModelIndex drinks = grid->model()->index(1, 0);
    const QImage image = grid->viewport()->grab().toImage();
    const QRect button = grid->GroupButtonRect(drinks);
    const QRect name = grid->visualRect(drinks.siblingAtColumn(1));
    const int rateBorder = grid->header()->sectionViewportPosition(2) + grid->header()->sectionSize(2) - 1;
    const QColor face = grid->palette().color(QPalette::Button);

    QCOMPARE(image.pixelColor(button.center() + QPoint(3, 3)), QColor(192, 192, 192));
    QCOMPARE(image.pixelColor(rateBorder, name.center().y()), face);
    QCOMPARE(image.pixelColor(name.right() - 2, name.top() + 3), face);
}

void TestArticleGrid::rowsAreAccessible()
{
    auto grid = ShownGrid();
    QVERIFY(grid);
    QAbstractItemModel* model = grid->model();
    const QModelIndex drinks = model->index(1, 0);
    grid->setExpanded(drinks, true);
    model->setData(model->index(0, 1, drinks), Qt::Checked, Qt::CheckStateRole); // Cola

    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(grid.get());
    QVERIFY(view);
    QCOMPARE(view->text(QAccessible::Name), QStringLiteral("vorhandene Artikel"));
    QAccessibleTableInterface* table = view->tableInterface();
    QVERIFY(table);

    struct Expected
    {
        const char* name;
        Qt::CheckState state;
    };
    // Visible rows: the group without name, Getränke with its three articles, Speisen.
    const Expected rows[] = {{"ohne Warengruppe", Qt::Unchecked},
                             {"Getränke", Qt::PartiallyChecked},
                             {"Cola", Qt::Checked},
                             {"Bier", Qt::Unchecked},
                             {"Wasser", Qt::Unchecked},
                             {"Speisen", Qt::Unchecked}};
    QCOMPARE(table->rowCount(), int(std::size(rows)));
    for (int r = 0; r < int(std::size(rows)); ++r) {
        QAccessibleInterface* cell = table->cellAt(r, 1);
        QVERIFY2(cell, rows[r].name);
        QCOMPARE(cell->text(QAccessible::Name), QString::fromUtf8(rows[r].name));
        const QAccessible::State state = cell->state();
        QVERIFY2(state.checkable, rows[r].name);
        QCOMPARE(bool(state.checked), rows[r].state == Qt::Checked);
        QCOMPARE(bool(state.checkStateMixed), rows[r].state == Qt::PartiallyChecked);
    }
    QVERIFY(table->cellAt(1, 1)->state().expandable);
    QVERIFY(table->cellAt(1, 1)->state().expanded);
    QVERIFY(!table->cellAt(5, 1)->state().expanded);
    QCOMPARE(table->cellAt(2, 2)->text(QAccessible::Name), QStringLiteral("19,00 %"));
    QCOMPARE(view->child(1)->role(), QAccessible::ColumnHeader);
    QCOMPARE(view->child(1)->text(QAccessible::Name), QStringLiteral("Artikel"));
}

// Child numbers as the view's own focus and selection events give them (a header row,
// then the visible rows, row by row), the toggle action a screen reader offers, and
// fresh cells after a refill.
void TestArticleGrid::accessibleCellsFollowTheView()
{
    auto grid = ShownGrid();
    QVERIFY(grid);
    QAbstractItemModel* model = grid->model();
    const QModelIndex drinks = model->index(1, 0);
    grid->setExpanded(drinks, true);
    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(grid.get());
    QVERIFY(view);

    grid->setCurrentIndex(model->index(1, 1, drinks)); // Bier, the fourth visible row
    const int bier = (1 + 3) * 4 + 1;
    QAccessibleInterface* focused = view->child(bier);
    QVERIFY(focused);
    QCOMPARE(focused->text(QAccessible::Name), QStringLiteral("Bier"));
    QCOMPARE(view->indexOfChild(focused), bier);
    QCOMPARE(view->focusChild(), focused);
    QCOMPARE(view->childCount(), (1 + 6) * 4);

    QAccessibleInterface* food = view->tableInterface()->cellAt(5, 1);
    QCOMPARE(food->text(QAccessible::Name), QStringLiteral("Speisen"));
    QAccessibleActionInterface* action = food->actionInterface();
    QVERIFY(action);
    QVERIFY(action->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    action->doAction(QAccessibleActionInterface::toggleAction());
    QCOMPARE(Ids(grid->CheckedArticleIds()), (QList<int>{21, 22, 23}));
    QVERIFY(food->state().checked);

    grid->Fill(Rows({{"Obst", "Apfel", 5}}));
    QCOMPARE(view->tableInterface()->rowCount(), 1);
    QAccessibleInterface* fruit = view->tableInterface()->cellAt(0, 1);
    QCOMPARE(fruit->text(QAccessible::Name), QStringLiteral("Obst"));
    QVERIFY(!fruit->state().checked);
    QVERIFY(!view->tableInterface()->cellAt(1, 1));
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    testsupport::PrepareGuiTestApplication();
    TestArticleGrid test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_article_grid.moc"
