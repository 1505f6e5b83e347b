#pragma once

// The main window of a run, faked over a FakeDesktop whose record it shares: tree
// marks and report calls go into the same string as the desktop actions.

#include <QStringList>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/Error.h"
#include "playback/PlaybackHost.h"
#include "playback/Reports.h"
#include "playback/RunLog.h"
#include "support/FakeDesktop.h"

namespace nightaudit::test {

// A tree node: its key and the index of its parent (0 = top level). Indexes count
// from 1 in pre-order.
struct FakeNode {
    const char* key;
    int parent = 0;
};

// Tree, caption, fields, run log and report import. A report call on a file whose
// name holds "missing" fails as a missing file does.
class FakeHost : public PlaybackHost, public RunLog, public Reports {
public:
    FakeHost(std::vector<FakeNode> nodes, FakeDesktop& desktop)
        : desktop(&desktop), m_nodes(std::move(nodes)) {}

    FakeDesktop* desktop;  // the main window's title there follows the caption
    QString captionText = QStringLiteral("Quillmar Night Audit");
    std::map<QString, QString> controls;
    QStringList log;
    int selected = 0;
    std::function<void()> onEvents;  // an event handler run by DoEvents

    int nodeCount() const override { return static_cast<int>(m_nodes.size()); }
    QString nodeKey(int i) const override { return QString::fromUtf8(node(i).key); }
    void ensureNodeVisible(int i) override { note("show", i); }
    void markNodePlayed(int i) override { note("mark", i); }
    int selectedNodeIndex() const override { return selected; }
    void selectNode(int i) override { selected = note("select", i); }
    int childCount(int i) const override {
        int n = 0;
        for (int c = firstChild(i); c != 0; c = nextSibling(c)) ++n;
        return n;
    }
    int firstChild(int i) const override { return next(checked(i) + 1, i); }
    int nextSibling(int i) const override { return next(i + 1, node(i).parent); }
    int nodeIndexForKey(const QString& key) const override {
        for (int i = 1; i <= nodeCount(); ++i)
            if (nodeKey(i) == key) return i;
        return 0;
    }
    QString caption() const override { return captionText; }
    void setCaption(const QString& caption) override {
        desktop->removeWindow(captionText.toStdString());
        desktop->addWindow(caption.toStdString());
        captionText = caption;
    }
    QString controlText(const QString& name) const override {
        return controls.count(name)
                   ? controls.at(name)
                   : throw Error(err::NoSuchControl, "No control named " + name.toStdString());
    }
    void setControlText(const QString& n, const QString& text) override { controls[n] = text; }
    void processEvents() override {
        if (onEvents) onEvents();
    }

    void clear() override { log.clear(); }
    void append(const QString& line) override { log << line; }

    void printText(const QString& text) override { report("print(" + text + ") ", text); }
    void parseReport(const QString& file) override { report("parse(" + file + ") ", file); }
    void loadNoShowList(const QString& file) override { report("noshow(" + file + ") ", file); }
    void showNextNoShow() override { report("nextguest ", {}); }

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
    int note(const char* what, int i) {
        desktop->note(what + ("(" + std::to_string(checked(i)) + ") "));
        return i;
    }
    void report(const QString& what, const QString& file) {
        if (file.contains(QStringLiteral("missing")))
            throw Error(err::FileNotFound, "File not found: " + file.toStdString());
        desktop->note(what.toStdString());
    }
    std::vector<FakeNode> m_nodes;
};

}  // namespace nightaudit::test
