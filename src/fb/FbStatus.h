#pragma once

// Internal to the client layer: a status wrapper whose failures become FbError, and a guard
// for interfaces.

#include "fb/FbClient.h"
#include "fb/FbError.h"

#include <firebird/Interface.h>

namespace fb::detail {

class Status
{
public:
    Status() : m_status(Client::instance().master()->getStatus()), m_wrapper(m_status) {}
    ~Status() { m_status->dispose(); }
    Status(const Status&) = delete;
    Status& operator=(const Status&) = delete;

    Firebird::CheckStatusWrapper* operator&() { return &m_wrapper; }
    Firebird::CheckStatusWrapper* get() { return &m_wrapper; }

    bool failed() const { return (m_status->getState() & Firebird::IStatus::STATE_ERRORS) != 0; }
    void check()
    {
        if (failed()) {
            FbError e = FbError::fromStatus(m_status);
            m_status->init();
            throw e;
        }
    }
    void clear() { m_status->init(); }

private:
    Firebird::IStatus* m_status;
    Firebird::CheckStatusWrapper m_wrapper;
};

// Releases an interface on every path unless ownership was taken back (p = nullptr).
template <class T> struct Released
{
    T* p = nullptr;
    ~Released()
    {
        if (p)
            p->release();
    }
};

} // namespace fb::detail
