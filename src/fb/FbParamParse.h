#pragma once

#include <QString>

#include <vector>

namespace fb {

// The named parameters of a statement text: ":name" becomes "?" and each position keeps
// the name. String literals, quoted identifiers and comments are left alone.
struct ParsedSql
{
    QString sql;                // with "?" in place of each parameter
    std::vector<QString> names; // upper-cased name of each "?" in order
};
ParsedSql parseNamedParams(const QString& sql);

} // namespace fb
