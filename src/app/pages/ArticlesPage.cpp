#include "app/MainForm.h"

#include "app/pages/SaveDetails.h"
#include "data/MainData.h"
#include "vat/ProtocolText.h"
#include "widgets/ArticleGrid.h"
#include "widgets/LookupComboBox.h"
#include "widgets/Resources.h"
#include "widgets/SaveProgress.h"
#include "win/ErrorReport.h"
#include "win/MessageDlg.h"

#include <QAction>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QToolButton>

#include <functional>

using data::MainDM;

namespace app {

namespace {

// Flat buttons that, like the host's speed buttons, never take the focus: a focused button
// would swallow the keys meant for the lists and the lookup boxes.
QToolButton* SpeedButton(QWidget* parent, const QString& name, QAction* action, const QRect& geometry,
                         const QString& accessibleName)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setDefaultAction(action);
    button->setToolButtonStyle(action->text().isEmpty() ? Qt::ToolButtonIconOnly
                                                        : Qt::ToolButtonTextBesideIcon);
    button->setIconSize(QSize(32, 32));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setGeometry(geometry);
    button->setAccessibleName(accessibleName);
    return button;
}

// Captions of two lines; a screen reader reads them as one.
const QString ContractCaption = QStringLiteral("alle\nEinklappen");
const QString ExpandCaption = QStringLiteral("alle\nAusklappen");

QString SpokenCaption(const QString& caption)
{
    return QString(caption).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

} // namespace

void TMainFrm::CreateArticlesPage()
{
    auto action = [this](const char* name, const QString& caption, const QString& icon, auto handler) {
        auto* a = new QAction(caption, this);
        a->setObjectName(QString::fromLatin1(name));
        a->setIcon(widgets::LoadIcon(icon));
        connect(a, &QAction::triggered, this,
                [this, handler] { win::Guarded([this, handler] { (this->*handler)(); }); });
        return a;
    };
    actSelectArticle =
        action("actSelectArticle", {}, QStringLiteral("arrow_right"), &TMainFrm::actSelectArticleExecute);
    actUnselectArticle =
        action("actUnselectArticle", {}, QStringLiteral("arrow_left"), &TMainFrm::actUnselectArticleExecute);
    actContractAvailableArticles =
        action("actContractAvailableArticles", ContractCaption, QStringLiteral("docs_minus"),
               &TMainFrm::actContractAvailableArticlesExecute);
    actExpandAvailableArticles =
        action("actExpandAvailableArticles", ExpandCaption, QStringLiteral("docs_plus"),
               &TMainFrm::actExpandAvailableArticlesExecute);
    actContractSelectedArticles =
        action("actContractSelectedArticles", ContractCaption, QStringLiteral("docs_minus"),
               &TMainFrm::actContractSelectedArticlesExecute);
    actExpandSelectedArticles =
        action("actExpandSelectedArticles", ExpandCaption, QStringLiteral("docs_plus"),
               &TMainFrm::actExpandSelectedArticlesExecute);
    connect(actSetArticlesVatRates, &QAction::triggered, this,
            [this] { win::Guarded([this] { actSetArticlesVatRatesExecute(); }); });
    for (QAction* a : {actContractAvailableArticles, actExpandAvailableArticles, actContractSelectedArticles,
                       actExpandSelectedArticles})
        a->setEnabled(false);

    grpVorhandeneArtikel = new QGroupBox(QStringLiteral("vorhandene Artikel"), tsArticles);
    grpVorhandeneArtikel->setObjectName(QStringLiteral("grpVorhandeneArtikel"));
    grpVorhandeneArtikel->setGeometry(10, 5, 523, 576);
    grpVorhandeneArtikel->setAccessibleName(grpVorhandeneArtikel->title());
    grdVorhandeneArtikel =
        new widgets::TArticleGrid(widgets::TArticleGrid::Layout::WithRates, grpVorhandeneArtikel);
    grdVorhandeneArtikel->setObjectName(QStringLiteral("grdVorhandeneArtikel"));
    grdVorhandeneArtikel->setGeometry(10, 25, 501, 486);
    grdVorhandeneArtikel->setAccessibleName(grpVorhandeneArtikel->title());
    grdVorhandeneArtikel->setEnabled(false);
    btnContractAvailableArticles =
        SpeedButton(grpVorhandeneArtikel, QStringLiteral("btnContractAvailableArticles"),
                    actContractAvailableArticles, QRect(10, 525, 110, 41), SpokenCaption(ContractCaption));
    btnExpandAvailableArticles =
        SpeedButton(grpVorhandeneArtikel, QStringLiteral("btnExpandAvailableArticles"),
                    actExpandAvailableArticles, QRect(130, 525, 110, 41), SpokenCaption(ExpandCaption));

    btnSelectArticle = SpeedButton(tsArticles, QStringLiteral("btnSelectArticle"), actSelectArticle,
                                   QRect(549, 165, 41, 41), QStringLiteral("Auswählen"));
    btnUnselectArticle = SpeedButton(tsArticles, QStringLiteral("btnUnselectArticle"), actUnselectArticle,
                                     QRect(549, 315, 41, 41), QStringLiteral("Abwählen"));

    grpAusgewaehlteArtikel = new QGroupBox(QStringLiteral("ausgewählte Artikel"), tsArticles);
    grpAusgewaehlteArtikel->setObjectName(QStringLiteral("grpAusgewaehlteArtikel"));
    grpAusgewaehlteArtikel->setGeometry(601, 5, 375, 578);
    grpAusgewaehlteArtikel->setAccessibleName(grpAusgewaehlteArtikel->title());
    auto lookup = [this](const char* labelName, const QString& caption, int labelLeft, int labelWidth,
                         const char* boxName, int boxLeft) {
        auto* label = new QLabel(caption, grpAusgewaehlteArtikel);
        label->setObjectName(QString::fromLatin1(labelName));
        label->setGeometry(labelLeft, 27, labelWidth, 26);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setAccessibleName(caption);
        auto* box = new widgets::TDBLookupComboBox(grpAusgewaehlteArtikel);
        box->setObjectName(QString::fromLatin1(boxName));
        box->setGeometry(boxLeft, 27, 90, 26);
        box->setAccessibleName(caption);
        label->setBuddy(box);
        return std::pair{label, box};
    };
    std::tie(LabelArtikelMwstSatziH, DBAuswahlArtikelMwstSatziH) =
        lookup("LabelArtikelMwstSatziH", QStringLiteral("im Haus:"), 0, 71, "DBAuswahlArtikelMwstSatziH", 77);
    std::tie(LabelArtikelMwstSatzaH, DBAuswahlArtikelMwstSatzaH) = lookup(
        "LabelArtikelMwstSatzaH", QStringLiteral("außer Haus:"), 174, 90, "DBAuswahlArtikelMwstSatzaH", 270);

    grdAusgewArtikel =
        new widgets::TArticleGrid(widgets::TArticleGrid::Layout::NameOnly, grpAusgewaehlteArtikel);
    grdAusgewArtikel->setObjectName(QStringLiteral("grdAusgewArtikel"));
    grdAusgewArtikel->setGeometry(10, 65, 351, 446);
    grdAusgewArtikel->setAccessibleName(grpAusgewaehlteArtikel->title());
    grdAusgewArtikel->setEnabled(false);
    btnContractSelectedArticles =
        SpeedButton(grpAusgewaehlteArtikel, QStringLiteral("btnContractSelectedArticles"),
                    actContractSelectedArticles, QRect(10, 525, 110, 41), SpokenCaption(ContractCaption));
    btnExpandSelectedArticles =
        SpeedButton(grpAusgewaehlteArtikel, QStringLiteral("btnExpandSelectedArticles"),
                    actExpandSelectedArticles, QRect(130, 525, 110, 41), SpokenCaption(ExpandCaption));
    // Two lines of caption beside the picture: a smaller picture leaves the words whole.
    for (QToolButton* b : {btnContractAvailableArticles, btnExpandAvailableArticles,
                           btnContractSelectedArticles, btnExpandSelectedArticles})
        b->setIconSize(QSize(24, 24));
    btnSetArticleVatRates =
        SpeedButton(grpAusgewaehlteArtikel, QStringLiteral("btnSetArticleVatRates"), actSetArticlesVatRates,
                    QRect(248, 525, 110, 41), QStringLiteral("Ändern"));

    QWidget::setTabOrder(grdVorhandeneArtikel, DBAuswahlArtikelMwstSatziH);
    QWidget::setTabOrder(DBAuswahlArtikelMwstSatziH, DBAuswahlArtikelMwstSatzaH);
    QWidget::setTabOrder(DBAuswahlArtikelMwstSatzaH, grdAusgewArtikel);
}

void TMainFrm::BindArticleLookups()
{
    data::TNewVatRatesSource* choice = &MainDM->dsoNewVatRates;
    auto bind = [this, choice](widgets::TDBLookupComboBox* box, const QString& field) {
        box->SetListSource(&MainDM->dsoVatRares, data::TVatRatesListSource::KeyRole);
        auto show = [box, choice, field] {
            box->SetKeyValue(choice->HasRecord() ? std::optional<int>(choice->Value(field)) : std::nullopt);
        };
        connect(choice, &data::TNewVatRatesSource::DataChanged, box, show);
        // Nothing else happens on a pick: the choice is read when saving.
        connect(box, &widgets::TDBLookupComboBox::KeyPicked, choice,
                [choice, field](int key) { choice->SetValue(field, key); });
        show();
    };
    bind(DBAuswahlArtikelMwstSatziH, QStringLiteral("imHaus"));
    bind(DBAuswahlArtikelMwstSatzaH, QStringLiteral("ausserhaus"));
}

void TMainFrm::FillArticleGrids()
{
    data::TArticlesTable& articles = MainDM->vdseArticles;
    // Five slots give at most a handful of rate texts: each is made once and shared.
    QHash<double, QString> rateTexts;
    auto rateText = [&rateTexts](double rate) {
        auto it = rateTexts.constFind(rate);
        if (it == rateTexts.constEnd())
            it = rateTexts.insert(rate, data::FormatRatePercent(rate));
        return *it;
    };
    // Fills one list from the articles with that mark; whatever happens, the table's filter
    // is off again afterwards. True when the list holds an article.
    auto fill = [&](widgets::TArticleGrid* grid, std::int16_t mark, bool withRates) {
        articles.SetFilter(mark);
        struct FilterOff
        {
            data::TArticlesTable& t;
            ~FilterOff() { t.ClearFilter(); }
        } off{articles};
        std::vector<widgets::TArticleGridRow> rows;
        rows.reserve(articles.RecordCount());
        for (const data::TArticleRow& r : articles.Rows()) {
            if (!articles.Passes(r))
                continue;
            widgets::TArticleGridRow row;
            row.warengruppe = r.warengruppe;
            row.artikelbezeichnung = r.artikelbezeichnung;
            row.artikelid = r.artikelid;
            if (withRates) {
                row.rateInHouse = rateText(r.mwstsatzih);
                row.rateOutOfHouse = rateText(r.mwstsatzah);
            }
            rows.push_back(std::move(row));
        }
        const bool any = !rows.empty();
        grid->Fill(std::move(rows));
        grid->setEnabled(any);
        return any;
    };

    const bool available = fill(grdVorhandeneArtikel, 0, true);
    actContractAvailableArticles->setEnabled(available);
    actExpandAvailableArticles->setEnabled(available);

    const bool selected = fill(grdAusgewArtikel, 1, false);
    actContractSelectedArticles->setEnabled(selected);
    actExpandSelectedArticles->setEnabled(selected);
    actSetArticlesVatRates->setEnabled(selected);
}

void TMainFrm::actSelectArticleExecute()
{
    for (const std::int32_t id : grdVorhandeneArtikel->CheckedArticleIds())
        MainDM->SelectArticle(id);
    FillArticleGrids();
}

void TMainFrm::actUnselectArticleExecute()
{
    for (const std::int32_t id : grdAusgewArtikel->CheckedArticleIds())
        MainDM->UnselectArticle(id);
    FillArticleGrids();
}

void TMainFrm::actSetArticlesVatRatesExecute()
{
    SaveArticleChanges();
}

void TMainFrm::actContractAvailableArticlesExecute()
{
    grdVorhandeneArtikel->ContractAllGroups();
}

void TMainFrm::actExpandAvailableArticlesExecute()
{
    grdVorhandeneArtikel->ExpandAllGroups();
}

void TMainFrm::actContractSelectedArticlesExecute()
{
    grdAusgewArtikel->ContractAllGroups();
}

void TMainFrm::actExpandSelectedArticlesExecute()
{
    grdAusgewArtikel->ExpandAllGroups();
}

bool TMainFrm::SaveArticleChanges()
{
    if (win::MessageDlg(QStringLiteral("Sollen die Änderungen gespeichert werden?"),
                        win::MsgKind::Confirmation, win::MsgButtons::YesNo, win::MsgResult::Yes,
                        ArticleChangeDetails(MainDM->PreviewArticleChanges())) != win::MsgResult::Yes)
        return true;

    bool saved = false;
    {
        widgets::TSaveProgress progress(QStringLiteral("Artikel werden gespeichert"), this);
        MainDM->OnArticleSaveProgress = [&progress](std::size_t done, std::size_t total) {
            progress.Step(static_cast<qint64>(done), static_cast<qint64>(total));
        };
        struct ProgressOff
        {
            ~ProgressOff() { MainDM->OnArticleSaveProgress = nullptr; }
        } off;
        saved = MainDM->SaveArticleVatRates();
    }
    if (!saved)
        win::MessageDlg(QStringLiteral("Beim Speichern ist ein Fehler aufgetreten!"), win::MsgKind::Warning,
                        win::MsgButtons::Ok, win::MsgResult::Ok,
                        ArticleFailureDetails(MainDM->ArticleFailures()));
    // Also after a failure: the articles that were written now show their new rates, and
    // the ones that were not stay in the selection.
    FillArticleGrids();
    actSetArticlesVatRates->setEnabled(!saved);
    return saved;
}

} // namespace app
