#pragma once

// The main window of a run, faked over a FakeDesktop whose record it shares: tree marks
// and report calls go into the same string as the desktop actions.

#include <QStringList>

#include <map>
#include <vector>

#include "playback/PlaybackHost.h"
#include "playback/Reports.h"
#include "playback/RunLog.h"
#include "support/FakeDesktop.h"

namespace nightaudit::test {

// A tree node: its key, its parent's index (0 = top level); indexes count from 1 in pre-order.
struct FakeNode {
    const char* key;
    int parent = 0;
};

// Tree, caption, fields, run log, reports.
class FakeHost : public PlaybackHost, public RunLog, public Reports {
public:
    FakeHost(std::vector<FakeNode> nodes, FakeDesktop& desktop)
        : m_desktop(desktop), m_nodes(std::move(nodes)) {}

    QString captionText = QStringLiteral("Quillmar Night Audit");
    std::map<QString, QString> controls;
    QStringList log;
    int selected = 0;

    int nodeCount() const override { return static_cast<int>(m_nodes.size()); }
    QString nodeKey(int i) const override { return QString::fromUtf8(node(i).key); }
    void ensureNodeVisible(int i) override { note("show", i); }
    void markNodePlayed(int i) override { note("mark", i); }
    int selectedNodeIndex() const override { return selected; }
    void selectNode(int i) override { selected = note("select", i); }
    int childCount(int i) const override { return siblingsFrom(firstChild(i)); }
    int firstChild(int i) const override { return next(checked(i) + 1, i); }
    int nextSibling(int i) const override { return next(i + 1, node(i).parent); }
    int nodeIndexForKey(const QString& key) const override { return find(1, key); }
    QString caption() const override { return captionText; }
    void setCaption(const QString& caption) override {  // the main window's title follows it
        m_desktop.removeWindow(captionText.toStdString());
        m_desktop.addWindow((captionText = caption).toStdString());
    }
    QString controlText(const QString& name) const override {
        if (!controls.count(name))
            throw Error(err::NoSuchControl, "No control named " + name.toStdString());
        return controls.at(name);
    }
    void setControlText(const QString& n, const QString& text) override { controls[n] = text; }
    void processEvents() override {}

    void clear() override { log.clear(); }
    void append(const QString& line) override { log << line; }

    void printText(const QString& text) override { report("print", text); }
    void parseReport(const QString& file) override { report("parse", file); }
    void loadNoShowList(const QString& file) override { report("noshow", file); }
    void showNextNoShow() override { m_desktop.note("nextguest "); }

private:
    int checked(int i) const {
        if (i < 1 || i > nodeCount())
            throw Error(err::NoSuchNode, "No node with index " + std::to_string(i));
        return i;
    }
    const FakeNode& node(int i) const { return m_nodes[checked(i) - 1]; }
    // The first node from index `from` on whose parent is `parent`; 0 when none.
    int next(int from, int parent) const {
        for (int i = from; i <= nodeCount(); ++i)
            if (node(i).parent == parent) return i;
        return 0;
    }
    int siblingsFrom(int i) const { return i ? 1 + siblingsFrom(nextSibling(i)) : 0; }
    int find(int i, const QString& key) const {
        return i > nodeCount() ? 0 : nodeKey(i) == key ? i : find(i + 1, key);
    }
    int note(const char* what, int i) {
        m_desktop.note(what + ("(" + std::to_string(checked(i)) + ") "));
        return i;
    }
    void report(const char* what, const QString& file) {
        m_desktop.note(what + ("(" + file.toStdString() + ") "));
    }
    FakeDesktop& m_desktop;
    std::vector<FakeNode> m_nodes;
};

}  // namespace nightaudit::test
