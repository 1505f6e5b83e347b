#pragma once

#include <QDate>
#include <QMap>
#include <QString>

#include <map>
#include <string>
#include <vector>

#include "playback/PlaybackHost.h"
#include "store/TaskStore.h"

namespace nightaudit {

class PreviewSteps;

// The main window as a dry run needs it: the task tree built from the store for an audit
// day by the tree's own statements and day rule, the special fields of that day, and a
// caption. It tells `steps` when the runner moves on to a task or passes over a key
// sequence of another weekday.
class PreviewTree : public PlaybackHost {
public:
    static const QString kCaption;

    // Reads the tree; throws what the store throws.
    PreviewTree(TaskStore& store, const QDate& auditDay, PreviewSteps& steps);

    int nodeCount() const override { return static_cast<int>(m_nodes.size()); }
    QString nodeKey(int index) const override { return node(index).key; }
    QString nodeText(int index) const { return node(index).text; }
    void ensureNodeVisible(int index) override { node(index); }
    void markNodePlayed(int index) override { node(index); }
    int selectedNodeIndex() const override { return m_selected; }
    void selectNode(int index) override;
    int childCount(int index) const override;
    int firstChild(int index) const override;
    int nextSibling(int index) const override;
    int nodeIndexForKey(const QString& key) const override;

    QString caption() const override { return m_caption; }
    void setCaption(const QString& caption) override { m_caption = caption; }
    QString controlText(const QString& controlName) const override;
    void setControlText(const QString& controlName, const QString& text) override;
    void processEvents() override {}

    // The special fields of the audit day, "special1 120526, ...".
    QString specialsText() const;

private:
    struct Node {
        QString key, text;
        int parent = 0;
    };
    struct LeftOut {
        std::string name, enableday;
    };
    const Node& node(int index) const;

    std::vector<Node> m_nodes;
    std::map<std::string, LeftOut> m_leftOut;  // key sequences of other weekdays, by id
    QMap<QString, QString> m_fields;
    QString m_caption = kCaption;
    QString m_dayName;
    int m_selected = 0;
    PreviewSteps& m_steps;
};

}  // namespace nightaudit
