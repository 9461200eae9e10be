#pragma once

#include <QWidget>

#include <array>

class QAction;
class QLabel;
class QGroupBox;
class QTimer;
class QToolButton;

namespace widgets {
class TPageControl;
class TRateEdit;
class TNumericKeyboard;
class TArticleGrid;
class TDBLookupComboBox;
} // namespace widgets

namespace app {

// The application's title (taskbar and error report) and the window's caption.
inline constexpr const char* ApplicationTitle = "KOVANTELMwst";
inline constexpr const char* WindowCaption = "KOVANTEL Mwst";

// The main and only window: the two pages, the deferred open of the database and the
// page-switch guard. It does no database work of its own.
class TMainFrm : public QWidget
{
    Q_OBJECT
public:
    explicit TMainFrm(QWidget* parent = nullptr);
    ~TMainFrm() override;

    // State, in declaration order.
    bool FDateWarning = false;
    int FEditMode = 0;

    // Components.
    widgets::TPageControl* pgcVatRates = nullptr;
    QWidget* tsGeneral = nullptr;
    QWidget* tsArticles = nullptr;
    QToolButton* btnClose = nullptr;
    QTimer* tmrOpenBranchOffice = nullptr;
    QAction* actSetGeneralVatRates = nullptr;
    QAction* actSetArticlesVatRates = nullptr;
    QAction* actSelectArticle = nullptr;
    QAction* actUnselectArticle = nullptr;
    QAction* actContractAvailableArticles = nullptr;
    QAction* actExpandAvailableArticles = nullptr;
    QAction* actContractSelectedArticles = nullptr;
    QAction* actExpandSelectedArticles = nullptr;

    // General page.
    QLabel* lblHinweis = nullptr;
    QGroupBox* grpVatRates = nullptr;
    std::array<QLabel*, 5> lblVatRate{};
    std::array<widgets::TRateEdit*, 5> edtVatRate{};
    widgets::TNumericKeyboard* keybNumeric = nullptr;
    QToolButton* btnSetGeneralVatRates = nullptr;

    // Articles page.
    QGroupBox* grpVorhandeneArtikel = nullptr;
    widgets::TArticleGrid* grdVorhandeneArtikel = nullptr;
    QToolButton* btnContractAvailableArticles = nullptr;
    QToolButton* btnExpandAvailableArticles = nullptr;
    QToolButton* btnSelectArticle = nullptr;
    QToolButton* btnUnselectArticle = nullptr;
    QGroupBox* grpAusgewaehlteArtikel = nullptr;
    QLabel* LabelArtikelMwstSatziH = nullptr;
    widgets::TDBLookupComboBox* DBAuswahlArtikelMwstSatziH = nullptr;
    QLabel* LabelArtikelMwstSatzaH = nullptr;
    widgets::TDBLookupComboBox* DBAuswahlArtikelMwstSatzaH = nullptr;
    widgets::TArticleGrid* grdAusgewArtikel = nullptr;
    QToolButton* btnContractSelectedArticles = nullptr;
    QToolButton* btnExpandSelectedArticles = nullptr;
    QToolButton* btnSetArticleVatRates = nullptr;

    // Event handlers.
    void FormCreate();
    void FormShow();
    void FormClose();
    void tmrOpenBranchOfficeTimer();
    void btnCloseClick();
    void pgcVatRatesCanChange(int fromPage, int toPage, bool& allowChange);

    // General page.
    void ShowGeneralVatRates();
    void edtVatRateChange();
    void actSetGeneralVatRatesExecute();
    bool SaveGeneralChanges();

    // Articles page.
    void FillArticleGrids();
    bool SaveArticleChanges();
    void actSelectArticleExecute();
    void actUnselectArticleExecute();
    void actSetArticlesVatRatesExecute();
    void actContractAvailableArticlesExecute();
    void actExpandAvailableArticlesExecute();
    void actContractSelectedArticlesExecute();
    void actExpandSelectedArticlesExecute();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateGeneralPage();
    void CreateArticlesPage();
    // Binds the lookup boxes to the data module's sources once it exists.
    void BindArticleLookups();
    widgets::TRateEdit* FindRateEdit(int slot) const;
    void ProcessMessages();

    bool m_shown = false;
};

extern TMainFrm* MainFrm;

// Program start: the application object, the main window and the message loop.
int RunApplication(int argc, char** argv);

// Colours and font of the window, shared by the pages.
QColor WindowColor();
QFont WindowFont();

} // namespace app
