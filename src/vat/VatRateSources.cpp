#include "vat/VatRateSources.h"

#include "fb/FbStatement.h"
#include "vat/ProtocolText.h"

namespace data {

void TVatRatesListSource::Refresh(fb::FbDataSet& list)
{
    beginResetModel();
    m_slots.clear();
    if (list.Active()) {
        const fb::FbField id = list.FieldByName(QStringLiteral("ID"));
        const fb::FbField rate = list.FieldByName(QStringLiteral("MWSTSATZ"));
        for (list.First(); !list.Eof(); list.Next())
            m_slots.push_back({id.AsInteger(), FormatRatePercent(rate.AsCurrency().toDouble())});
        list.First();
    }
    endResetModel();
}

void TVatRatesListSource::Clear()
{
    beginResetModel();
    m_slots.clear();
    endResetModel();
}

int TVatRatesListSource::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_slots.size());
}

QVariant TVatRatesListSource::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount())
        return {};
    const Slot& s = m_slots[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return s.text;
    case KeyRole:
        return s.id;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    default:
        return {};
    }
}

int TVatRatesListSource::RowOfKey(std::int32_t id) const
{
    for (std::size_t i = 0; i < m_slots.size(); ++i)
        if (m_slots[i].id == id)
            return static_cast<int>(i);
    return -1;
}

void TNewVatRatesSource::SetValue(const QString& field, std::int32_t value)
{
    if (m_choice->Value(field) == value && HasRecord())
        return;
    if (m_choice->SetValue(field, value))
        emit DataChanged();
}

} // namespace data
