#pragma once

#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class CColorListCtrl;
class CSkinButton;
class CSkinFrame;
class Clock;
class QProgressBar;
class StickerPrinter;

// Page 1 of the console, "货品批次": the batch list and its commands. The list is the
// page's working copy of ProductGroupTable: loaded once, 1.2 s after the page is created,
// and from then on changed only by the page's own commands, which update a row's cells
// and the database together.
class CProductBatchPage final : public QWidget {
    Q_OBJECT
    // The main window asks this before it lets the console end: a run must not go on hidden.
    Q_PROPERTY(bool busy READ IsGenerating)
public:
    enum Column {
        kName = 0,
        kRemark = 1,
        kCreateCodeTime = 2,
        kUseCodeTime = 3,
        kStartNumber = 4,
        kEndNumber = 5,
        kCount = 6,
        kStatus = 7,
        kBatchNumber = 8,
    };
    static constexpr int kLoadDelayMs = 1200;
    static constexpr int kSlowQuantity = 200;

    explicit CProductBatchPage(QWidget* parent = nullptr);
    ~CProductBatchPage() override;

    // The page's one load of the list; timer 1 runs it, a test may run it at once.
    void LoadBatches();

    void NewBatch();
    void GenerateCodes();
    void PrintStickers();
    void EnableBatch();
    void DisableBatch();
    void DeleteBatch();
    void EditRemark();

    bool IsGenerating() const { return m_generating; }
    CColorListCtrl* List() const { return m_list; }
    QProgressBar* Progress() const { return m_progress; }

    // Seams for the tests: how the sticker program runs and where its sheets go, and the
    // clock behind the timestamps and the codes.
    StickerPrinter& Stickers() { return *m_stickers; }
    void SetClock(const Clock* clock);

    // Timestamp text of the list cells: "%4d-%02d-%02d %02d:%02d:%02d" in local time.
    QString NowText() const;

private:
    int SelectedRow() const;
    // The selected row; with none, the operator is told why nothing happens and -1 comes back.
    int SelectedRowOrTell(const QString& noSelection) const;
    QString Cell(int row, int column) const;
    void SetCell(int row, int column, const QString& text);
    bool HasCodes(int row) const;
    std::vector<std::string> BatchNumberCells() const;
    void SetCommandsEnabled(bool enabled);
    void ShowProgress(int serial);

    CColorListCtrl* m_list;
    CSkinFrame* m_frame;
    QProgressBar* m_progress;
    std::vector<CSkinButton*> m_buttons;
    QTimer m_loadTimer;
    StickerPrinter* m_stickers;
    const Clock* m_clock;
    bool m_generating = false;
};
