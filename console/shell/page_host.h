#pragma once

#include <QWidget>

#include <array>

class CBulkSmsPage;

// The area of the main window that shows one page at a time. It owns the eight pages, made
// in the order of the navigation buttons; each page fills the whole area.
class CPageHost final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPageCount = 8;

    explicit CPageHost(QWidget* parent = nullptr);

    // Lays the pages over the area: the home page visible, the others hidden.
    void CreatePages();
    // Page n, or nullptr when there is none.
    QWidget* Page(int n) const;
    int PageCount() const { return kPageCount; }
    CBulkSmsPage* BulkSmsPage() const { return m_bulkSms; }
    // True while a page has work under way that must finish before the console ends (a
    // page says so through a bool property "busy").
    bool IsBusy() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Enter and Escape on a page do nothing: they must not reach the main window, where
    // they ask to quit.
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::array<QWidget*, kPageCount> m_pages{};
    CBulkSmsPage* m_bulkSms = nullptr;
};
