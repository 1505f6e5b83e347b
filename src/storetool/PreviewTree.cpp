#include "PreviewTree.h"

#include <QLocale>

#include "FieldNames.h"
#include "PreviewSteps.h"
#include "core/Error.h"
#include "core/NodeKey.h"
#include "specials/DayRule.h"
#include "specials/SpecialDates.h"
#include "store/Statements.h"

namespace nightaudit {
namespace {

QString numbered(int position, const Value& name) {
    return QString::fromStdString(std::to_string(position) + "- " + name.text());
}

QString keyOf(NodeKind kind, const Value& id) {
    return QString::fromStdString(NodeKey(kind, id.text()).text());
}

}  // namespace

const QString PreviewTree::kCaption = QStringLiteral("Quillmar Night Audit");

PreviewTree::PreviewTree(TaskStore& store, const QDate& auditDay, PreviewSteps& steps)
    : m_dayName(QLocale::system().dayName(auditDay.dayOfWeek(), QLocale::ShortFormat)),
      m_steps(steps) {
    // What the window's start-up puts into the fields: the audit day at 08:00 is that day.
    const SpecialDates dates = SpecialDates::at(QDateTime(auditDay, QTime(8, 0)));
    m_fields = {{"special1", dates.special1}, {"special2", dates.special2},
                {"special3", dates.special3}, {"special4", dates.special4},
                {"special5", dates.special5}, {"special6", QStringLiteral("0.00")},
                {"special7", dates.special7}};
    const QString prefix = DayRule::dayPrefix(auditDay);
    int sequencePosition = 1;
    for (Cursor s = store.query(statements::taskSequencesQuery()); !s.eof(); s.next()) {
        m_nodes.push_back({keyOf(NodeKind::TaskSequence, s.value("tasksequenceid")),
                           numbered(sequencePosition++, s.value("Name")), 0});
        const int sequenceIndex = nodeCount();
        int taskPosition = 1;
        for (Cursor t = store.query(statements::tasksQuery(s.value("tasksequenceid"))); !t.eof();
             t.next()) {
            m_nodes.push_back({keyOf(NodeKind::Task, t.value("TASKID")),
                               numbered(taskPosition++, t.value("Name")), sequenceIndex});
            const int taskIndex = nodeCount();
            int position = 1;
            for (Cursor k = store.query(statements::keySequencesQuery(t.value("TASKID"))); !k.eof();
                 k.next()) {
                const std::string day = textOrBlank(k.value("enableday"));
                if (!DayRule::lists(QString::fromStdString(day), prefix)) {
                    m_leftOut[k.value("keysequenceID").text()] = {k.value("Name").text(), day};
                    continue;
                }
                m_nodes.push_back({keyOf(NodeKind::KeySequence, k.value("keysequenceID")),
                                   numbered(position++, k.value("Name")), taskIndex});
            }
        }
    }
}

const PreviewTree::Node& PreviewTree::node(int index) const {
    if (index < 1 || index > nodeCount()) {
        throw Error(err::NoSuchNode, "The tree has no node " + std::to_string(index));
    }
    return m_nodes[static_cast<std::size_t>(index - 1)];
}

void PreviewTree::selectNode(int index) {
    const Node& n = node(index);
    m_selected = index;
    if (NodeKey::parse(n.key.toStdString()).kind() == NodeKind::Task)
        m_steps.taskHeading(("task " + n.key + " \"" + n.text + "\"").toStdString());
}

int PreviewTree::childCount(int index) const {
    node(index);
    int count = 0;
    for (const Node& n : m_nodes) count += n.parent == index;
    return count;
}

int PreviewTree::firstChild(int index) const {
    node(index);
    for (int i = index + 1; i <= nodeCount(); ++i)
        if (node(i).parent == index) return i;
    return 0;
}

int PreviewTree::nextSibling(int index) const {
    const int parent = node(index).parent;
    // Nodes are in pre-order: the next node with the same parent is the next sibling.
    for (int i = index + 1; i <= nodeCount(); ++i)
        if (node(i).parent == parent) return i;
    return 0;
}

int PreviewTree::nodeIndexForKey(const QString& key) const {
    for (int i = 1; i <= nodeCount(); ++i) {
        if (node(i).key != key) continue;
        m_steps.nextSequence(key.toStdString());
        return i;
    }
    const NodeKey parsed = NodeKey::parse(key.toStdString());
    if (const auto it = m_leftOut.find(parsed.id());
        parsed.kind() == NodeKind::KeySequence && it != m_leftOut.end()) {
        m_steps.skipped("skipped " + key.toStdString() + " \"" + it->second.name +
                        "\": its enableday \"" + it->second.enableday + "\" is not " +
                        m_dayName.toStdString() + ", the audit day");
    }
    return 0;
}

QString PreviewTree::controlText(const QString& controlName) const {
    if (const auto it = m_fields.find(controlName); it != m_fields.end()) return *it;
    if (isWindowField(controlName.toStdString()))
        return QStringLiteral("(the text of %1)").arg(controlName);
    throw Error(err::NoSuchControl, "The main window has no control named \"" +
                                        controlName.toStdString() + "\" with a text");
}

void PreviewTree::setControlText(const QString& controlName, const QString& text) {
    m_fields[controlName] = text;
}

QString PreviewTree::specialsText() const {
    QStringList out;
    for (int i = 1; i <= 7; ++i) {
        const QString name = QStringLiteral("special%1").arg(i);
        out << name + " " + m_fields.value(name);
    }
    return out.join(QStringLiteral(", "));
}

}  // namespace nightaudit
