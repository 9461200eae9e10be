#pragma once

#include <QComboBox>

#include <optional>

namespace widgets {

// A drop-down box that shows and picks a key from a list (a model whose rows carry a key in
// `keyRole` and a text to show). It shows the row of the key it is given and stays empty
// for a key the list does not have; the user's pick is announced with the picked key.
class TDBLookupComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit TDBLookupComboBox(QWidget* parent = nullptr);

    void SetListSource(QAbstractItemModel* list, int keyRole);
    // The key whose row is shown; none shows an empty box.
    void SetKeyValue(std::optional<int> key);
    std::optional<int> KeyValue() const { return m_key; }

signals:
    void KeyPicked(int key);

protected:
    void showPopup() override;

private:
    void ShowKey();

    int m_keyRole = Qt::UserRole;
    std::optional<int> m_key;
    bool m_updating = false;
};

} // namespace widgets
