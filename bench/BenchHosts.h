#pragma once

// Host databases for the comparison run, built once and shared by the paths that read
// the same data.

#include "HostDb.h"

#include <QString>

namespace bench {

// Product groups 1..groups and articles 1..articles in one statement on the server: names
// in Windows-1252 with umlauts, some longer than 30 characters, every 5,000th article
// without a name, every 1,000th without a group, slots spread over 0..4 and a few on 7
// (a slot without a rate).
void BuildArticles(testsupport::HostDb& host, int articles, int groups);

// The usual installation with a large article list; made on first use.
testsupport::HostDb& BigHost(int articles, int groups);

// Drops the shared hosts while the client library and Qt are still there.
void ReleaseHosts();

// Forced writes on, as on a till; the test databases are made with them off. Throws when
// the server did not take it.
void SetForcedWrites(testsupport::HostDb& host);

} // namespace bench
