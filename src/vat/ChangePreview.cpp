#include "vat/ChangePreview.h"

#include "data/MainData.h"

#include <cmath>

namespace data {

bool SlotChangeIsVisible(float newRate, float currentRate)
{
    return std::llround(static_cast<double>(newRate) * 100.0) !=
           std::llround(static_cast<double>(currentRate) * 100.0);
}

double SlotRateOf(const TVatRateSlots& rates, int slot)
{
    if (slot < 0 || slot >= static_cast<int>(rates.size()) || !rates[static_cast<std::size_t>(slot)].Exists)
        return 0;
    return rates[static_cast<std::size_t>(slot)].Rate;
}

std::vector<TSlotChangePreview> TMainDM::PreviewGeneralChanges(const TVatRateSlots& newRates) const
{
    std::vector<TSlotChangePreview> out;
    for (int n = 0; n < 5; ++n) {
        const TVatRateSlot& slot = newRates[static_cast<std::size_t>(n)];
        const float current = VatRates[static_cast<std::size_t>(n)].Rate;
        if (!slot.Exists || !std::isfinite(slot.Rate) || !SlotChangeIsVisible(slot.Rate, current))
            continue;
        TSlotChangePreview p;
        p.slot = n;
        p.oldRate = current;
        p.newRate = slot.Rate;
        for (const auto& row : vdseKassenbuchkonten.Rows())
            if (row.mwstsatznr == n)
                p.accounts.push_back({row.kontonr, row.kontobezeichnung});
        out.push_back(std::move(p));
    }
    return out;
}

std::vector<TArticleChangePreview> TMainDM::PreviewArticleChanges() const
{
    std::vector<TArticleChangePreview> out;
    out.reserve(vdseArticles.SelectedCount());
    const int imhaus = vdseVatRates.imhaus();
    const int ausserhaus = vdseVatRates.ausserhaus();
    for (const TArticleRow& row : vdseArticles.Rows()) {
        if (row.ausgewaehlt != 1)
            continue;
        TArticleChangePreview p;
        p.artikelbezeichnung = row.artikelbezeichnung;
        p.warengruppe = row.warengruppe;
        p.oldSlotInHouse = row.idmwstsatzih;
        p.oldSlotOutOfHouse = row.idmwstsatzah;
        p.newSlotInHouse = imhaus;
        p.newSlotOutOfHouse = ausserhaus;
        p.oldRateInHouse = SlotRateOf(VatRates, row.idmwstsatzih);
        p.oldRateOutOfHouse = SlotRateOf(VatRates, row.idmwstsatzah);
        p.newRateInHouse = SlotRateOf(VatRates, imhaus);
        p.newRateOutOfHouse = SlotRateOf(VatRates, ausserhaus);
        p.unchanged = row.idmwstsatzih == imhaus && row.idmwstsatzah == ausserhaus;
        out.push_back(std::move(p));
    }
    return out;
}

} // namespace data
