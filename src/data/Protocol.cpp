#include "data/MainData.h"
#include "data/TransactionSteps.h"

namespace data {

void TMainDM::WriteProtocol(TMitarbeiter employee, const QString& text, std::int32_t category)
{
    // Only version 8 databases have the employee id and signature columns; later versions
    // take the four-column form as well.
    fb::FbQuery& q = DatabaseVersion == 8 ? qryInsVorgangV8 : qryInsVorgang;
    if (DatabaseVersion == 8)
        q.ParamByName(QStringLiteral("KellnerID")).setAsInteger(employee.MitarbeiterNr);
    q.ParamByName(QStringLiteral("Kellner")).setAsString(employee.Name);
    q.ParamByName(QStringLiteral("KassenID")).setAsInteger(KassenID);
    q.ParamByName(QStringLiteral("Vorgang")).setAsString(text);
    q.ParamByName(QStringLiteral("Kategorie")).setAsInteger(category);

    // An active transaction is joined: its commit makes the caller's changes and this
    // entry final together.
    PassingWriteStep(trcKovantel, [&] { q.ExecQuery(); });
}

} // namespace data
