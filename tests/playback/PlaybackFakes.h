#pragma once

// Fakes of the desktop and the main window that write into one trace: waits, desktop
// actions, tree marks and report calls in the order they happened, so a test
// compares a whole run at once.

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

// Passes every call on to a FakeDesktop and copies what it recorded into `trace`.
class TracingDesktop : public Desktop {
public:
    TracingDesktop(FakeDesktop& fake, std::string& trace) : m_fake(fake), m_trace(trace) {}
    void activate(const std::string& t) override {
        forward([&] { m_fake.activate(t); });
    }
    void sendKeys(const std::string& k) override {
        forward([&] { m_fake.sendKeys(k); });
    }
    void launch(const std::string& c) override {
        forward([&] { m_fake.launch(c); });
    }
    void setPointer(int x, int y) override {
        forward([&] { m_fake.setPointer(x, y); });
    }
    void leftButton(bool down) override {
        forward([&] { m_fake.leftButton(down); });
    }

private:
    template <class F>
    void forward(F call) {
        const std::size_t before = m_fake.record().size();
        call();
        m_trace += m_fake.record().substr(before);
    }
    FakeDesktop& m_fake;
    std::string& m_trace;
};

// A tree node: its key and the index of its parent (0 = top level). Indexes count
// from 1 in pre-order.
struct FakeNode {
    const char* key;
    int parent = 0;
};

// The main window: tree, caption, fields, run log and report import. A report call on
// a file whose name holds "missing" fails as a missing file does.
class FakeHost : public PlaybackHost, public RunLog, public Reports {
public:
    FakeHost(std::vector<FakeNode> nodes, std::string& trace)
        : m_nodes(std::move(nodes)), m_trace(trace) {}

    QString captionText = QStringLiteral("Quillmar Night Audit");
    std::map<QString, QString> controls;
    QStringList log;
    int selected = 0;
    std::function<void()> onEvents;  // an event handler run by DoEvents
    FakeDesktop* desktop = nullptr;  // the main window's title there follows the caption

    int nodeCount() const override { return static_cast<int>(m_nodes.size()); }
    QString nodeKey(int i) const override { return QString::fromUtf8(node(i).key); }
    void ensureNodeVisible(int i) override { note("show", i); }
    void markNodePlayed(int i) override { note("mark", i); }
    int selectedNodeIndex() const override { return selected; }
    void selectNode(int i) override { selected = note("select", i); }
    int childCount(int i) const override {
        checked(i);
        int n = 0;
        for (const auto& c : m_nodes) n += c.parent == i ? 1 : 0;
        return n;
    }
    int firstChild(int i) const override { return nextWithParent(checked(i), 1); }
    int nextSibling(int i) const override { return nextWithParent(node(i).parent, i + 1); }
    int nodeIndexForKey(const QString& key) const override {
        for (int i = 1; i <= nodeCount(); ++i)
            if (nodeKey(i) == key) return i;
        return 0;
    }
    QString caption() const override { return captionText; }
    void setCaption(const QString& caption) override {
        if (desktop) {
            desktop->removeWindow(captionText.toStdString());
            desktop->addWindow(caption.toStdString());
        }
        captionText = caption;
    }
    QString controlText(const QString& name) const override {
        if (!controls.count(name))
            throw Error(err::NoSuchControl, "No control named " + name.toStdString());
        return controls.at(name);
    }
    void setControlText(const QString& name, const QString& text) override {
        controls[name] = text;
    }
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
    const FakeNode& node(int i) const { return m_nodes[static_cast<std::size_t>(checked(i) - 1)]; }
    int nextWithParent(int parent, int from) const {
        for (int i = from; i <= nodeCount(); ++i)
            if (m_nodes[static_cast<std::size_t>(i - 1)].parent == parent) return i;
        return 0;
    }
    int note(const char* what, int i) {
        m_trace += what + ("(" + std::to_string(checked(i)) + ") ");
        return i;
    }
    void report(const QString& what, const QString& file) {
        if (file.contains(QStringLiteral("missing")))
            throw Error(err::FileNotFound, "File not found: " + file.toStdString());
        m_trace += what.toStdString();
    }
    std::vector<FakeNode> m_nodes;
    std::string& m_trace;
};

}  // namespace nightaudit::test
