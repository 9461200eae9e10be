#include "fb/FbInputMessage.h"

#include "fb/FbParam.h"
#include "fb/FbStatus.h"
#include "fb/FbValueConvert.h"

#include <algorithm>
#include <cstring>

using namespace Firebird;

namespace fb::detail {

namespace {

constexpr unsigned CharsetNone = 0;
// The longest VARCHAR Firebird 3 takes, in bytes.
constexpr unsigned MaxVarying = 32765;
// Room for short values such as numbers and dates given as text.
constexpr unsigned MinRoom = 64;
// A text column's own length is room enough for every value it can hold; beyond this the
// message would grow for values that never come.
constexpr unsigned ColumnRoomLimit = 4096;

// Room for a text of `length` bytes, generous enough that the values a statement sees in
// a run fit without a new layout. A value longer than any VARCHAR still goes out whole,
// so that the server refuses it instead of this layer cutting it.
unsigned roomFor(qsizetype length, unsigned describedType, unsigned describedLength)
{
    const auto len = static_cast<unsigned>(length);
    unsigned room = std::max(MinRoom, 2 * len);
    if (describedType == SQL_TEXT || describedType == SQL_VARYING)
        room = std::max(room, std::min(describedLength, ColumnRoomLimit));
    return std::max(len, std::min(room, MaxVarying));
}

} // namespace

void FbInputMessage::reset()
{
    if (m_meta)
        m_meta->release();
    m_meta = nullptr;
    if (m_described)
        m_described->release();
    m_described = nullptr;
    m_slots.clear();
    m_texts.clear();
    m_buffer.clear();
}

void FbInputMessage::describe(IStatement* statement)
{
    Status status;
    Released<IMessageMetadata> described;
    described.p = statement->getInputMetadata(&status);
    status.check();
    const unsigned count = described.p->getCount(&status);
    status.check();
    std::vector<Slot> layout(count);
    for (unsigned i = 0; i < count; ++i) {
        layout[i].described = baseType(described.p->getType(&status, i));
        layout[i].describedLength = described.p->getLength(&status, i);
        status.check();
    }
    m_slots = std::move(layout);
    m_texts.assign(count, QByteArray());
    m_described = described.p;
    described.p = nullptr;
}

IMessageMetadata* FbInputMessage::fill(IStatement* statement, const std::vector<const FbParam*>& values)
{
    if (!m_described)
        describe(statement);
    if (values.size() != m_slots.size())
        throw FbError(QStringLiteral("Die Anzahl der Parameter passt nicht zur Anweisung."));
    if (m_slots.empty())
        return nullptr;

    bool fits = m_meta != nullptr;
    for (std::size_t i = 0; i < m_slots.size(); ++i) {
        const FbParam& p = *values[i];
        const Slot& s = m_slots[i];
        if (sendsAsText(p, s.described)) {
            m_texts[i] = paramText(p);
            fits = fits && s.text && static_cast<std::size_t>(m_texts[i].size()) <= s.room;
        } else {
            m_texts[i].clear();
            // NULL goes in any layout: only its flag is read.
            fits = fits && (p.IsNull() || !s.text);
        }
    }
    if (!fits)
        build(values);

    for (std::size_t i = 0; i < m_slots.size(); ++i) {
        const FbParam& p = *values[i];
        const Slot& s = m_slots[i];
        const std::int16_t nullFlag = p.IsNull() ? -1 : 0;
        std::memcpy(&m_buffer[s.nullOffset], &nullFlag, sizeof nullFlag);
        if (p.IsNull())
            continue;
        if (s.text) {
            const QByteArray& t = m_texts[i];
            const auto len = static_cast<std::uint16_t>(t.size());
            std::memcpy(&m_buffer[s.offset], &len, sizeof len);
            std::memcpy(&m_buffer[s.offset + 2], t.constData(), static_cast<std::size_t>(t.size()));
        } else {
            writeNumber(p, s.type, s.scale, &m_buffer[s.offset]);
        }
    }
    return m_meta;
}

void FbInputMessage::build(const std::vector<const FbParam*>& values)
{
    Status status;
    Released<IMetadataBuilder> builder;
    builder.p = m_described->getBuilder(&status);
    status.check();
    // Built on a copy, so that a failure leaves the previous layout whole.
    std::vector<Slot> layout = m_slots;
    for (unsigned i = 0; i < layout.size(); ++i) {
        const FbParam& p = *values[i];
        Slot& s = layout[i];
        s.text = sendsAsText(p, s.described) || (p.IsNull() && isTextLike(s.described));
        if (s.text) {
            // Text goes to the server as it is and the server converts it to the column's
            // type, so that an over-long value is refused there instead of being cut here.
            s.room = roomFor(m_texts[i].size(), s.described, s.describedLength);
            builder.p->setType(&status, i, SQL_VARYING + 1);
            builder.p->setCharSet(&status, i, CharsetNone);
            builder.p->setLength(&status, i, s.room);
        } else {
            s.room = 0;
            builder.p->setType(&status, i, s.described + 1);
        }
        status.check();
    }
    Released<IMessageMetadata> meta;
    meta.p = builder.p->getMetadata(&status);
    status.check();
    const unsigned length = meta.p->getMessageLength(&status);
    status.check();
    for (unsigned i = 0; i < layout.size(); ++i) {
        Slot& s = layout[i];
        s.type = baseType(meta.p->getType(&status, i));
        s.scale = meta.p->getScale(&status, i);
        s.offset = meta.p->getOffset(&status, i);
        s.nullOffset = meta.p->getNullOffset(&status, i);
        status.check();
    }

    m_buffer.assign(length, 0);
    m_slots = std::move(layout);
    if (m_meta)
        m_meta->release();
    m_meta = meta.p;
    meta.p = nullptr;
    ++m_builds;
}

} // namespace fb::detail
