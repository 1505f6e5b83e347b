#pragma once

// Test doubles of the main window, the run log and the report import, and a desktop
// that writes the fake desktop's record into one trace shared with the waits and the
// tree marks, so a test compares the whole order of a run in one string.

#include <QString>
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
#include "support/InstantWaiter.h"

namespace nightaudit::test {

// Passes every call on to a FakeDesktop and copies what it recorded into `trace`.
class TracingDesktop : public Desktop {
public:
    TracingDesktop(FakeDesktop& fake, std::string& trace) : m_fake(fake), m_trace(trace) {}

    void activate(const std::string& title) override {
        forward([&] { m_fake.activate(title); });
    }
    void sendKeys(const std::string& keys) override {
        forward([&] { m_fake.sendKeys(keys); });
    }
    void launch(const std::string& commandLine) override {
        forward([&] { m_fake.launch(commandLine); });
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

// The tree as a list of node keys in pre-order with parent links (0 = top level).
struct FakeNode {
    FakeNode(const char* k, int p = 0) : key(QString::fromUtf8(k)), parent(p) {}
    QString key;
    int parent = 0;
};

class FakeHost : public PlaybackHost {
public:
    FakeHost(std::vector<FakeNode> nodes, std::string& trace)
        : m_nodes(std::move(nodes)), m_trace(trace) {}

    std::map<QString, QString> controls;
    std::vector<int> marks;    // markNodePlayed, in order
    std::vector<int> visible;  // ensureNodeVisible, in order
    int events = 0;            // processEvents calls
    QString captionText = QStringLiteral("Quillmar Night Audit");
    // When set, the main window's title on that desktop follows the caption, as a
    // real window's does, so activating the main window by its caption finds it.
    FakeDesktop* desktop = nullptr;
    int selected = 0;

    int nodeCount() const override { return static_cast<int>(m_nodes.size()); }
    QString nodeKey(int index) const override { return node(index).key; }
    void ensureNodeVisible(int index) override {
        node(index);
        visible.push_back(index);
    }
    void markNodePlayed(int index) override {
        node(index);
        marks.push_back(index);
        m_trace += "mark(" + std::to_string(index) + ") ";
    }
    int selectedNodeIndex() const override { return selected; }
    void selectNode(int index) override {
        node(index);
        selected = index;
        m_trace += "select(" + std::to_string(index) + ") ";
    }
    int childCount(int index) const override {
        node(index);
        int n = 0;
        for (const auto& c : m_nodes) n += c.parent == index ? 1 : 0;
        return n;
    }
    int firstChild(int index) const override {
        node(index);
        for (int i = 1; i <= nodeCount(); ++i)
            if (m_nodes[i - 1].parent == index) return i;
        return 0;
    }
    int nextSibling(int index) const override {
        const int parent = node(index).parent;
        for (int i = index + 1; i <= nodeCount(); ++i)
            if (m_nodes[i - 1].parent == parent) return i;
        return 0;
    }
    int nodeIndexForKey(const QString& key) const override {
        for (int i = 1; i <= nodeCount(); ++i)
            if (m_nodes[i - 1].key == key) return i;
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
        const auto it = controls.find(name);
        if (it == controls.end())
            throw Error(err::NoSuchControl, "No control named " + name.toStdString());
        return it->second;
    }
    void setControlText(const QString& name, const QString& text) override {
        controls[name] = text;
    }
    void processEvents() override {
        ++events;
        if (onEvents) onEvents();
    }
    std::function<void()> onEvents;  // plays an event handler run by DoEvents

private:
    const FakeNode& node(int index) const {
        if (index < 1 || index > nodeCount())
            throw Error(err::NoSuchNode, "No node with index " + std::to_string(index));
        return m_nodes[static_cast<std::size_t>(index - 1)];
    }
    std::vector<FakeNode> m_nodes;
    std::string& m_trace;
};

class FakeRunLog : public RunLog {
public:
    QStringList lines;
    int clears = 0;
    void clear() override {
        lines.clear();
        ++clears;
    }
    void append(const QString& line) override { lines << line; }
};

// Records each call as "print(text) " and the like into the trace; can fail on demand.
class FakeReports : public Reports {
public:
    explicit FakeReports(std::string& trace) : m_trace(trace) {}
    bool fail = false;
    void printText(const QString& text) override { note("print(" + text + ") "); }
    void parseReport(const QString& file) override { note("parse(" + file + ") "); }
    void loadNoShowList(const QString& file) override { note("noshow(" + file + ") "); }
    void showNextNoShow() override { note("nextguest "); }

private:
    void note(const QString& what) {
        if (fail) throw Error(err::FileNotFound, "File not found");
        m_trace += what.toStdString();
    }
    std::string& m_trace;
};

}  // namespace nightaudit::test
