#pragma once

#include <QString>

#include "PlaybackState.h"

namespace nightaudit {

// The task tree as the runs walk it. Node indexes count from 1 in pre-order; every
// method that takes an index throws Error(err::NoSuchNode) when no node has it.
class NodeTree {
public:
    virtual ~NodeTree() = default;

    virtual int nodeCount() const = 0;
    virtual QString nodeKey(int index) const = 0;
    virtual void ensureNodeVisible(int index) = 0;
    virtual void markNodePlayed(int index) = 0;  // text colour 65280
    virtual int selectedNodeIndex() const = 0;   // 0 when nothing is selected
    virtual void selectNode(int index) = 0;
    virtual int childCount(int index) const = 0;
    virtual int firstChild(int index) const = 0;                // 0 when none
    virtual int nextSibling(int index) const = 0;               // 0 when none
    virtual int nodeIndexForKey(const QString& key) const = 0;  // indexOfKey
};

// The main window's caption and its named text fields.
class WindowFields {
public:
    virtual ~WindowFields() = default;

    virtual QString caption() const = 0;
    virtual void setCaption(const QString& caption) = 0;

    // Text of the main-window control named `controlName` (special1 ... special7 and
    // any other control with a text). Throws Error(err::NoSuchControl) otherwise.
    virtual QString controlText(const QString& controlName) const = 0;
    virtual void setControlText(const QString& controlName, const QString& text) = 0;
};

// DoEvents: handles the window events already pending.
class EventPump {
public:
    virtual ~EventPump() = default;
    virtual void processEvents() = 0;
};

// The main window as the key sequence player needs it: all three roles. Everything
// else takes only the role it uses.
class PlaybackHost : public NodeTree, public WindowFields, public EventPump {};

}  // namespace nightaudit
