#include "vat/ArticlesTable.h"

#include <algorithm>

namespace data {

void TArticlesTable::Close()
{
    Empty();
    m_filter.reset();
    m_open = false;
}

void TArticlesTable::Empty()
{
    m_rows.clear();
    m_index.clear();
    m_selected = 0;
}

void TArticlesTable::Reserve(std::size_t count)
{
    m_rows.reserve(count);
    m_index.reserve(count);
}

void TArticlesTable::Append(TArticleRow row)
{
    // Host text is single-byte, so a character is a byte and the cut is exact.
    if (row.warengruppe.size() > TextWidth)
        row.warengruppe.truncate(TextWidth);
    if (row.artikelbezeichnung.size() > TextWidth)
        row.artikelbezeichnung.truncate(TextWidth);
    if (row.ausgewaehlt == 1)
        ++m_selected;
    // The key is the host's primary key; should it ever repeat, the first row is the one
    // that is found, as a search from the top would find it.
    m_index.try_emplace(row.artikelid, m_rows.size());
    m_rows.push_back(std::move(row));
}

TArticleRow* TArticlesTable::Locate(std::int32_t artikelid)
{
    const auto it = m_index.find(artikelid);
    return it == m_index.end() ? nullptr : &m_rows[it->second];
}

const TArticleRow* TArticlesTable::Locate(std::int32_t artikelid) const
{
    const auto it = m_index.find(artikelid);
    return it == m_index.end() ? nullptr : &m_rows[it->second];
}

bool TArticlesTable::SetSelected(std::int32_t artikelid, bool selected)
{
    TArticleRow* row = Locate(artikelid);
    if (!row)
        return false;
    const std::int16_t mark = selected ? 1 : 0;
    if (row->ausgewaehlt != mark) {
        if (row->ausgewaehlt == 1)
            --m_selected;
        if (mark == 1)
            ++m_selected;
        row->ausgewaehlt = mark;
    }
    return true;
}

std::size_t TArticlesTable::RecordCount() const
{
    if (!m_filter)
        return m_rows.size();
    if (*m_filter == 1)
        return m_selected;
    return static_cast<std::size_t>(
        std::count_if(m_rows.begin(), m_rows.end(), [this](const TArticleRow& r) { return Passes(r); }));
}

std::int32_t* TVatRatesChoice::field(const QString& name)
{
    if (!m_record)
        return nullptr;
    if (name.compare(QLatin1String("imhaus"), Qt::CaseInsensitive) == 0)
        return &m_record->imhaus;
    if (name.compare(QLatin1String("ausserhaus"), Qt::CaseInsensitive) == 0)
        return &m_record->ausserhaus;
    return nullptr;
}

std::int32_t TVatRatesChoice::Value(const QString& name) const
{
    const std::int32_t* f = const_cast<TVatRatesChoice*>(this)->field(name);
    return f ? *f : 0;
}

bool TVatRatesChoice::SetValue(const QString& name, std::int32_t value)
{
    std::int32_t* f = field(name);
    if (!f)
        return false;
    *f = value;
    return true;
}

} // namespace data
