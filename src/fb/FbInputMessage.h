#pragma once

// Internal to the client layer.

#include <vector>

#include <QByteArray>

namespace Firebird {
class IStatement;
class IMessageMetadata;
} // namespace Firebird

namespace fb {

class FbParam;

namespace detail {

// The input message of one prepared statement: the metadata handed to the server and the
// buffer it describes. A save runs the same few statements thousands of times, so the
// layout is built at the first execution after a prepare and kept for as long as the
// values fit it; only a value that no longer fits (text where a number was sent, or the
// other way round, or text longer than the room kept for it) builds it anew.
class FbInputMessage
{
public:
    FbInputMessage() = default;
    ~FbInputMessage() { reset(); }
    FbInputMessage(const FbInputMessage&) = delete;
    FbInputMessage& operator=(const FbInputMessage&) = delete;

    // Writes the values, one per parameter position of the statement, into the buffer and
    // returns the metadata describing it (owned here, valid until the next fill or reset),
    // or nullptr for a statement without parameters. Throws FbError when a value does not
    // convert or the positions do not match the statement.
    Firebird::IMessageMetadata* fill(Firebird::IStatement* statement,
                                     const std::vector<const FbParam*>& values);
    unsigned char* data() { return m_buffer.empty() ? nullptr : m_buffer.data(); }

    // Forgets the statement's description and the layout; due before the statement is
    // freed or prepared anew.
    void reset();

    // Layouts built over this message's life.
    unsigned builds() const { return m_builds; }

private:
    struct Slot
    {
        unsigned described = 0;       // type the statement expects, without the nullable flag
        unsigned describedLength = 0; // its length in bytes
        bool text = false;            // sent as VARYING, character set NONE
        unsigned room = 0;            // bytes of text the layout holds
        unsigned type = 0;            // as sent, without the nullable flag
        int scale = 0;
        unsigned offset = 0;
        unsigned nullOffset = 0;
    };

    void describe(Firebird::IStatement* statement);
    void build(const std::vector<const FbParam*>& values);

    Firebird::IMessageMetadata* m_described = nullptr;
    Firebird::IMessageMetadata* m_meta = nullptr;
    std::vector<Slot> m_slots;
    std::vector<QByteArray> m_texts; // of the values sent as text, per position
    std::vector<unsigned char> m_buffer;
    unsigned m_builds = 0;
};

} // namespace detail
} // namespace fb
