#include "vat/ProtocolText.h"

#include <QLocale>

namespace data {

QString FormatRate8_2(double value)
{
    // asprintf always prints "."; the user's separator replaces it afterwards.
    QString text = QString::asprintf("%8.2f", value);
    return text.replace(QLatin1Char('.'), QLocale().decimalPoint());
}

QString GeneralRateChangeLine(int slot, double oldRate, double newRate)
{
    return QStringLiteral("Änderung Mwst Satz %1: %2 %--->%3 %")
        .arg(slot)
        .arg(FormatRate8_2(oldRate), QLatin1Char(' ') + FormatRate8_2(newRate));
}

QString GeneralRateChangeHeading()
{
    return QStringLiteral("Änderung Mwst Sätze");
}

} // namespace data
