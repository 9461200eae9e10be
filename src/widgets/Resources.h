#pragma once

#include <QIcon>
#include <QString>

namespace widgets {

// The pictures are compiled into the static library, whose resource
// initialiser the linker would drop unless something refers to it: call this
// once from main() (and from tests) before the first icon is loaded.
void InitResources();

// The icon ":/icons/<name>.svg", with ":/icons/<name>_disabled.svg" as its
// Disabled look where that drawing exists (Qt's own greying of a coloured
// picture is too faint on the touch screens). Null if there is no such icon.
QIcon LoadIcon(const QString& name);

} // namespace widgets
