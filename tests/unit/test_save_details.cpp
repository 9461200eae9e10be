#include "app/pages/SaveDetails.h"

#include <QElapsedTimer>
#include <QLocale>

#include <gtest/gtest.h>

namespace {

class SaveDetails : public testing::Test
{
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

data::TArticleChangePreview Article(const char* name, const char* group, int ih, int ah, bool unchanged)
{
    data::TArticleChangePreview p;
    p.artikelbezeichnung = QString::fromUtf8(name);
    p.warengruppe = QString::fromUtf8(group);
    p.oldSlotInHouse = ih;
    p.oldSlotOutOfHouse = ah;
    p.oldRateInHouse = ih == 1 ? 7 : 19;
    p.oldRateOutOfHouse = ah == 1 ? 7 : 19;
    p.newSlotInHouse = 0;
    p.newSlotOutOfHouse = 0;
    p.newRateInHouse = 19;
    p.newRateOutOfHouse = 19;
    p.unchanged = unchanged;
    return p;
}

} // namespace

TEST_F(SaveDetails, ArticlesAlreadyOnTheChoiceAreListedApart)
{
    const std::vector<data::TArticleChangePreview> changes = {
        Article("Pils 0,5", "Getränke", 1, 1, false),
        Article("Cola", "Getränke", 0, 0, true),
        Article("Brezel", "", 1, 0, false),
    };
    EXPECT_EQ(
        app::ArticleChangeDetails(changes),
        QStringLiteral("2 Artikel werden geändert:\n"
                       "Pils 0,5 (Getränke): im Haus 7,00 % (Satz 1) → 19,00 % (Satz 0), außer Haus 7,00 % "
                       "(Satz 1) → 19,00 % (Satz 0)\n"
                       "Brezel (ohne Warengruppe): im Haus 7,00 % (Satz 1) → 19,00 % (Satz 0), außer Haus "
                       "19,00 % (Satz 0) → 19,00 % (Satz 0)\n"
                       "\n"
                       "unverändert (1 Artikel, haben die Auswahl schon):\n"
                       "Cola (Getränke): im Haus 19,00 % (Satz 0), außer Haus 19,00 % (Satz 0)"));
}

TEST_F(SaveDetails, FailedArticlesSayWhyInTheTechniciansWords)
{
    data::TMainDM::TArticleFailure locked{2, QStringLiteral("Weizen"), QStringLiteral("Getränke"), {}};
    locked.reason.message = QStringLiteral("deadlock");
    locked.reason.lockConflict = true;
    data::TMainDM::TArticleFailure gone{3, QStringLiteral("Cola"), {}, {}};
    gone.reason.message = QStringLiteral("Error writing data to the connection.");
    gone.reason.connectionLost = true;
    const QString text = app::ArticleFailureDetails({locked, gone});
    EXPECT_EQ(text,
              QStringLiteral(
                  "2 Artikel wurden nicht gespeichert:\n"
                  "Weizen (Getränke): Ein anderes Programm oder eine andere Kasse ändert gerade dieselben "
                  "Daten. Bitte versuchen Sie es erneut, wenn dort die Änderung abgeschlossen ist. "
                  "(deadlock)\n"
                  "Cola (ohne Warengruppe): Die Verbindung zur Datenbank ist unterbrochen. Bitte beenden "
                  "Sie das Programm und starten Sie es neu. (Error writing data to the connection.)"));
}

// Ten thousand selected articles are a chain's ordinary night: every one is described, and
// the time it took is recorded with the test's result.
TEST_F(SaveDetails, TenThousandArticlesAreAllDescribed)
{
    std::vector<data::TArticleChangePreview> changes;
    for (int i = 0; i < 10000; ++i)
        changes.push_back(Article("Artikel mit einem langen Namen", "Warengruppe", 1, 2, i % 10 == 0));
    QElapsedTimer clock;
    clock.start();
    const QString text = app::ArticleChangeDetails(changes);
    const qint64 ms = clock.elapsed();
    EXPECT_EQ(text.count(QLatin1Char('\n')), 10000 + 2);
    RecordProperty("milliseconds", static_cast<int>(ms));
}
