#pragma once

#include <QWidget>

namespace nightaudit {

// Placeholder main window until the start-up lands.
class dlgMain : public QWidget {
    Q_OBJECT
public:
    explicit dlgMain(QWidget* parent = nullptr);
};

}  // namespace nightaudit
