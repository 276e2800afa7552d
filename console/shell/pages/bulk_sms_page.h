#pragma once

#include <QWidget>

// Page "短信群发" of the main window: recipients, the message and the send records. Empty until its controls are added.
class CBulkSmsPage final : public QWidget {
    Q_OBJECT
public:
    explicit CBulkSmsPage(QWidget* parent = nullptr);

    // Brings messages queued since the last look into the send-record list.
    void ShowNewPending();
};
