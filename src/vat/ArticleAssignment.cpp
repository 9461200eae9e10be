#include "data/MainData.h"
#include "data/TransactionSteps.h"
#include "fb/FbError.h"
#include "vat/ChangePreview.h"
#include "vat/ProtocolText.h"

#include <QHash>

namespace data {

namespace {

bool NeedsChange(const TArticleRow& row, std::int32_t imhaus, std::int32_t ausserhaus)
{
    return row.ausgewaehlt == 1 && (row.idmwstsatzih != imhaus || row.idmwstsatzah != ausserhaus);
}

} // namespace

void TMainDM::OpenArticleData()
{
    vdseArticles.Open();
    vdseVatRates.Open();
    // Every entry into the page starts from in-house slot 1 and out-of-house slot 2, whether
    // or not the host has them.
    vdseVatRates.Append(1, 2);
    dsoNewVatRates.Reset();
    LoadArticles();
}

void TMainDM::CloseArticleData()
{
    dseVatRates.Close();
    dsoVatRares.Clear();
    vdseVatRates.Close();
    dsoNewVatRates.Reset();
    vdseArticles.Close();
}

void TMainDM::LoadArticles()
{
    vdseArticles.Empty();
    ReadStep(trcKovantel, {&dseArtikel}, [&] {
        if (!dseVatRates.Active()) {
            dseVatRates.Open();
            dsoVatRares.Refresh(dseVatRates);
        }
        dseArtikel.Open();
        vdseArticles.Empty();
        vdseArticles.Reserve(dseArtikel.RecordCount());
        const fb::FbField group = dseArtikel.FieldByName(QStringLiteral("Warengruppe"));
        const fb::FbField name = dseArtikel.FieldByName(QStringLiteral("ArtikelBezeichnung"));
        const fb::FbField id = dseArtikel.FieldByName(QStringLiteral("ArtikelID"));
        const fb::FbField slotIh = dseArtikel.FieldByName(QStringLiteral("IDMwstSatziH"));
        const fb::FbField slotAh = dseArtikel.FieldByName(QStringLiteral("IDMwstSatzaH"));
        const fb::FbField rateIh = dseArtikel.FieldByName(QStringLiteral("MwstSatziH"));
        const fb::FbField rateAh = dseArtikel.FieldByName(QStringLiteral("MwstSatzaH"));
        // A chain has a few hundred product groups for a hundred thousand articles: each
        // group name is decoded once and then shared by all its articles.
        QHash<QByteArray, QString> groups;
        for (dseArtikel.First(); !dseArtikel.Eof(); dseArtikel.Next()) {
            TArticleRow row;
            const QByteArray groupBytes = group.AsBytes();
            auto it = groups.constFind(groupBytes);
            if (it == groups.constEnd())
                it = groups.insert(groupBytes, group.AsString().left(TArticlesTable::TextWidth));
            row.warengruppe = *it;
            row.artikelbezeichnung = name.AsString();
            row.artikelid = id.AsInteger();
            row.idmwstsatzih = static_cast<std::int16_t>(slotIh.AsInteger());
            row.idmwstsatzah = static_cast<std::int16_t>(slotAh.AsInteger());
            row.mwstsatzih = rateIh.AsFloat();
            row.mwstsatzah = rateAh.AsFloat();
            vdseArticles.Append(std::move(row));
        }
    });
}

void TMainDM::SelectArticle(std::int32_t artikelid)
{
    vdseArticles.SetSelected(artikelid, true);
}

void TMainDM::UnselectArticle(std::int32_t artikelid)
{
    vdseArticles.SetSelected(artikelid, false);
}

bool TMainDM::SaveArticleVatRates()
{
    m_articleFailures.clear();
    const std::int32_t imhaus = vdseVatRates.imhaus();
    const std::int32_t ausserhaus = vdseVatRates.ausserhaus();
    qrySetArticleVatRates.ParamByName(QStringLiteral("MwstSatziH")).setAsInteger(imhaus);
    qrySetArticleVatRates.ParamByName(QStringLiteral("MwstSatzaH")).setAsInteger(ausserhaus);

    const std::vector<TArticleRow>& rows = vdseArticles.Rows();
    std::size_t total = 0;
    for (const TArticleRow& row : rows)
        total += NeedsChange(row, imhaus, ausserhaus) ? 1 : 0;

    std::size_t done = 0;
    bool endedEarly = false;
    for (const TArticleRow& row : rows) {
        if (!NeedsChange(row, imhaus, ausserhaus))
            continue;
        if (endedEarly) {
            m_articleFailures.push_back(
                {row.artikelid, row.artikelbezeichnung, row.warengruppe,
                 TDbFailure::FromText(
                     QStringLiteral("Nicht gespeichert: der Speichervorgang wurde vorher abgebrochen."))});
            continue;
        }
        if (OnArticleSaveProgress)
            OnArticleSaveProgress(done, total);

        TArticleChange change;
        change.artikelbezeichnung = row.artikelbezeichnung;
        change.inHouseChanges = row.idmwstsatzih != imhaus;
        change.outOfHouseChanges = row.idmwstsatzah != ausserhaus;
        change.oldRateInHouse = SlotRateOf(VatRates, row.idmwstsatzih);
        change.newRateInHouse = SlotRateOf(VatRates, imhaus);
        change.oldRateOutOfHouse = SlotRateOf(VatRates, row.idmwstsatzah);
        change.newRateOutOfHouse = SlotRateOf(VatRates, ausserhaus);
        const QString text = ArticleChangeText(change);

        TDbFailure failure;
        bool written = false;
        try {
            // The update and its protocol entry become final in one commit: the protocol
            // writer joins the open transaction and commits it, and a refused entry takes the
            // update back with it.
            written = GuardedWriteStep(
                trcKovantel,
                [&] {
                    qrySetArticleVatRates.ParamByName(QStringLiteral("ArtikelID"))
                        .setAsInteger(row.artikelid);
                    qrySetArticleVatRates.ExecQuery();
                    // Another program deleted the article since the list was read: there is
                    // nothing to record.
                    if (qrySetArticleVatRates.RowsAffected() == 0)
                        throw fb::FbError(
                            QStringLiteral("Der Artikel ist nicht mehr in der Datenbank vorhanden."));
                    WriteProtocol(Mitarbeiter, text, 9);
                },
                &failure);
        } catch (const std::exception& e) {
            // The transaction for this article could not even start: the pass ends here.
            failure = TDbFailure::From(e);
            endedEarly = true;
        }
        if (!written)
            m_articleFailures.push_back({row.artikelid, row.artikelbezeichnung, row.warengruppe, failure});
        ++done;
    }
    if (OnArticleSaveProgress && total > 0)
        OnArticleSaveProgress(done, total);

    const bool result = m_articleFailures.empty();
    try {
        LoadArticles();
        // What was not written stays in the selection for another try.
        for (const TArticleFailure& f : m_articleFailures)
            vdseArticles.SetSelected(f.artikelid, true);
    } catch (const std::exception& e) {
        // The articles are written; only the list could not be read again.
        m_lastFailure = TDbFailure::From(e);
    }
    return result;
}

} // namespace data
