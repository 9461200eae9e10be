#include "app/pages/SaveDetails.h"

#include "vat/ProtocolText.h"

#include <map>

namespace app {

namespace {

const QString Arrow = QStringLiteral(" → ");

// The client's words often run over several lines; they stay indented under their item.
QString Indented(const QString& text)
{
    return QString(text).replace(QLatin1Char('\n'), QStringLiteral("\n    "));
}

QString GroupOf(const QString& warengruppe)
{
    return warengruppe.isEmpty() ? QStringLiteral("ohne Warengruppe") : warengruppe;
}

// "7,00 % (Satz 1)"; five slots give a handful of such texts for any number of articles,
// so each is made once.
class SlotTexts
{
public:
    const QString& operator()(double rate, int slot)
    {
        const auto key = std::make_pair(rate, slot);
        auto it = m_texts.find(key);
        if (it == m_texts.end())
            it =
                m_texts
                    .emplace(key, QStringLiteral("%1 (Satz %2)").arg(data::FormatRatePercent(rate)).arg(slot))
                    .first;
        return it->second;
    }

private:
    std::map<std::pair<double, int>, QString> m_texts;
};

} // namespace

QString GeneralChangeDetails(const std::vector<data::TSlotChangePreview>& changes)
{
    QStringList lines;
    for (const data::TSlotChangePreview& c : changes) {
        lines << QStringLiteral("Mwst Satz %1: %2").arg(c.slot).arg(data::FormatRatePercent(c.oldRate)) +
                     Arrow + data::FormatRatePercent(c.newRate);
        if (c.accounts.empty())
            lines << QStringLiteral("    keine Konten");
        for (const auto& a : c.accounts)
            lines << QStringLiteral("    Konto %1 %2").arg(a.kontonr).arg(a.kontobezeichnung);
    }
    return lines.join(QLatin1Char('\n'));
}

QString ArticleChangeDetails(const std::vector<data::TArticleChangePreview>& changes)
{
    SlotTexts Slot;
    std::size_t written = 0;
    for (const auto& c : changes)
        written += c.unchanged ? 0 : 1;
    QString text;
    text.reserve(static_cast<qsizetype>(changes.size()) * 120);
    text += QStringLiteral("%1 Artikel werden geändert:\n").arg(written);
    for (const auto& c : changes) {
        if (c.unchanged)
            continue;
        text += c.artikelbezeichnung + QStringLiteral(" (") + GroupOf(c.warengruppe) +
                QStringLiteral("): im Haus ") + Slot(c.oldRateInHouse, c.oldSlotInHouse) + Arrow +
                Slot(c.newRateInHouse, c.newSlotInHouse) + QStringLiteral(", außer Haus ") +
                Slot(c.oldRateOutOfHouse, c.oldSlotOutOfHouse) + Arrow +
                Slot(c.newRateOutOfHouse, c.newSlotOutOfHouse) + QLatin1Char('\n');
    }
    if (written < changes.size()) {
        text += QStringLiteral("\nunverändert (%1 Artikel, haben die Auswahl schon):\n")
                    .arg(changes.size() - written);
        for (const auto& c : changes)
            if (c.unchanged)
                text += c.artikelbezeichnung + QStringLiteral(" (") + GroupOf(c.warengruppe) +
                        QStringLiteral("): im Haus ") + Slot(c.oldRateInHouse, c.oldSlotInHouse) +
                        QStringLiteral(", außer Haus ") + Slot(c.oldRateOutOfHouse, c.oldSlotOutOfHouse) +
                        QLatin1Char('\n');
    }
    text.chop(1);
    return text;
}

QString ArticleFailureDetails(const std::vector<data::TMainDM::TArticleFailure>& failures)
{
    QStringList lines;
    lines << QStringLiteral("%1 Artikel wurden nicht gespeichert:").arg(failures.size());
    for (const auto& f : failures)
        lines << f.artikelbezeichnung + QStringLiteral(" (") + GroupOf(f.warengruppe) +
                     QStringLiteral("): ") + Indented(f.reason.Explanation());
    return lines.join(QLatin1Char('\n'));
}

QString OpenFailureDetails(const std::vector<data::TMainDM::TConnectAttempt>& attempts,
                           const data::TDbFailure& afterConnect)
{
    QStringList lines;
    for (const auto& a : attempts) {
        const QString failure = Indented(a.failure);
        lines << QStringLiteral("Verbindung %1: %2")
                     .arg(a.connection, failure.isEmpty() ? QStringLiteral("hergestellt") : failure);
    }
    if (!afterConnect.message.isEmpty())
        lines << QStringLiteral("Fehler beim Lesen der Datenbank: ") + afterConnect.Explanation();
    return lines.join(QLatin1Char('\n'));
}

} // namespace app
