#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace data {

// In-memory mapping of cash-book accounts to the rate slot whose value their rate equalled
// at the last load. Names are kept whole: a cut name would match no account.
class TKassenbuchkontenTable
{
public:
    struct Row
    {
        QString kontobezeichnung;
        std::int16_t mwstsatznr = 0;
        double steuersatz = 0; // the account's rate when the mapping was read
        std::int32_t kontonr = 0;
    };

    void Open() { m_open = true; }
    void Close()
    {
        m_rows.clear();
        m_filter.reset();
        m_open = false;
    }
    bool Active() const { return m_open; }
    void Empty() { m_rows.clear(); }
    void Append(const Row& row) { m_rows.push_back(row); }

    // The accounts of a slot now carry this rate.
    void SetSlotRate(int slot, double rate)
    {
        for (Row& r : m_rows)
            if (r.mwstsatznr == slot)
                r.steuersatz = rate;
    }

    // Restricts iteration to one slot until the filter is removed.
    void SetSlotFilter(int slot) { m_filter = slot; }
    void ClearFilter() { m_filter.reset(); }
    bool Filtered() const { return m_filter.has_value(); }

    // Rows that pass the filter, in insertion order.
    std::vector<Row> Rows() const;

private:
    std::vector<Row> m_rows;
    std::optional<int> m_filter;
    bool m_open = false;
};

inline std::vector<TKassenbuchkontenTable::Row> TKassenbuchkontenTable::Rows() const
{
    if (!m_filter)
        return m_rows;
    std::vector<Row> out;
    for (const Row& r : m_rows)
        if (r.mwstsatznr == *m_filter)
            out.push_back(r);
    return out;
}

} // namespace data
