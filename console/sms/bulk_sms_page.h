#pragma once

#include "send_queue.h"
#include "send_record_list.h"

#include <QTimer>
#include <QWidget>

#include <optional>
#include <vector>

class CColorListCtrl;
class CSkinButton;
class QPlainTextEdit;

// Page 7 of the console, "短信群发": recipients typed or imported, one message queued once
// per recipient, and the send records, which follow the queue: the whole table once, 1.5 s
// after the page is made, then every 4.5 s the rows whose NewFlag says they changed.
// The cells change only after the database took the change. A read that fails leaves the
// list as it was and is tried again by the next tick.
class CBulkSmsPage final : public QWidget {
    Q_OBJECT
    // While a long fetch lets the window work, the console must not end under it.
    Q_PROPERTY(bool busy READ IsBusy)
public:
    enum Column { kIndex = 0, kStatus = 1, kTime = 2, kPhone = 3, kContent = 4 };
    static constexpr int kFirstLoadMs = 1500;
    static constexpr int kRefreshMs = 4500;

    explicit CBulkSmsPage(QWidget* parent = nullptr);
    ~CBulkSmsPage() override;

    void AddOne();
    void ImportNumbers();
    void RemoveRecipients();
    void Send();
    void Resend();
    void DeleteOne();
    void ClearAll();
    void ExportRecords();

    // Brings the pending rows queued since the last look to the top of the send records;
    // during a pass of the page, or while another page's long run has the connection,
    // when the pass ends or with the next refresh.
    void ShowNewPending();
    // The refresh cycle: the full load (timer 1, which then starts timer 2) and the
    // changed-row refresh (timer 2).
    void LoadAll();
    void RefreshChanged();

    bool IsBusy() const { return m_busy; }
    CColorListCtrl* Recipients() const { return m_recipients; }
    CColorListCtrl* Records() const { return m_records; }
    QPlainTextEdit* MessageEdit() const { return m_message; }
    const SendRecordList& RecordList() const { return m_list; }
    const QTimer& FirstLoadTimer() const { return m_firstLoad; }
    const QTimer& RefreshTimer() const { return m_refresh; }

private:
    class BusyScope;
    // The queue on the console's connection; a long pass through it keeps the window
    // alive between rows.
    std::optional<SendQueue> Queue() const;
    void AddRecords(std::size_t position, std::size_t count);
    void ShowChange(const SendRecordList::Change& change);
    // The full load; until one succeeds, the refresh ticks try it again.
    void LoadFrom(SendQueue& queue);
    // False when the read failed: the rows wait, flagged, for the next refresh.
    bool ShowNewPendingFrom(SendQueue& queue);
    // A failed read is told once, until a read succeeds again; the list keeps its rows.
    void TellReadFailed();
    // Queues the text for the numbers, all or none, and shows the new rows; false when
    // nothing was queued.
    bool Enqueue(const std::vector<std::string>& phones, const std::string& text);
    int SelectedRecordOrTell(const QString& noSelection) const;

    CColorListCtrl* m_recipients;
    QPlainTextEdit* m_message;
    CColorListCtrl* m_records;
    std::vector<QWidget*> m_commands;
    SendRecordList m_list;
    bool m_busy = false;
    bool m_pendingAgain = false;
    bool m_loaded = false;
    bool m_readFailed = false;
    QTimer m_firstLoad;
    QTimer m_refresh;
};
