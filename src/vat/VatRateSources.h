#pragma once

#include "vat/ArticlesTable.h"

#include <QAbstractListModel>

#include <cstdint>
#include <vector>

namespace fb {
class FbDataSet;
}

namespace data {

// The list of existing rate slots as the lookup boxes see it: one row per slot, showing its
// rate ("19,00 %") with the slot number as the key.
class TVatRatesListSource : public QAbstractListModel
{
    Q_OBJECT
public:
    static constexpr int KeyRole = Qt::UserRole;

    using QAbstractListModel::QAbstractListModel;

    // Takes the rows of the slot list (fields ID and MWSTSATZ), or none when it is closed.
    void Refresh(fb::FbDataSet& list);
    void Clear();

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // Row of the slot, or -1.
    int RowOfKey(std::int32_t id) const;

private:
    struct Slot
    {
        std::int32_t id = 0;
        QString text;
    };
    std::vector<Slot> m_slots;
};

// The new-rate choice as the lookup boxes edit it: a field by name, with a signal when the
// choice changes so that bound boxes follow.
class TNewVatRatesSource : public QObject
{
    Q_OBJECT
public:
    TNewVatRatesSource(TVatRatesChoice* choice, QObject* parent) : QObject(parent), m_choice(choice) {}

    bool HasRecord() const { return m_choice->Active() && m_choice->HasRecord(); }
    std::int32_t Value(const QString& field) const { return m_choice->Value(field); }
    void SetValue(const QString& field, std::int32_t value);
    // The table behind it was opened, refilled or closed.
    void Reset() { emit DataChanged(); }

signals:
    void DataChanged();

private:
    TVatRatesChoice* m_choice;
};

} // namespace data
