#include "HostDb.h"
#include "data/MainData.h"
#include "fb/FbDatabase.h"
#include "fb/FbStatement.h"
#include "fb/FbTransaction.h"
#include "win/Cp1252.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

using data::TMainDM;
using data::TVatRateSlot;
using data::TVatRateSlots;
using testsupport::HostDb;
using testsupport::ProtocolForm;

namespace {

const std::array<double, 5> StandardRates = {19, 7, 0, 10.7, 5.5};

TVatRateSlots existing(const std::array<float, 5>& rates)
{
    TVatRateSlots s;
    for (std::size_t n = 0; n < 5; ++n)
        s[n] = TVatRateSlot{true, rates[n]};
    return s;
}

// A host database with its slots and a data module connected to it the way the open
// sequence leaves it.
struct Installation
{
    explicit Installation(ProtocolForm form = ProtocolForm::V8,
                          std::optional<std::array<double, 5>> rates = StandardRates)
        : host(form)
    {
        if (rates)
            for (int n = 0; n < 5; ++n)
                host.setRate(n, (*rates)[static_cast<std::size_t>(n)]);
        data::TProcessInfo info;
        info.ProgramFolder = folder.path() + QLatin1Char('/');
        dm = std::make_unique<TMainDM>(nullptr, info);
        dm->dbKovantel.DBName = host.connectionString();
        dm->dbKovantel.Open();
        dm->DatabaseVersion = form == ProtocolForm::V8 ? 8 : 7;
        dm->KassenID = 1;
    }

    // Stored values as the host reads them ("19", "10.7", "" for NULL or no row).
    QString slot(int n, const QString& key = {})
    {
        return host.scalar(
            QStringLiteral("select numwert from einstellungen where schluessel = :k"),
            {{QStringLiteral("k"), key.isEmpty() ? QStringLiteral("MwstSatz%1").arg(n) : key}});
    }
    QStringList storedSlots()
    {
        QStringList out;
        for (int n = 0; n < 5; ++n)
            out << slot(n);
        return out;
    }
    QStringList accounts()
    {
        QStringList out;
        for (const QStringList& row :
             host.rows(QStringLiteral("select steuersatz from kassenbuchkonten order by kontonr")))
            out << row.front();
        return out;
    }
    std::vector<std::pair<QString, int>> mapping() const
    {
        std::vector<std::pair<QString, int>> out;
        for (const auto& row : dm->vdseKassenbuchkonten.Rows())
            out.emplace_back(row.kontobezeichnung, row.mwstsatznr);
        return out;
    }
    QByteArray protocolText()
    {
        return host.rawBytes(QStringLiteral("vorgangsprotokoll"), QStringLiteral("vorgang"));
    }

    HostDb host;
    QTemporaryDir folder;
    std::unique_ptr<TMainDM> dm;
};

void expectSlots(const TVatRateSlots& actual, const TVatRateSlots& expected)
{
    for (std::size_t n = 0; n < 5; ++n) {
        EXPECT_EQ(actual[n].Exists, expected[n].Exists) << "slot " << n;
        if (std::isnan(expected[n].Rate))
            EXPECT_TRUE(std::isnan(actual[n].Rate)) << "slot " << n;
        else
            EXPECT_EQ(actual[n].Rate, expected[n].Rate) << "slot " << n;
    }
}

QByteArray cp1252(const char* utf8)
{
    return win::toWindows1252(QString::fromUtf8(utf8));
}

// ---------------------------------------------------------------------------------------
// Saving the general rates

class GeneralSave : public testing::TestWithParam<ProtocolForm>
{
};

TEST_P(GeneralSave, SlotIsFollowedOnlyByTheAccountsAtItsOldRate)
{
    Installation inst(GetParam());
    inst.host.addKonto(1, QStringLiteral("Speisen"), 7);
    inst.host.addKonto(2, QStringLiteral("Kaffee"), 7);
    inst.host.addKonto(3, QStringLiteral("Bier"), 19);
    inst.host.addKonto(4, QStringLiteral("Speisen"), 19); // same name, another rate
    inst.dm->LoadVatRates();

    const TVatRateSlots next = existing({19, 5, 0, 10.7f, 5.5f});
    ASSERT_TRUE(inst.dm->SaveGeneralVatRates(next)) << inst.dm->LastError().toStdString();

    EXPECT_EQ(inst.storedSlots(), QStringList({"19", "5", "0", "10.7", "5.5"}));
    EXPECT_EQ(inst.accounts(), QStringList({"5", "5", "19", "19"}));
    EXPECT_EQ(inst.host.protocolCount(), 1);
    EXPECT_EQ(inst.protocolText(),
              cp1252("Änderung Mwst Sätze\r\nÄnderung Mwst Satz 1:     7,00 %--->     5,00 %"));
    EXPECT_EQ(inst.host.scalar(QStringLiteral("select kategorie from vorgangsprotokoll")),
              QStringLiteral("6"));
    EXPECT_FALSE(inst.dm->trcKovantel.Active());
    expectSlots(inst.dm->VatRates, next);
}

// The page keeps its values after a save and does not reload, so a second save follows on
// from the first: the accounts that followed the slot must follow it again.
TEST_P(GeneralSave, SecondSaveWithoutReloadMovesTheSameAccountsOn)
{
    Installation inst(GetParam());
    inst.host.addKonto(1, QStringLiteral("Speisen"), 10.7);
    inst.host.addKonto(2, QStringLiteral("Speisen"), 19);
    inst.dm->LoadVatRates();

    ASSERT_TRUE(inst.dm->SaveGeneralVatRates(existing({19, 7, 0, 9.3f, 5.5f})));
    ASSERT_TRUE(inst.dm->SaveGeneralVatRates(existing({19, 7, 0, 8.15f, 5.5f})));

    EXPECT_EQ(inst.slot(3), QStringLiteral("8.15"));
    EXPECT_EQ(inst.accounts(), QStringList({"8.15", "19"}));
    EXPECT_EQ(inst.host.protocolCount(), 2);
}

// The entry is part of the save: when it cannot be written, nothing of the save remains,
// and since the current slots stay as they were, saving again repeats the whole change.
TEST_P(GeneralSave, RefusedProtocolEntryUndoesTheWholeSave)
{
    Installation inst(GetParam());
    inst.host.addKonto(1, QStringLiteral("Speisen"), 7);
    inst.host.exec(QStringLiteral("create exception protokoll_gesperrt 'Protokoll gesperrt'"));
    inst.host.exec(QStringLiteral("create trigger protokoll_sperre for vorgangsprotokoll before insert as "
                                  "begin exception protokoll_gesperrt; end"));
    const TVatRateSlots loaded = inst.dm->LoadVatRates();

    const TVatRateSlots next = existing({16, 5, 0, 10.7f, 5.5f});
    EXPECT_FALSE(inst.dm->SaveGeneralVatRates(next));

    EXPECT_EQ(inst.storedSlots(), QStringList({"19", "7", "0", "10.7", "5.5"}));
    EXPECT_EQ(inst.accounts(), QStringList({"7"}));
    EXPECT_EQ(inst.host.protocolCount(), 0);
    EXPECT_FALSE(inst.dm->trcKovantel.Active());
    EXPECT_FALSE(inst.dm->vdseKassenbuchkonten.Filtered());
    expectSlots(inst.dm->VatRates, loaded);

    inst.host.exec(QStringLiteral("drop trigger protokoll_sperre"));
    // A connection keeps the triggers of the statements it prepared; a fresh one sees the drop.
    inst.dm->dbKovantel.Close();
    inst.dm->dbKovantel.Open();
    ASSERT_TRUE(inst.dm->SaveGeneralVatRates(next)) << inst.dm->LastError().toStdString();
    EXPECT_EQ(inst.storedSlots(), QStringList({"16", "5", "0", "10.7", "5.5"}));
    EXPECT_EQ(inst.accounts(), QStringList({"5"}));
    EXPECT_EQ(inst.host.protocolCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Forms, GeneralSave, testing::Values(ProtocolForm::V8, ProtocolForm::V7),
                         testing::PrintToStringParamName());

struct SaveCase
{
    const char* name;
    std::array<double, 5> start;
    TVatRateSlots given;
    QStringList stored;   // every slot after the save; each slot's account follows it or not
    const char* protocol; // nullptr: no entry
};

void PrintTo(const SaveCase& c, std::ostream* os)
{
    *os << c.name;
}

class SlotsWritten : public testing::TestWithParam<SaveCase>
{
};

TEST_P(SlotsWritten, ExactlyWhereTheVisibleValueChanged)
{
    const SaveCase& c = GetParam();
    Installation inst(ProtocolForm::V8, c.start);
    for (int n = 0; n < 5; ++n)
        inst.host.addKonto(n, QStringLiteral("Konto %1").arg(n), c.start[static_cast<std::size_t>(n)]);
    inst.dm->LoadVatRates();

    ASSERT_TRUE(inst.dm->SaveGeneralVatRates(c.given)) << inst.dm->LastError().toStdString();

    EXPECT_EQ(inst.storedSlots(), c.stored);
    EXPECT_EQ(inst.accounts(), c.stored);
    if (c.protocol) {
        EXPECT_EQ(inst.host.protocolCount(), 1);
        EXPECT_EQ(inst.protocolText(), cp1252(c.protocol));
    } else {
        EXPECT_EQ(inst.host.protocolCount(), 0);
    }
    EXPECT_FALSE(inst.dm->trcKovantel.Active());
    // The given slots become current as they were passed, skipped ones included.
    expectSlots(inst.dm->VatRates, c.given);
}

TVatRateSlots withSlot(TVatRateSlots s, int n, TVatRateSlot slot)
{
    s[static_cast<std::size_t>(n)] = slot;
    return s;
}

const TVatRateSlots Standard = existing({19, 7, 0, 10.7f, 5.5f});

INSTANTIATE_TEST_SUITE_P(
    Cases, SlotsWritten,
    testing::Values(SaveCase{"TwoSlotsInSlotOrder",
                             StandardRates,
                             existing({16, 7, 0, 9.5f, 5.5f}),
                             {"16", "7", "0", "9.5", "5.5"},
                             "Änderung Mwst Sätze\r\n"
                             "Änderung Mwst Satz 0:    19,00 %--->    16,00 %\r\n"
                             "Änderung Mwst Satz 3:    10,70 %--->     9,50 %"},
                    SaveCase{"SlotWithoutKeyNeverWritten",
                             StandardRates,
                             withSlot(withSlot(Standard, 2, {false, 99}), 1, {true, 5}),
                             {"19", "5", "0", "10.7", "5.5"},
                             "Änderung Mwst Sätze\r\nÄnderung Mwst Satz 1:     7,00 %--->     5,00 %"},
                    SaveCase{"OneHundredthAboveAHalf",
                             {19, 7, 0, 10.7, 0.5},
                             withSlot(Standard, 4, {true, 0.51f}),
                             {"19", "7", "0", "10.7", "0.51"},
                             "Änderung Mwst Sätze\r\nÄnderung Mwst Satz 4:     0,50 %--->     0,51 %"},
                    SaveCase{"OneHundredth",
                             StandardRates,
                             withSlot(Standard, 0, {true, 19.01f}),
                             {"19.01", "7", "0", "10.7", "5.5"},
                             "Änderung Mwst Sätze\r\nÄnderung Mwst Satz 0:    19,00 %--->    19,01 %"},
                    SaveCase{"BelowTheShownPrecision",
                             StandardRates,
                             withSlot(Standard, 0, {true, 19.004f}),
                             {"19", "7", "0", "10.7", "5.5"},
                             nullptr},
                    SaveCase{
                        "NothingChanged", StandardRates, Standard, {"19", "7", "0", "10.7", "5.5"}, nullptr},
                    // The page shows and gives back two decimals; the host's finer value must
                    // survive a save that does not change it.
                    SaveCase{"FourDecimalsKeptWhileUnchanged",
                             {19, 7.1234, 0, 10.7, 5.5},
                             existing({16, 7.12f, 0, 10.7f, 5.5f}),
                             {"16", "7.1234", "0", "10.7", "5.5"},
                             "Änderung Mwst Sätze\r\nÄnderung Mwst Satz 0:    19,00 %--->    16,00 %"},
                    // Single precision cannot hold it; the stored value must not be replaced
                    // by the rounded one.
                    SaveCase{"ValueBeyondSinglePrecisionKeptWhileUnchanged",
                             {19, 1e12, 0, 10.7, 5.5},
                             existing({16, 1e12f, 0, 10.7f, 5.5f}),
                             {"16", "1000000000000", "0", "10.7", "5.5"},
                             "Änderung Mwst Sätze\r\nÄnderung Mwst Satz 0:    19,00 %--->    16,00 %"}),
    [](const testing::TestParamInfo<SaveCase>& info) { return std::string(info.param.name); });

// Not a number, or a number beyond what a four-decimal fixed point can hold.
TEST(GeneralSaveFailure, RateThatCannotBeStoredWritesNothing)
{
    for (const float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(), 1e16f}) {
        Installation inst;
        inst.host.addKonto(1, QStringLiteral("Speisen"), 19);
        const TVatRateSlots loaded = inst.dm->LoadVatRates();

        // Slot 0 is valid and comes first: its update must not survive either.
        EXPECT_FALSE(
            inst.dm->SaveGeneralVatRates(withSlot(existing({16, 7, 0, 10.7f, 5.5f}), 4, {true, bad})))
            << bad;
        EXPECT_FALSE(inst.dm->LastError().isEmpty()) << bad;

        EXPECT_EQ(inst.storedSlots(), QStringList({"19", "7", "0", "10.7", "5.5"})) << bad;
        EXPECT_EQ(inst.accounts(), QStringList({"19"})) << bad;
        EXPECT_EQ(inst.host.protocolCount(), 0) << bad;
        EXPECT_FALSE(inst.dm->trcKovantel.Active()) << bad;
        expectSlots(inst.dm->VatRates, loaded);
    }
}

TEST(GeneralSaveFailure, SettingsRowHeldByAnotherTransactionWritesNothing)
{
    Installation inst;
    inst.host.addKonto(1, QStringLiteral("Speisen"), 7);
    const TVatRateSlots loaded = inst.dm->LoadVatRates();

    fb::FbDatabase other;
    other.DBName = inst.host.connectionString();
    other.ConnectParams = {QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=plumtrove")};
    other.Open();
    fb::FbTransaction holder(&other);
    fb::FbQuery hold(&other, &holder,
                     QStringLiteral("update einstellungen set varwert = 'gesperrt' where schluessel = :k"));
    hold.ParamByName(QStringLiteral("k")).setAsString(QStringLiteral("MwstSatz1"));
    holder.StartTransaction();
    hold.ExecQuery();

    // Slot 0 is written before slot 1 runs into the lock.
    EXPECT_FALSE(inst.dm->SaveGeneralVatRates(existing({16, 5, 0, 10.7f, 5.5f})));
    EXPECT_FALSE(inst.dm->trcKovantel.Active());
    holder.Rollback();

    EXPECT_EQ(inst.storedSlots(), QStringList({"19", "7", "0", "10.7", "5.5"}));
    EXPECT_EQ(inst.accounts(), QStringList({"7"}));
    EXPECT_EQ(inst.host.protocolCount(), 0);
    expectSlots(inst.dm->VatRates, loaded);
}

// ---------------------------------------------------------------------------------------
// Loading the slots and the account mapping

TEST(AccountMapping, AnAccountEqualToTwoSlotsBelongsToTheLowerOne)
{
    Installation inst(ProtocolForm::V8, std::array<double, 5>{19, 7, 0, 7, 5.5});
    inst.host.addKonto(1, QStringLiteral("Doppelt"), 7);
    inst.dm->LoadVatRates();
    EXPECT_EQ(inst.mapping(), (std::vector<std::pair<QString, int>>{{QStringLiteral("Doppelt"), 1}}));

    ASSERT_TRUE(inst.dm->SaveGeneralVatRates(existing({19, 7, 0, 8, 5.5f})));
    EXPECT_EQ(inst.slot(3), QStringLiteral("8"));
    EXPECT_EQ(inst.accounts(), QStringList({"7"}));
}

TEST(AccountMapping, LongNamesAreKeptWholeAndUnnamedAccountsLeftAlone)
{
    Installation inst;
    const QString longName = QStringLiteral("Speisen außer Haus, ermäßigter Satz (Lieferdienst)");
    ASSERT_GT(longName.size(), 30);
    inst.host.addKonto(1, QVariant(), 7);
    inst.host.addKonto(2, longName, 7);
    inst.dm->LoadVatRates();
    EXPECT_EQ(inst.mapping(), (std::vector<std::pair<QString, int>>{{longName, 1}}));

    ASSERT_TRUE(inst.dm->SaveGeneralVatRates(existing({19, 5, 0, 10.7f, 5.5f})));
    EXPECT_EQ(inst.accounts(), QStringList({"7", "5"}));
}

struct KeyCase
{
    const char* name;
    const char* key;
    QVariant value;
    int slot; // the slot that exists afterwards, -1 for none
    float rate;
};

void PrintTo(const KeyCase& c, std::ostream* os)
{
    *os << c.name;
}

class SettingsKey : public testing::TestWithParam<KeyCase>
{
};

TEST_P(SettingsKey, ReadsAsItsSlot)
{
    const KeyCase& c = GetParam();
    Installation inst(ProtocolForm::V8, std::nullopt);
    inst.host.setRate(0, c.value, QString::fromLatin1(c.key));

    TVatRateSlots expected{};
    if (c.slot >= 0)
        expected[static_cast<std::size_t>(c.slot)] = {true, c.rate};
    const TVatRateSlots loaded = inst.dm->LoadVatRates();
    expectSlots(loaded, expected);
    expectSlots(inst.dm->VatRates, expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, SettingsKey,
                         testing::Values(KeyCase{"AsTheHostWritesIt", "MwstSatz1", 7.0, 1, 7},
                                         KeyCase{"LowerCase", "mwstsatz3", 10.7, 3, 10.7f},
                                         KeyCase{"UpperCase", "MWSTSATZ4", 5.5, 4, 5.5f},
                                         KeyCase{"NullValue", "MwstSatz2", QVariant(), 2, 0},
                                         KeyCase{"Negative", "MwstSatz1", -7.0, 1, -7},
                                         KeyCase{"FourDecimals", "MwstSatz1", 7.1234, 1, 7.1234f},
                                         KeyCase{"LargerThanAnyRate", "MwstSatz1", 1e12, 1, 1e12f},
                                         KeyCase{"LongerKeyIsNoSlot", "MwstSatz30", 8.0, -1, 0}),
                         [](const testing::TestParamInfo<KeyCase>& info) {
                             return std::string(info.param.name);
                         });

// A key in another letter case is the same slot for the save as well: its row is written
// and its accounts follow.
TEST(AccountMapping, SlotStoredInLowerCaseIsSavedWithItsAccounts)
{
    Installation inst(ProtocolForm::V8, std::array<double, 5>{19, 7, 0, 0, 5.5});
    inst.host.exec(QStringLiteral("delete from einstellungen where schluessel = 'MwstSatz3'"));
    inst.host.setRate(3, 10.7, QStringLiteral("mwstsatz3"));
    inst.host.addKonto(1, QStringLiteral("Hotel"), 10.7);
    inst.dm->LoadVatRates();

    ASSERT_TRUE(inst.dm->SaveGeneralVatRates(existing({19, 7, 0, 9, 5.5f})));
    EXPECT_EQ(inst.slot(3, QStringLiteral("mwstsatz3")), QStringLiteral("9"));
    EXPECT_EQ(inst.accounts(), QStringList({"9"}));
    EXPECT_EQ(inst.protocolText(),
              cp1252("Änderung Mwst Sätze\r\nÄnderung Mwst Satz 3:    10,70 %--->     9,00 %"));
}

TEST(AccountMapping, WithoutConnectionFiveMissingSlotsAndTheMappingKept)
{
    Installation inst;
    inst.host.addKonto(1, QStringLiteral("Speisen"), 7);
    inst.dm->LoadVatRates();
    const auto mapped = inst.mapping();
    ASSERT_EQ(mapped.size(), 1u);
    inst.dm->CloseDatabase();

    const TVatRateSlots loaded = inst.dm->LoadVatRates();

    expectSlots(loaded, TVatRateSlots{});
    expectSlots(inst.dm->VatRates, TVatRateSlots{});
    EXPECT_EQ(inst.mapping(), mapped);
}

} // namespace
