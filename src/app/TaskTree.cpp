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
// below 65 536 (ids are 16-bit), else -1.
int plainNumber(QStringView id) {
    if (id.isEmpty() || id.size() > 5 || id.front() == u'0') return -1;
    int n = 0;
    for (QChar c : id) {
        if (c < u'0' || c > u'9') return -1;
        n = n * 10 + (c.unicode() - u'0');
    }
    return n < (1 << 16) ? n : -1;
}

}  // namespace

NodeKeyIndex::Place NodeKeyIndex::placeOf(const QString& key) {
    int table = -1;
    qsizetype prefix = 0;
    if (key.startsWith(u"KS")) {
        table = 2, prefix = 2;
    } else if (key.startsWith(u"TS")) {
        table = 0, prefix = 2;
    } else if (key.startsWith(u'T')) {
        table = 1, prefix = 1;
    }
    const int number = table < 0 ? -1 : plainNumber(QStringView(key).mid(prefix));
    return number < 0 ? Place{-1, 0} : Place{table, static_cast<std::size_t>(number)};
}

int NodeKeyIndex::find(const QString& key) const {
    const Place place = placeOf(key);
    if (place.table < 0) return m_byText.value(key, 0);
    const std::vector<int>& numbers = m_byNumber[place.table];
    return place.number < numbers.size() ? numbers[place.number] : 0;
}

bool NodeKeyIndex::insert(const QString& key, int index) {
    const Place place = placeOf(key);
    if (place.table < 0) {
        if (m_byText.contains(key)) return false;
        m_byText.insert(key, index);
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
    Node(std::string text, const QString& key, int index, Children children)
        : m_text(std::move(text)), m_key(key), m_index(index) {
        // The view neither lays out nor remembers an expansion for a node marked so.
        if (children == Children::Never) setFlags(flags() | Qt::ItemNeverHasChildren);
    }
    const QString& key() const { return m_key; }
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
    QString m_key;
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
    return add(nullptr, key, text.toStdString());
}

int TaskTree::addChild(const QString& parentKey, const QString& key, const QString& text) {
    const int parent = indexOfKey(parentKey);
    if (parent == 0) {
        throw Error(err::NoSuchNode,
                    "The tree has no node with the key " + parentKey.toStdString());
    }
    return add(item(parent), key, text.toStdString());
}

int TaskTree::add(QTreeWidgetItem* parent, const QString& key, std::string text,
                  Children children) {
    const int index = nodeCount() + 1;
    if (!m_indexByKey.insert(key, index)) {
        throw Error(err::InvalidArgument,
                    "The key " + key.toStdString() + " is already used by another node");
    }
    auto* node = new Node(std::move(text), key, index, children);
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
    return node(index)->key();
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
