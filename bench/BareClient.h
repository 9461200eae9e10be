#pragma once

// The bare Firebird client, for the baselines: nothing but the official interface, with
// the connection and transaction parameters the tool uses. Errors become
// std::runtime_error with the client's own text.

#include <firebird/Interface.h>

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstring>
#include <vector>

namespace bench::bare {

// One status object, reused for every call, as a hand-written client would.
class Status
{
public:
    Status();
    ~Status();
    Status(const Status&) = delete;
    Status& operator=(const Status&) = delete;

    Firebird::CheckStatusWrapper* operator&() { return &m_wrapper; }
    // Throws when the last call failed.
    void check();

private:
    Firebird::IStatus* m_status;
    Firebird::CheckStatusWrapper m_wrapper;
};

Firebird::IMaster* master();

struct AttachOptions
{
    bool forceWrite = false; // sets forced writes on the database as it attaches
    QByteArray charset;      // lc_ctype; empty: none, as the tool connects
};

// user SYSDBA, the servers' password, an empty role, dialect 3: what the tool sends.
Firebird::IAttachment* attach(Status& st, const QString& connection, const AttachOptions& options = {});
// write, nowait, rec_version, read_committed.
Firebird::ITransaction* startTransaction(Status& st, Firebird::IAttachment* att);
// Prepares the statement as the server receives it from the tool: its named parameters
// (":name") become positional ones, in the order they appear.
Firebird::IStatement* prepare(Status& st, Firebird::IAttachment* att, Firebird::ITransaction* tr,
                              const char* sql);

// A message laid out as the statement describes it.
class Message
{
public:
    Message() = default;
    Message(Status& st, Firebird::IMessageMetadata* meta);
    ~Message();
    Message(Message&& other) noexcept;
    Message& operator=(Message&& other) noexcept;
    Message(const Message&) = delete;
    Message& operator=(const Message&) = delete;

    Firebird::IMessageMetadata* meta() const { return m_meta; }
    unsigned char* data() { return m_buffer.data(); }
    const unsigned char* data() const { return m_buffer.data(); }
    unsigned count() const { return static_cast<unsigned>(m_fields.size()); }

    bool isNull(unsigned i) const { return load<std::int16_t>(m_fields[i].nullOffset) != 0; }
    void setNull(unsigned i, bool null) { store<std::int16_t>(m_fields[i].nullOffset, null ? -1 : 0); }
    // Integers in the field's own exact type (smallint, integer, bigint).
    void setInt(unsigned i, std::int64_t v);
    std::int64_t getInt(unsigned i) const;
    // A scaled exact number or a double as double.
    double getDouble(unsigned i) const;
    // A VARCHAR or CHAR field, its bytes as stored (CHAR padding stays).
    void setText(unsigned i, const char* bytes, std::size_t length);
    QByteArray getText(unsigned i) const;
    // Where a field's value lies, for the types read by hand (dates).
    const unsigned char* raw(unsigned i) const { return m_buffer.data() + m_fields[i].offset; }
    // Pointer and length of a text field without a copy.
    const char* textData(unsigned i, unsigned& length) const;

private:
    struct Field
    {
        unsigned type = 0;
        int scale = 0;
        unsigned length = 0;
        unsigned offset = 0;
        unsigned nullOffset = 0;
    };
    template <class T> T load(unsigned offset) const
    {
        T v;
        std::memcpy(&v, m_buffer.data() + offset, sizeof v);
        return v;
    }
    template <class T> void store(unsigned offset, T v)
    {
        std::memcpy(m_buffer.data() + offset, &v, sizeof v);
    }

    Firebird::IMessageMetadata* m_meta = nullptr;
    std::vector<Field> m_fields;
    std::vector<unsigned char> m_buffer;
};

Message inputMessage(Status& st, Firebird::IStatement* statement);
Message outputMessage(Status& st, Firebird::IStatement* statement);

// Runs a select and calls `row(message)` for every row; the cursor is closed at the end.
template <class Row>
void fetchAll(Status& st, Firebird::IStatement* statement, Firebird::ITransaction* tr, Message* in,
              Message& out, Row&& row)
{
    Firebird::IResultSet* rs =
        statement->openCursor(&st, tr, in ? in->meta() : nullptr, in ? in->data() : nullptr, out.meta(), 0);
    st.check();
    while (rs->fetchNext(&st, out.data()) == Firebird::IStatus::RESULT_OK)
        row(out);
    st.check();
    rs->close(&st);
    st.check();
}

// Frees the statement and ends the transaction or the attachment; quiet, for clean-up.
void release(Firebird::IStatement*& statement);
void detach(Firebird::IAttachment*& att);

} // namespace bench::bare
