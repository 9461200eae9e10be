#include "data/MainData.h"
#include "data/TransactionSteps.h"
#include "fb/FbError.h"
#include "vat/ChangePreview.h"
#include "vat/ProtocolText.h"

#include <cmath>

namespace data {

namespace {

QString SlotKey(int slot)
{
    return QStringLiteral("MwstSatz%1").arg(slot);
}

} // namespace

TVatRateSlots TMainDM::LoadVatRates()
{
    VatRates = TVatRateSlots{};
    if (!dbKovantel.Connected())
        return VatRates;

    ReadStep(trcKovantel, {&dseSettings}, [&] {
        dseSettings.Open();
        for (int n = 0; n < 5; ++n) {
            // Keys match in any letter case, as in every statement of the host.
            if (dseSettings.Locate(QStringLiteral("Schluessel"), SlotKey(n), Qt::CaseInsensitive)) {
                VatRates[n].Exists = true;
                VatRates[n].Rate = static_cast<float>(
                    dseSettings.FieldByName(QStringLiteral("NumWert")).AsCurrency().toDouble());
            }
        }
    });

    vdseKassenbuchkonten.Empty();
    ReadStep(trcKovantel, {&dseKassenbuchkonten}, [&] {
        dseKassenbuchkonten.Open();
        const fb::FbField name = dseKassenbuchkonten.FieldByName(QStringLiteral("Kontobezeichnung"));
        const fb::FbField slot = dseKassenbuchkonten.FieldByName(QStringLiteral("MwstSatzNr"));
        const fb::FbField rate = dseKassenbuchkonten.FieldByName(QStringLiteral("Steuersatz"));
        const fb::FbField number = dseKassenbuchkonten.FieldByName(QStringLiteral("KontoNr"));
        for (dseKassenbuchkonten.First(); !dseKassenbuchkonten.Eof(); dseKassenbuchkonten.Next())
            vdseKassenbuchkonten.Append({name.AsString(), static_cast<std::int16_t>(slot.AsInteger()),
                                         rate.AsFloat(), number.AsInteger()});
    });
    return VatRates;
}

bool TMainDM::SaveGeneralVatRates(const TVatRateSlots& newRates)
{
    QString text;
    std::vector<std::pair<int, fb::Currency>> written;
    m_lastFailure = {};
    const bool saved = GuardedWriteStep(
        trcKovantel,
        [&] {
            for (int n = 0; n < 5; ++n) {
                const TVatRateSlot& slot = newRates[n];
                if (!slot.Exists)
                    continue;
                if (!std::isfinite(slot.Rate))
                    throw fb::FbError(QStringLiteral("Ungültiger Mwst Satz %1.").arg(n));
                // A change the user can see is a change; one below the shown precision is not.
                if (!SlotChangeIsVisible(slot.Rate, VatRates[n].Rate))
                    continue;

                const fb::Currency newRate = fb::Currency::fromDouble(slot.Rate);
                qrySetVatRate.ParamByName(QStringLiteral("Schluessel")).setAsString(SlotKey(n));
                qrySetVatRate.ParamByName(QStringLiteral("NumWert")).setAsCurrency(newRate);
                qrySetVatRate.ExecQuery();
                written.emplace_back(n, newRate);
                text += QStringLiteral("\r\n") + GeneralRateChangeLine(n, VatRates[n].Rate, slot.Rate);

                vdseKassenbuchkonten.SetSlotFilter(n);
                try {
                    qrySetKassenbuchkonto.ParamByName(QStringLiteral("Steuersatz")).setAsCurrency(newRate);
                    for (const auto& row : vdseKassenbuchkonten.Rows()) {
                        qrySetKassenbuchkonto.ParamByName(QStringLiteral("Kontobezeichnung"))
                            .setAsString(row.kontobezeichnung);
                        qrySetKassenbuchkonto.ParamByName(QStringLiteral("SteuersatzAlt"))
                            .setAsFloat(row.steuersatz);
                        qrySetKassenbuchkonto.ExecQuery();
                    }
                } catch (...) {
                    vdseKassenbuchkonten.ClearFilter();
                    throw;
                }
                vdseKassenbuchkonten.ClearFilter();
            }
            // The entry joins the open transaction, so the slots, the accounts and their
            // record become final together or not at all.
            if (!text.isEmpty())
                WriteProtocol(Mitarbeiter, GeneralRateChangeHeading() + text, 6);
        },
        &m_lastFailure);
    if (saved) {
        VatRates = newRates;
        // The mapping stays true after a save: its accounts now carry the slot's new rate,
        // which is what a further save on the same page must look for.
        for (const auto& [slot, rate] : written)
            vdseKassenbuchkonten.SetSlotRate(slot, rate.toDouble());
    }
    return saved;
}

} // namespace data
