#pragma once

// The program's main window on a throwaway X session, as the program sets it up: typing
// through the platform's desktop, with the Pause key as its stop key.
#include <QPushButton>
#include <QTest>

#include <memory>

#include "app/MainWindow.h"
#include "platform/DesktopFactory.h"
#include "support/TempStore.h"

// Xlib last: its None macro would clash with names in the headers above.
#include "XSession.h"

namespace nightaudit::test {

// Shown on `store` and taken on by the window manager (only then can a desktop activate it by
// its title); null if it was not.
inline std::unique_ptr<MainWindow> openMainWindow(XSession& session, const TempStore& store) {
    auto window = std::make_unique<MainWindow>(QString::fromStdString(store.path()));
    window->load();
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()) ||
        !QTest::qWaitFor([&] { return session.lists(kCaption); }, 10000))
        return nullptr;
    PlatformDesktop made = makeDesktop();
    window->setCollaborators({std::move(made.desktop), {}, {}, {}, {}, std::move(made.stopKey)});
    return window;
}

// Selects the node `key` and presses Go, as the clerk does.
inline void pressGo(MainWindow& window, const QString& key) {
    window.selectNode(window.nodeIndexForKey(key));
    window.controls().go->click();
}

}  // namespace nightaudit::test
