#pragma once

#include "vat/VatTypes.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace data {

// Whether a new rate differs from the current one as the user sees it, in hundredths of a
// percent. Only such slots are written; one changed below the shown precision is not.
bool SlotChangeIsVisible(float newRate, float currentRate);

// The rate of a slot as protocol entries print it: a slot that does not exist, or a number
// outside the five, has rate 0.
double SlotRateOf(const TVatRateSlots& rates, int slot);

// What a general save will write for one slot: its rates and the cash-book accounts that
// follow it.
struct TSlotChangePreview
{
    int slot = 0;
    double oldRate = 0;
    double newRate = 0;
    struct Account
    {
        std::int32_t kontonr = 0;
        QString kontobezeichnung;
    };
    std::vector<Account> accounts;
};

// What an article save will do with one selected article. Rates are the slots' current
// rates, as the protocol entry will show them.
struct TArticleChangePreview
{
    QString artikelbezeichnung;
    QString warengruppe;
    int oldSlotInHouse = 0;
    int oldSlotOutOfHouse = 0;
    int newSlotInHouse = 0;
    int newSlotOutOfHouse = 0;
    double oldRateInHouse = 0;
    double oldRateOutOfHouse = 0;
    double newRateInHouse = 0;
    double newRateOutOfHouse = 0;
    bool unchanged = false; // the article already has the chosen pair: nothing is written
};

} // namespace data
