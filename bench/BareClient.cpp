#include "BareClient.h"

#include "fb/FbClient.h"

#include <cctype>
#include <cmath>
#include <stdexcept>

using namespace Firebird;

namespace bench::bare {

IMaster* master()
{
    // The library is loaded once per process; the tool and the baselines share it.
    return fb::Client::instance().master();
}

Status::Status() : m_status(master()->getStatus()), m_wrapper(m_status) {}

Status::~Status()
{
    m_status->dispose();
}

void Status::check()
{
    if (!(m_status->getState() & IStatus::STATE_ERRORS))
        return;
    char text[1024];
    master()->getUtilInterface()->formatStatus(text, sizeof text, m_status);
    m_status->init();
    throw std::runtime_error(text);
}

IAttachment* attach(Status& st, const QString& connection, const AttachOptions& options)
{
    QByteArray dpb;
    dpb.append(char(isc_dpb_version1));
    auto add = [&dpb](int tag, const QByteArray& v) {
        dpb.append(char(tag));
        dpb.append(char(v.size()));
        dpb.append(v);
    };
    add(isc_dpb_user_name, "SYSDBA");
    add(isc_dpb_password, "plumtrove");
    add(isc_dpb_sql_role_name, "");
    if (!options.charset.isEmpty())
        add(isc_dpb_lc_ctype, options.charset);
    if (options.forceWrite)
        dpb.append(char(isc_dpb_force_write)).append(char(1)).append(char(1));
    dpb.append(char(isc_dpb_sql_dialect)).append(char(1)).append(char(3));
    const QByteArray name = connection.toLocal8Bit();
    IAttachment* att =
        master()->getDispatcher()->attachDatabase(&st, name.constData(), static_cast<unsigned>(dpb.size()),
                                                  reinterpret_cast<const unsigned char*>(dpb.constData()));
    // The dispatcher is a reference of its own; the process keeps the library loaded.
    st.check();
    return att;
}

ITransaction* startTransaction(Status& st, IAttachment* att)
{
    static const unsigned char tpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_nowait, isc_tpb_rec_version,
                                        isc_tpb_read_committed};
    ITransaction* tr = att->startTransaction(&st, sizeof tpb, tpb);
    st.check();
    return tr;
}

IStatement* prepare(Status& st, IAttachment* att, ITransaction* tr, const char* sql)
{
    // The host statements hold no quoted colons, so a plain scan is enough here.
    QByteArray text;
    for (const char* p = sql; *p; ++p) {
        if (*p == ':' && (std::isalpha(static_cast<unsigned char>(p[1])) || p[1] == '_')) {
            text += '?';
            while (std::isalnum(static_cast<unsigned char>(p[1])) || p[1] == '_' || p[1] == '$')
                ++p;
        } else {
            text += *p;
        }
    }
    IStatement* s = att->prepare(&st, tr, static_cast<unsigned>(text.size()), text.constData(), 3,
                                 IStatement::PREPARE_PREFETCH_METADATA);
    st.check();
    return s;
}

Message::Message(Status& st, IMessageMetadata* meta) : m_meta(meta)
{
    const unsigned count = meta->getCount(&st);
    st.check();
    m_fields.resize(count);
    for (unsigned i = 0; i < count; ++i) {
        Field& f = m_fields[i];
        f.type = meta->getType(&st, i) & ~1u;
        f.scale = meta->getScale(&st, i);
        f.length = meta->getLength(&st, i);
        f.offset = meta->getOffset(&st, i);
        f.nullOffset = meta->getNullOffset(&st, i);
        st.check();
    }
    m_buffer.assign(meta->getMessageLength(&st), 0);
    st.check();
}

Message::~Message()
{
    if (m_meta)
        m_meta->release();
}

Message::Message(Message&& other) noexcept
    : m_meta(other.m_meta), m_fields(std::move(other.m_fields)), m_buffer(std::move(other.m_buffer))
{
    other.m_meta = nullptr;
}

Message& Message::operator=(Message&& other) noexcept
{
    if (this != &other) {
        if (m_meta)
            m_meta->release();
        m_meta = other.m_meta;
        m_fields = std::move(other.m_fields);
        m_buffer = std::move(other.m_buffer);
        other.m_meta = nullptr;
    }
    return *this;
}

void Message::setInt(unsigned i, std::int64_t v)
{
    const Field& f = m_fields[i];
    setNull(i, false);
    switch (f.type) {
    case SQL_SHORT:
        store(f.offset, static_cast<std::int16_t>(v));
        break;
    case SQL_LONG:
        store(f.offset, static_cast<std::int32_t>(v));
        break;
    case SQL_INT64:
        store(f.offset, v);
        break;
    default:
        throw std::runtime_error("setInt: not an integer field");
    }
}

std::int64_t Message::getInt(unsigned i) const
{
    const Field& f = m_fields[i];
    if (isNull(i))
        return 0;
    switch (f.type) {
    case SQL_SHORT:
        return load<std::int16_t>(f.offset);
    case SQL_LONG:
        return load<std::int32_t>(f.offset);
    case SQL_INT64:
        return load<std::int64_t>(f.offset);
    default:
        throw std::runtime_error("getInt: not an integer field");
    }
}

double Message::getDouble(unsigned i) const
{
    const Field& f = m_fields[i];
    if (isNull(i))
        return 0;
    switch (f.type) {
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        return load<double>(f.offset);
    case SQL_FLOAT:
        return load<float>(f.offset);
    default:
        return static_cast<double>(getInt(i)) * std::pow(10.0, f.scale);
    }
}

void Message::setText(unsigned i, const char* bytes, std::size_t length)
{
    const Field& f = m_fields[i];
    setNull(i, false);
    if (f.type == SQL_VARYING) {
        const auto n = static_cast<std::uint16_t>(std::min<std::size_t>(length, f.length));
        store(f.offset, n);
        std::memcpy(m_buffer.data() + f.offset + 2, bytes, n);
    } else if (f.type == SQL_TEXT) {
        const std::size_t n = std::min<std::size_t>(length, f.length);
        std::memcpy(m_buffer.data() + f.offset, bytes, n);
        std::memset(m_buffer.data() + f.offset + n, ' ', f.length - n);
    } else {
        throw std::runtime_error("setText: not a text field");
    }
}

const char* Message::textData(unsigned i, unsigned& length) const
{
    const Field& f = m_fields[i];
    if (isNull(i)) {
        length = 0;
        return "";
    }
    const char* p = reinterpret_cast<const char*>(m_buffer.data() + f.offset);
    if (f.type == SQL_VARYING) {
        length = load<std::uint16_t>(f.offset);
        return p + 2;
    }
    length = f.length;
    return p;
}

QByteArray Message::getText(unsigned i) const
{
    unsigned length = 0;
    const char* p = textData(i, length);
    return QByteArray(p, static_cast<qsizetype>(length));
}

Message inputMessage(Status& st, IStatement* statement)
{
    IMessageMetadata* meta = statement->getInputMetadata(&st);
    st.check();
    return Message(st, meta);
}

Message outputMessage(Status& st, IStatement* statement)
{
    IMessageMetadata* meta = statement->getOutputMetadata(&st);
    st.check();
    return Message(st, meta);
}

void release(IStatement*& statement)
{
    if (!statement)
        return;
    Status st;
    statement->free(&st);
    statement = nullptr;
}

void detach(IAttachment*& att)
{
    if (!att)
        return;
    Status st;
    att->detach(&st);
    att = nullptr;
}

} // namespace bench::bare
