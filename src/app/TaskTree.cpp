#include "TaskTree.h"

#include <QBrush>
#include <QColor>
#include <QTreeWidget>

#include <algorithm>

#include "core/Error.h"

namespace nightaudit {
namespace {

const QColor kPlayedColour(0, 255, 0);

}  // namespace

namespace {

// The number of a key's id when it is written plainly (digits, no leading zero) and is
// below 65 536 (ids are 16-bit), else -1. For a key as QString or as UTF-8 alike.
template <class View>
int plainNumber(View id) {
    if (id.empty() || id.size() > 5 || id.front() == '0') return -1;
    int n = 0;
    for (auto c : id) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + static_cast<int>(c - '0');
    }
    return n < (1 << 16) ? n : -1;
}

template <class View>
NodeKeyIndex::Place placeIn(View key) {
    int table = -1;
    std::size_t prefix = 0;
    const auto starts = [&](const char* p, std::size_t n) {
        if (key.size() < n) return false;
        for (std::size_t i = 0; i < n; ++i)
            if (key[i] != p[i]) return false;
        return true;
    };
    if (starts("KS", 2)) {
        table = 2, prefix = 2;
    } else if (starts("TS", 2)) {
        table = 0, prefix = 2;
    } else if (starts("T", 1)) {
        table = 1, prefix = 1;
    }
    const int number = table < 0 ? -1 : plainNumber(key.substr(prefix));
    return number < 0 ? NodeKeyIndex::Place{-1, 0}
                      : NodeKeyIndex::Place{table, static_cast<std::size_t>(number)};
}

}  // namespace

int NodeKeyIndex::find(const QString& key) const {
    const Place place = placeIn(std::u16string_view(reinterpret_cast<const char16_t*>(key.utf16()),
                                                    static_cast<std::size_t>(key.size())));
    if (place.table < 0) return m_byText.value(key, 0);
    const std::vector<int>& numbers = m_byNumber[place.table];
    return place.number < numbers.size() ? numbers[place.number] : 0;
}

bool NodeKeyIndex::insert(std::string_view key, int index) {
    const Place place = placeIn(key);
    if (place.table < 0) {
        const QString text = QString::fromUtf8(key);
        if (m_byText.contains(text)) return false;
        m_byText.insert(text, index);
        return true;
    }
    std::vector<int>& numbers = m_byNumber[place.table];
    if (place.number >= numbers.size())
        numbers.resize(std::max(place.number + 1, numbers.size() * 2), 0);
    if (numbers[place.number] != 0) return false;
    numbers[place.number] = index;
    return true;
}

// A node keeps its key and index as plain members: a large store adds tens of
// thousands of nodes at start-up, and item data roles would cost a QVariant each.
class TaskTree::Node : public QTreeWidgetItem {
public:
    Node(std::string text, std::string key, int index, Children children)
        : m_text(std::move(text)), m_key(std::move(key)), m_index(index) {
        // The view neither lays out nor remembers an expansion for a node marked so.
        if (children == Children::Never) setFlags(flags() | Qt::ItemNeverHasChildren);
    }
    const std::string& key() const { return m_key; }
    int index() const { return m_index; }

    // The caption is kept as the store's UTF-8 and converted when the view asks for it:
    // the view asks only for the rows it shows, and nodes are never renamed.
    QVariant data(int column, int role) const override {
        if (column == 0 && (role == Qt::DisplayRole || role == Qt::EditRole))
            return QString::fromStdString(m_text);
        return QTreeWidgetItem::data(column, role);
    }

private:
    std::string m_text;
    std::string m_key;
    int m_index;
};

TaskTree::TaskTree(QWidget* parent) : m_view(new QTreeWidget(parent)) {
    m_view->setObjectName(QStringLiteral("TreeView1"));
    m_view->setColumnCount(1);
    m_view->setHeaderHidden(true);
    m_view->setRootIsDecorated(true);
    m_view->setUniformRowHeights(true);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
}

int TaskTree::addRoot(const QString& key, const QString& text) {
    return add(nullptr, key.toStdString(), text.toStdString());
}

int TaskTree::addChild(const QString& parentKey, const QString& key, const QString& text) {
    const int parent = indexOfKey(parentKey);
    if (parent == 0) {
        throw Error(err::NoSuchNode,
                    "The tree has no node with the key " + parentKey.toStdString());
    }
    return add(item(parent), key.toStdString(), text.toStdString());
}

int TaskTree::add(QTreeWidgetItem* parent, std::string key, std::string text, Children children) {
    const int index = nodeCount() + 1;
    if (!m_indexByKey.insert(key, index)) {
        throw Error(err::InvalidArgument, "The key " + key + " is already used by another node");
    }
    auto* node = new Node(std::move(text), std::move(key), index, children);
    if (parent) {
        parent->addChild(node);
    } else if (m_deferRoots) {
        attachPendingRoot();
        m_pendingRoot = node;
    } else {
        m_view->addTopLevelItem(node);
    }
    m_items.push_back(node);
    return index;
}

void TaskTree::attachPendingRoot() {
    if (m_pendingRoot) m_view->addTopLevelItem(m_pendingRoot);
    m_pendingRoot = nullptr;
}

TaskTree::Node* TaskTree::node(int index) const {
    if (index < 1 || index > nodeCount()) {
        throw Error(err::NoSuchNode,
                    "The tree has no node with the index " + std::to_string(index));
    }
    return m_items[static_cast<std::size_t>(index - 1)];
}

QTreeWidgetItem* TaskTree::item(int index) const {
    return node(index);
}

int TaskTree::indexOf(const QTreeWidgetItem* node) const {
    const auto* ours = dynamic_cast<const Node*>(node);
    return ours && ours->treeWidget() == m_view ? ours->index() : 0;
}

QString TaskTree::key(int index) const {
    return QString::fromStdString(node(index)->key());
}

QString TaskTree::text(int index) const {
    return item(index)->text(0);
}

QString TaskTree::tag(int index) const {
    return item(index)->data(0, TagRole).toString();
}

void TaskTree::setTag(int index, const QString& tag) {
    item(index)->setData(0, TagRole, tag);
}

int TaskTree::indexOfKey(const QString& key) const {
    return m_indexByKey.find(key);
}

int TaskTree::childCount(int index) const {
    return item(index)->childCount();
}

int TaskTree::firstChild(int index) const {
    const QTreeWidgetItem* node = item(index);
    return node->childCount() > 0 ? indexOf(node->child(0)) : 0;
}

int TaskTree::nextSibling(int index) const {
    QTreeWidgetItem* node = item(index);
    const QTreeWidgetItem* parent = node->parent();
    if (parent) {
        const int at = parent->indexOfChild(node);
        return at + 1 < parent->childCount() ? indexOf(parent->child(at + 1)) : 0;
    }
    const int at = m_view->indexOfTopLevelItem(node);
    return at + 1 < m_view->topLevelItemCount() ? indexOf(m_view->topLevelItem(at + 1)) : 0;
}

int TaskTree::selectedIndex() const {
    const QList<QTreeWidgetItem*> selected = m_view->selectedItems();
    return selected.isEmpty() ? 0 : indexOf(selected.first());
}

void TaskTree::select(int index) {
    QTreeWidgetItem* node = item(index);
    m_view->setCurrentItem(node);
    node->setSelected(true);
}

void TaskTree::ensureVisible(int index) {
    m_view->scrollToItem(item(index));
}

void TaskTree::markPlayed(int index) {
    item(index)->setForeground(0, QBrush(kPlayedColour));
}

bool TaskTree::isPlayed(int index) const {
    return item(index)->foreground(0).color() == kPlayedColour;
}

// The view lays its rows out once for the whole tree; expanding node by node would
// lay them out again for each node.
void TaskTree::expandAll() {
    m_view->expandAll();
}

void TaskTree::collapseAll() {
    m_view->collapseAll();
}

}  // namespace nightaudit
