#include "KeyEditor.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <limits>
#include <optional>
#include <string>

#include "core/Blanks.h"
#include "core/Error.h"
#include "core/Twips.h"
#include "keys/SendKeysParser.h"
#include "store/Statements.h"
#include "store/TaskStore.h"

namespace nightaudit {
namespace {

constexpr int kKeysIdRole = Qt::UserRole;
constexpr int kWaitAfterRole = Qt::UserRole + 1;

// The keysid when it is stored as a whole 32-bit number. A Null, a fraction or a text
// ("2x", even "2") names no key for certain: in an untyped column `keysid = 2` would
// find another row, the integer 2.
std::optional<qint32> wholeKeysId(const Value& id) {
    const auto value = storedInteger(id);
    if (!value || *value < std::numeric_limits<qint32>::min() ||
        *value > std::numeric_limits<qint32>::max())
        return {};
    return static_cast<qint32>(*value);
}

QLabel* label(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(geometry);
    return l;
}

QLineEdit* box(QWidget* parent, const char* name, QRect geometry) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setGeometry(geometry);
    return e;
}

}  // namespace

KeyEditor::KeyEditor(TaskStore& store, std::int16_t keySequenceId, QWidget* parent)
    : QDialog(parent), m_store(store), m_keySequenceId(keySequenceId) {
    setObjectName(QStringLiteral("dlgEdit"));
    setWindowTitle(QStringLiteral("Edit Keys"));
    setModal(true);
    setFixedSize(twipsToPixels(5775), twipsToPixels(6360));
    m_tell = [](QWidget* p, const QString& text) {
        QMessageBox::warning(p, QStringLiteral("Edit Keys"), text);
    };

    m_frame = new QGroupBox(QStringLiteral("Key Sequence"), this);
    m_frame->setObjectName(QStringLiteral("Frame1"));
    m_frame->setGeometry(twipsRectToPixels(165, 150, 5475, 4155));
    m_keys = new QListWidget(m_frame);
    m_keys->setObjectName(QStringLiteral("lstKeys"));
    m_keys->setGeometry(twipsRectToPixels(105, 240, 5220, 3765));

    label(this, "Label1", QStringLiteral("Key Text:"), twipsRectToPixels(165, 4440, 675, 195));
    m_keyText = box(this, "dfsKeyText", twipsRectToPixels(1185, 4395, 4365, 285));
    label(this, "Label2", QStringLiteral("Key Type:"), twipsRectToPixels(165, 4860, 720, 195));
    m_keyType = box(this, "dfsKeyType", twipsRectToPixels(1200, 4815, 855, 285));
    label(this, "Label3", QStringLiteral("Wait After:"), twipsRectToPixels(3675, 4860, 750, 195));
    m_waitAfter = box(this, "dfnWaitAfter", twipsRectToPixels(4695, 4815, 855, 285));

    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("Command1"));
    close->setGeometry(twipsRectToPixels(1335, 5805, 1095, 375));
    close->setAutoDefault(false);
    auto* update = new QPushButton(QStringLiteral("&Update"), this);
    update->setObjectName(QStringLiteral("Command2"));
    update->setGeometry(twipsRectToPixels(3255, 5805, 1095, 375));
    update->setAutoDefault(false);

    setTabOrder(m_keyText, m_keyType);
    setTabOrder(m_keyType, m_waitAfter);
    setTabOrder(m_waitAfter, close);
    setTabOrder(close, update);
    setTabOrder(update, m_keys);

    connect(m_keys, &QListWidget::itemClicked, this, [this] { showSelectedKey(); });
    // A line counts once it is selected: the list makes its first line current (not
    // selected) when it takes the focus, and that must not fill the boxes.
    connect(m_keys, &QListWidget::itemSelectionChanged, this, [this] { showSelectedKey(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(update, &QPushButton::clicked, this, [this] { applyUpdate(); });

    loadKeys();
}

void KeyEditor::loadKeys() {
    for (Cursor keys = m_store.query(statements::keyListQuery(m_keySequenceId)); !keys.eof();
         keys.next()) {
        const Value text = keys.value("keytext");
        const Value wait = keys.value("waitafter");
        auto* item = new QListWidgetItem(QString::fromStdString(text.text()) + u' ' +
                                         QString::fromStdString(keys.value("keytype").text()));
        const Value id = keys.value("keysid");
        if (const auto keysid = wholeKeysId(id)) {
            item->setData(kKeysIdRole, QVariant::fromValue<qint32>(*keysid));
        } else {
            // An update by a number read leniently from it would rewrite another key.
            item->setFlags(item->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable));
            item->setToolTip(QStringLiteral("This key cannot be edited: its keysid %1 is not a "
                                            "whole number (nightaudit-store check lists it).")
                                 .arg(id.isNull() ? QStringLiteral("is Null, it")
                                                  : QString::fromStdString(id.text())));
        }
        item->setData(kWaitAfterRole,
                      wait.isNull() ? QString() : QString::fromStdString(wait.text()));
        m_keys->addItem(item);
    }
    m_keys->setCurrentRow(-1);
}

void KeyEditor::showSelectedKey() {
    const QListWidgetItem* item = m_keys->currentItem();
    if (!item || !item->isSelected()) return;
    const QString line = item->text();
    const qsizetype b = line.lastIndexOf(u' ');
    m_keyText->setText(trimBlanks(line.left(b)).toString());
    m_keyType->setText(trimBlanks(line.mid(b + 1)).toString());
    // The stored wait is shown, so an update that changes only the text keeps it.
    m_waitAfter->setText(item->data(kWaitAfterRole).toString());
}

std::optional<QString> KeyEditor::checkInput(QString& waitAfter, QString& keyType) const {
    if (!m_keys->currentItem() || !m_keys->currentItem()->isSelected()) {
        return QStringLiteral("Select the key to change in the list first.");
    }
    const QString text = m_keyText->text();
    if (text.contains(QChar(u'\0')) || text.contains(u'\n') || text.contains(u'\r')) {
        return QStringLiteral("The key text must be one line without control characters.");
    }
    bool ok = false;
    const int type = trimBlanks(m_keyType->text()).toInt(&ok);
    static const QRegularExpression digits(QStringLiteral("^\\d{1,2}$"));
    if (!digits.match(trimBlanks(m_keyType->text())).hasMatch() || !ok || type > 12) {
        return QStringLiteral("Key Type must be a whole number from 0 to 12.");
    }
    static const QRegularExpression whole(QStringLiteral("^-?\\d{1,10}$"));
    const QString wait = trimBlanks(m_waitAfter->text()).toString();
    const qint64 waitValue = wait.toLongLong(&ok);
    if (!whole.match(wait).hasMatch() || !ok || waitValue < std::numeric_limits<qint32>::min() ||
        waitValue > std::numeric_limits<qint32>::max()) {
        return QStringLiteral("Wait After must be a whole number of milliseconds.");
    }
    // Keystroke texts are checked as the player will read them: a text that cannot be
    // typed is refused now rather than stopping the night's run.
    if (type == 0 || type == 8) {
        try {
            parseSendKeys(text.toStdString());
        } catch (const Error& e) {
            return QStringLiteral("The key text cannot be typed: ") +
                   QString::fromStdString(e.description());
        }
    }
    keyType = QString::number(type);
    waitAfter = QString::number(waitValue);
    return std::nullopt;
}

void KeyEditor::applyUpdate() {
    QString waitAfter, keyType;
    if (const auto problem = checkInput(waitAfter, keyType)) {
        m_tell(this, *problem);
        return;
    }
    const qint32 keysid = m_keys->currentItem()->data(kKeysIdRole).value<qint32>();
    // Within a savepoint, so that an update that finds no row or several is undone: the
    // list was read when the dialog opened, and a keysid may have gone or been doubled.
    int changed = 0;
    try {
        m_store.execute("SAVEPOINT key_update");
        try {
            changed = m_store.execute(statements::keyUpdate(m_keyText->text().toStdString(),
                                                            waitAfter.toStdString(),
                                                            keyType.toStdString(), keysid));
        } catch (const Error&) {
            m_store.execute("ROLLBACK TO key_update; RELEASE key_update");
            throw;
        }
        m_store.execute(changed == 1 ? "RELEASE key_update"
                                     : "ROLLBACK TO key_update; RELEASE key_update");
    } catch (const Error& e) {
        m_tell(this, QStringLiteral("The key was not changed: ") +
                         QString::fromStdString(e.description()));
        return;
    }
    if (changed != 1) {
        m_tell(this, QStringLiteral("The key was not changed: the update would have changed %1 "
                                    "rows, not the one key with keysid %2. Check the store with "
                                    "nightaudit-store check.")
                         .arg(changed)
                         .arg(keysid));
        return;
    }
    accept();
}

}  // namespace nightaudit
