#pragma once

#include "dib_image.h"
#include "window_drag.h"

#include <QWidget>

#include <array>

class CImageButton;
class CNavButton;
class CPageHost;
class CSkinFrame;
class QEventLoop;
class QSystemTrayIcon;

// The console's one long-lived window: borderless, painted with its background picture,
// a column of navigation buttons on the left and the page host on the right. It runs as
// the application's modal loop; a confirmed exit ends it.
class CMainDialog final : public QWidget {
    Q_OBJECT
public:
    // What the tray icon reports.
    enum class TrayEvent { LeftPress, RightPress, Other };

    explicit CMainDialog(QWidget* parent = nullptr);
    ~CMainDialog() override;

    // The initialisation: pages, buttons, tray, connection, title. True when the database
    // is connected; otherwise the operator was told and the window stays up untitled.
    bool OnInitDialog();
    // Initialises if that has not happened, shows the window and runs until EndDialog.
    int RunModal();
    void EndDialog(int result);
    bool IsEnded() const { return m_ended; }
    int Result() const { return m_result; }

    // Shows page n (0 to 7) and selects its button.
    void ShowPage(int n);
    CPageHost* PageHost() const { return m_pageHost; }
    CNavButton* ColumnButton(int index) const; // 0..7 the pages, 8 the exit button

    // Commands.
    void OnExit();
    void OnHide();
    void OnChangePasswords();
    // The tray icon's handler: answers 0 when ignored because a prompt is already open.
    int OnTrayNotify(TrayEvent event);
    // A second start asked this copy to show itself: no password is asked.
    void ShowFromSecondStart();

    bool HasTrayIcon() const;
    static bool TrayBusy();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void AddTrayIcon();

    CDibImage m_background;
    std::array<CNavButton*, 9> m_column{};
    CImageButton* m_hide;
    CImageButton* m_close;
    CImageButton* m_password;
    CPageHost* m_pageHost;
    CSkinFrame* m_pageFrame;
    QSystemTrayIcon* m_tray = nullptr;
    QEventLoop* m_loop = nullptr;
    bool m_initialised = false;
    bool m_ended = false;
    int m_result = 0;
    CWindowDrag m_drag;
};
