#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace data {

// One article of the articles page: the host's article with its current slots and rates,
// and whether the user has moved it into the selection.
struct TArticleRow
{
    QString warengruppe;        // empty: the article has no product group
    QString artikelbezeichnung; // at most 30 characters
    std::int32_t artikelid = 0;
    std::int16_t idmwstsatzih = 0;
    std::int16_t idmwstsatzah = 0;
    double mwstsatzih = 0; // 0 when the slot has no settings row
    double mwstsatzah = 0;
    std::int16_t ausgewaehlt = 0; // 0 available, 1 selected
};

// The in-memory article table. Articles are found by key through an index, so that ticking
// and moving every article of a chain stays linear in their number.
class TArticlesTable
{
public:
    // Text fields hold at most this many characters; longer text is cut when stored.
    static constexpr int TextWidth = 30;

    void Open() { m_open = true; }
    void Close();
    bool Active() const { return m_open; }
    void Empty();
    void Reserve(std::size_t count);
    // Appends in list order; text is cut to the field width.
    void Append(TArticleRow row);

    // The row of that article, or nullptr.
    TArticleRow* Locate(std::int32_t artikelid);
    const TArticleRow* Locate(std::int32_t artikelid) const;
    // Sets the selected mark of one article; false when there is no such article.
    bool SetSelected(std::int32_t artikelid, bool selected);

    // The filter on the selected mark that the page sets while it reads one of its lists.
    void SetFilter(std::int16_t ausgewaehlt) { m_filter = ausgewaehlt; }
    void ClearFilter() { m_filter.reset(); }
    bool Filtered() const { return m_filter.has_value(); }
    bool Passes(const TArticleRow& row) const { return !m_filter || row.ausgewaehlt == *m_filter; }
    // Records that pass the filter.
    std::size_t RecordCount() const;
    std::size_t SelectedCount() const { return m_selected; }

    // Every row in list order, whatever the filter; callers check Passes().
    const std::vector<TArticleRow>& Rows() const { return m_rows; }

private:
    std::vector<TArticleRow> m_rows;
    std::unordered_map<std::int32_t, std::size_t> m_index;
    std::optional<std::int16_t> m_filter;
    std::size_t m_selected = 0;
    bool m_open = false;
};

// The new-rate choice: one record holding the slot numbers the selected articles will get.
class TVatRatesChoice
{
public:
    void Open() { m_open = true; }
    void Close()
    {
        m_record.reset();
        m_open = false;
    }
    bool Active() const { return m_open; }
    void Append(std::int32_t imhaus, std::int32_t ausserhaus) { m_record = Record{imhaus, ausserhaus}; }
    bool HasRecord() const { return m_record.has_value(); }

    // Fields by name in any letter case ("imHaus", "ausserhaus"); 0 without a record or
    // for an unknown name.
    std::int32_t Value(const QString& field) const;
    // False without a record or for an unknown name.
    bool SetValue(const QString& field, std::int32_t value);

    std::int32_t imhaus() const { return m_record ? m_record->imhaus : 0; }
    std::int32_t ausserhaus() const { return m_record ? m_record->ausserhaus : 0; }

private:
    struct Record
    {
        std::int32_t imhaus = 0;
        std::int32_t ausserhaus = 0;
    };
    std::int32_t* field(const QString& name);
    std::optional<Record> m_record;
    bool m_open = false;
};

} // namespace data
