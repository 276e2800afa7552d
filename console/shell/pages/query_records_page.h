#pragma once

#include <QWidget>

// Page "查询记录" of the main window: the query log with its filters, replies and export. Empty until its controls are added.
class CQueryRecordsPage final : public QWidget {
    Q_OBJECT
public:
    explicit CQueryRecordsPage(QWidget* parent = nullptr);

signals:
    // A manual reply was queued; the page host has the bulk SMS page show it at once.
    void ReplyQueued();
};
