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

QString FormatRatePercent(double value)
{
    QString text = QString::asprintf("%.2f", value);
    return text.replace(QLatin1Char('.'), QLocale().decimalPoint()) + QStringLiteral(" %");
}

QString ArticleChangeText(const TArticleChange& change)
{
    QString text = QStringLiteral("Artikel VK \"%1\" geändert").arg(change.artikelbezeichnung);
    auto line = [&text](const QString& label, double oldRate, double newRate) {
        text += QStringLiteral("\r\n") + label + FormatRate8_2(oldRate) + QStringLiteral(" %---> ") +
                FormatRate8_2(newRate) + QStringLiteral(" %");
    };
    if (change.inHouseChanges)
        line(QStringLiteral("Mwst Satz im Haus: "), change.oldRateInHouse, change.newRateInHouse);
    if (change.outOfHouseChanges)
        line(QStringLiteral("Mwst Satz außer Haus: "), change.oldRateOutOfHouse, change.newRateOutOfHouse);
    return text;
}

QString GeneralRateChangeHeading()
{
    return QStringLiteral("Änderung Mwst Sätze");
}

} // namespace data
