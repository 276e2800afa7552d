#pragma once

#include <QWidget>

// Page "假货警示" of the main window: counterfeit warnings. Empty until its controls are added.
class CFakeWarningPage final : public QWidget {
    Q_OBJECT
public:
    explicit CFakeWarningPage(QWidget* parent = nullptr);
};
