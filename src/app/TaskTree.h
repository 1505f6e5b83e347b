#pragma once

#include <QDate>
#include <QHash>
#include <QString>

#include <string>
#include <string_view>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace nightaudit {

class TaskStore;

// Node indexes by key. A key whose id is a plain number ("KS12", not "KS012") is found in a
// table by kind and number, without hashing its text: a large store adds tens of thousands
// of nodes at start-up. Any other key is kept by its text.
class NodeKeyIndex {
public:
    int find(const QString& key) const;  // 0 when no node has the key
    // False, changing nothing, when the key (UTF-8) is already taken.
    bool insert(std::string_view key, int index);

    // Which table and number a key has; table -1 when its id is no plain number.
    struct Place {
        int table;
        std::size_t number;
    };

private:
    std::vector<int> m_byNumber[3];  // task sequence, task, key sequence
    QHash<QString, int> m_byText;
};

// The task tree `TreeView1`: task sequences, their tasks and the tasks' key
// sequences, each node known by its key ("TS", "T" or "KS" + id) and by its index,
// counted from 1 in the order nodes were added (pre-order, so the next index is the
// node shown directly below when all is expanded). Nodes are only ever added, so
// indexes never shift; lookups by index and by key are constant time.
// Every method that takes an index throws Error(err::NoSuchNode) for an index no node has.
class TaskTree {
public:
    static constexpr int TagRole = Qt::UserRole;  // the item data role of a node's tag

    // Creates `TreeView1` as a child of `parent`.
    explicit TaskTree(QWidget* parent);

    QTreeWidget* view() const { return m_view; }

    // Adds a root node, or a node as the last child of the node `parentKey`;
    // returns its index. A key already in the tree or an unknown parent throws.
    int addRoot(const QString& key, const QString& text);
    int addChild(const QString& parentKey, const QString& key, const QString& text);

    int nodeCount() const { return static_cast<int>(m_items.size()); }
    QTreeWidgetItem* item(int index) const;
    int indexOf(const QTreeWidgetItem* item) const;  // 0 for null or a foreign item
    QString key(int index) const;
    QString text(int index) const;
    QString tag(int index) const;
    void setTag(int index, const QString& tag);

    // The index of the node whose key equals `key` exactly (case counts), or 0.
    int indexOfKey(const QString& key) const;

    int childCount(int index) const;
    int firstChild(int index) const;   // 0 when none
    int nextSibling(int index) const;  // 0 when none
    int selectedIndex() const;         // 0 when nothing is selected
    void select(int index);
    void ensureVisible(int index);
    void markPlayed(int index);  // text colour green (0, 255, 0); never cleared
    bool isPlayed(int index) const;

    void expandAll();
    void collapseAll();

    // Builds the tree from the enabled rows of the store, listing only the key
    // sequences meant for the weekday of `auditDay`. On an empty tree only. When no
    // task sequence is enabled, says so in a message box and leaves the tree empty.
    // Store errors propagate. The store is read on a second thread during the call: no
    // other thread may use it until the call returns.
    void load(TaskStore& store, const QDate& auditDay);

    // The day rule: a key sequence whose enableday is `enableday` (" " for Null) is
    // listed on `day` when its first three characters name the day's abbreviated
    // name in the user's locale, in any case, or when it is exactly one blank.
    static bool isListedOn(const QString& enableday, const QDate& day);

private:
    class Node;

    enum class Children { Possible, Never };

    Node* node(int index) const;
    int add(QTreeWidgetItem* parent, std::string key, std::string text,
            Children children = Children::Possible);
    void attachPendingRoot();

    QTreeWidget* m_view;
    std::vector<Node*> m_items;  // m_items[i - 1] is the node of index i
    NodeKeyIndex m_indexByKey;
    // While load fills a task sequence, its root node stays out of the view:
    // nodes added under a detached node cost the view's model no signals, and a large
    // store would otherwise spend more time in them than in reading the rows.
    bool m_deferRoots = false;
    QTreeWidgetItem* m_pendingRoot = nullptr;
};

}  // namespace nightaudit
