#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace nightaudit {

class TaskStore;

// The key editor "Edit Keys": lists the keys of one key sequence and rewrites the
// text, type and wait after of one of them, then closes. Inputs that would make
// the update invalid are refused with a message and nothing is written.
class KeyEditor : public QDialog {
    Q_OBJECT
public:
    using Messenger = std::function<void(QWidget* parent, const QString& text)>;

    // Loads the keys of the key sequence `keySequenceId`. Store errors are thrown.
    KeyEditor(TaskStore& store, std::int16_t keySequenceId, QWidget* parent = nullptr);

    // Where refusals go; a message box unless a test sets its own.
    void setMessenger(Messenger messenger) { m_tell = std::move(messenger); }

    // Fills the boxes from the key selected in the list.
    void showSelectedKey();
    // Update: writes the boxes to the selected key and closes, or says why not.
    void applyUpdate();

private:
    void loadKeys();
    std::optional<QString> checkInput(QString& waitAfter, QString& keyType) const;

    TaskStore& m_store;
    std::int16_t m_keySequenceId;
    Messenger m_tell;
    QGroupBox* m_frame = nullptr;
    QListWidget* m_keys = nullptr;
    QLineEdit* m_keyText = nullptr;
    QLineEdit* m_keyType = nullptr;
    QLineEdit* m_waitAfter = nullptr;
};

}  // namespace nightaudit
