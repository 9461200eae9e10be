#include "widgets/LookupComboBox.h"

#include <QAbstractItemView>

namespace widgets {

TDBLookupComboBox::TDBLookupComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    // Cream, as the host's own lookup boxes are.
    setStyleSheet(QStringLiteral("QComboBox { background: rgb(255, 251, 240); }"
                                 "QComboBox QAbstractItemView { background: rgb(255, 251, 240); }"));
    connect(this, &QComboBox::activated, this, [this](int row) {
        if (m_updating || row < 0)
            return;
        const QVariant key = itemData(row, m_keyRole);
        if (!key.isValid())
            return;
        m_key = key.toInt();
        emit KeyPicked(*m_key);
    });
}

void TDBLookupComboBox::SetListSource(QAbstractItemModel* list, int keyRole)
{
    m_keyRole = keyRole;
    setModel(list);
    // A list read anew (the page entered again) must still show the chosen key.
    connect(list, &QAbstractItemModel::modelReset, this, &TDBLookupComboBox::ShowKey);
    connect(list, &QAbstractItemModel::rowsInserted, this, &TDBLookupComboBox::ShowKey);
    ShowKey();
}

void TDBLookupComboBox::SetKeyValue(std::optional<int> key)
{
    m_key = key;
    ShowKey();
}

void TDBLookupComboBox::ShowKey()
{
    m_updating = true;
    setCurrentIndex(m_key ? findData(*m_key, m_keyRole) : -1);
    m_updating = false;
}

void TDBLookupComboBox::showPopup()
{
    QComboBox::showPopup();
    // The list opens aligned to the box's right edge when it is wider than the box.
    if (QWidget* popup = view()->window(); popup && popup->width() > width()) {
        const QPoint right = mapToGlobal(QPoint(width(), 0));
        popup->move(right.x() - popup->width(), popup->y());
    }
}

} // namespace widgets
