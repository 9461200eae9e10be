#include "widgets/Resources.h"

#include <QFile>

// Q_INIT_RESOURCE declares the initialiser it calls, which must then live in
// the global namespace; so the macro runs outside namespace widgets.
static void initKovantelResources()
{
    Q_INIT_RESOURCE(kovantel);
}

namespace widgets {

void InitResources()
{
    initKovantelResources();
}

QIcon LoadIcon(const QString& name)
{
    const QString normal = QStringLiteral(":/icons/%1.svg").arg(name);
    if (!QFile::exists(normal))
        return QIcon();
    QIcon icon;
    icon.addFile(normal, QSize(), QIcon::Normal);
    const QString disabled = QStringLiteral(":/icons/%1_disabled.svg").arg(name);
    if (QFile::exists(disabled))
        icon.addFile(disabled, QSize(), QIcon::Disabled);
    return icon;
}

} // namespace widgets
