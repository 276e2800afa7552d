#include "main_dialog.h"

#include "connection_owner.h"
#include "db_connection.h"
#include "dialogs.h"
#include "image_button.h"
#include "kit_art.h"
#include "kit_look.h"
#include "link_file.h"
#include "nav_button.h"
#include "page_host.h"
#include "passwords.h"
#include "program_directory.h"
#include "skin_frame.h"
#include "window_title.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSystemTrayIcon>

namespace {

// Guards the tray handler while its password prompt is open: the icon keeps reporting
// presses meanwhile.
int g_trayBusy = 0;

const char16_t* const kCaptions[] = {u"首  页",   u"货品批次", u"查询记录", u"查询统计",
                                     u"假货警示", u"串货监督", u"货品查询", u"短信群发"};
// The navigation column in dialog units: y of each page button, then the exit button.
constexpr int kColumnY[] = {64, 78, 92, 106, 121, 136, 151, 165, 180};
constexpr int kFirstPageButton = 1006;

} // namespace

CMainDialog::CMainDialog(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setFixedSize(DluSize(503, 346));
    setFocusPolicy(Qt::StrongFocus);

    for (int i = 0; i < 9; ++i) {
        const bool exit = i == 8;
        auto* button = new CNavButton(exit ? QStringLiteral("退  出") : QString::fromUtf16(kCaptions[i]), this);
        button->setObjectName(exit ? QStringLiteral("1") : QString::number(kFirstPageButton + i));
        button->setGeometry(DluRect(21, kColumnY[i], 50, 12));
        m_column[static_cast<size_t>(i)] = button;
        if (exit)
            connect(button, &QAbstractButton::clicked, this, &CMainDialog::OnExit);
        else
            connect(button, &QAbstractButton::clicked, this, [this, i]() { ShowPage(i); });
    }

    const auto imageButton = [this](const QString& id, QRect place, void (CMainDialog::*command)()) {
        auto* button = new CImageButton(this);
        button->setObjectName(id);
        button->setGeometry(place);
        connect(button, &QAbstractButton::clicked, this, command);
        return button;
    };
    m_close = imageButton(QStringLiteral("2"), DluRect(486, 3, 14, 14), &CMainDialog::OnExit);
    m_hide = imageButton(QStringLiteral("1005"), DluRect(471, 3, 14, 14), &CMainDialog::OnHide);
    m_password = imageButton(QStringLiteral("1147"), DluRect(27, 235, 32, 32), &CMainDialog::OnChangePasswords);

    m_pageHost = new CPageHost(this);
    m_pageHost->setObjectName(QStringLiteral("1000"));
    m_pageHost->setGeometry(DluRect(75, 64, 419, 265));

    m_pageFrame = new CSkinFrame(this);
    m_pageFrame->setObjectName(QStringLiteral("1001"));
}

CMainDialog::~CMainDialog()
{
    // The tray icon goes with the window.
    if (m_tray)
        m_tray->hide();
}

CNavButton* CMainDialog::ColumnButton(int index) const
{
    return index >= 0 && index < 9 ? m_column[static_cast<size_t>(index)] : nullptr;
}

bool CMainDialog::OnInitDialog()
{
    m_initialised = true;
    setWindowIcon(QIcon(ArtPath(QStringLiteral("skin/kelvane.png"))));

    m_pageHost->CreatePages();
    // The frame's left and top edges one pixel outside the page host, its right and bottom
    // edges on the page host's own.
    const QRect host = m_pageHost->geometry();
    m_pageFrame->setGeometry(host.x() - 1, host.y() - 1, host.width() + 1, host.height() + 1);
    m_pageFrame->raise();

    const QColor key = ArtKeyColour();
    m_hide->SetBitmaps(QStringLiteral("skin/hide.bmp"), key, QStringLiteral("skin/hide_hover.bmp"), key);
    m_hide->SetTooltipText(QStringLiteral("隐藏程序窗口。\n点击桌面右下角可重新显示窗口。"));
    m_close->SetBitmaps(QStringLiteral("skin/close.bmp"), key, QStringLiteral("skin/close_hover.bmp"), key);
    m_password->SetBitmaps(QStringLiteral("skin/password.bmp"), key, QStringLiteral("skin/password_hover.bmp"), key);
    m_password->SetTooltipText(QStringLiteral("修改系统口令"));
    for (CNavButton* button : m_column)
        button->SetBitmaps(QStringLiteral("skin/nav_normal.bmp"), QStringLiteral("skin/nav_selected.bmp"),
                           QStringLiteral("skin/nav_hot.bmp"), QStringLiteral("skin/nav_disabled.bmp"), key);

    AddTrayIcon();

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    m_background.Load(ProgramFile(QStringLiteral("m2.bmp")));

    const std::string connectionString = ChooseConnectionString(ProgramDirectory().toStdString());
    CDbConnection& connection = CreateTheConnection();
    connection.CloseIfOpen();
    if (!connection.Open(connectionString, -1)) {
        ShowMessage(QStringLiteral("连接数据库失败！"));
        setWindowTitle(QString());
        return false;
    }
    setWindowTitle(ReadWindowTitle(ProgramDirectory()));
    return true;
}

int CMainDialog::RunModal()
{
    if (!m_initialised)
        OnInitDialog();
    if (m_ended)
        return m_result;
    show();
    raise();
    activateWindow();
    QEventLoop loop;
    m_loop = &loop;
    loop.exec();
    m_loop = nullptr;
    return m_result;
}

void CMainDialog::EndDialog(int result)
{
    m_ended = true;
    m_result = result;
    hide();
    if (m_loop)
        m_loop->quit();
}

void CMainDialog::ShowPage(int n)
{
    for (CNavButton* button : m_column)
        button->SetState(CNavButton::Normal);
    if (CNavButton* button = ColumnButton(n); button && n < CPageHost::kPageCount)
        button->SetState(CNavButton::Selected);
    QWidget* page = m_pageHost->Page(n);
    if (!page)
        return;
    for (int other = 0; other < m_pageHost->PageCount(); ++other)
        if (other != n)
            m_pageHost->Page(other)->hide();
    page->show();
    page->raise();
    page->setFocus();
}

void CMainDialog::OnExit()
{
    // A page's run (code generation pumps the window meanwhile) would otherwise go on
    // with the window hidden; the request is dropped and the window stays until it ends.
    if (m_pageHost->IsBusy())
        return;
    if (ShowMessage(QStringLiteral("真的要退出“Ostrel”吗？"), true))
        EndDialog(1);
}

void CMainDialog::OnHide()
{
    // Without a tray to bring it back from, the window is only minimised.
    if (HasTrayIcon())
        hide();
    else
        showMinimized();
}

void CMainDialog::OnChangePasswords()
{
    // Its prompts would hold a page's run (code generation) until they are answered.
    if (m_pageHost->IsBusy())
        return;
    ChangePasswords();
}

int CMainDialog::OnTrayNotify(TrayEvent event)
{
    // The password prompt would hold a page's run until it is answered.
    if (g_trayBusy || m_pageHost->IsBusy())
        return 0;
    g_trayBusy = 1;
    if (event == TrayEvent::LeftPress || event == TrayEvent::RightPress) {
        if (Login() != kNoAccess) {
            showNormal();
            raise();
            activateWindow();
        }
    }
    g_trayBusy = 0;
    return 1;
}

void CMainDialog::ShowFromSecondStart()
{
    if (m_ended)
        return;
    showNormal();
    raise();
    activateWindow();
    // A prompt open over the window comes to the front with it.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
}

bool CMainDialog::HasTrayIcon() const
{
    return m_tray && m_tray->isVisible();
}

bool CMainDialog::TrayBusy()
{
    return g_trayBusy != 0;
}

void CMainDialog::AddTrayIcon()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_tray = new QSystemTrayIcon(windowIcon(), this);
    m_tray->setToolTip(QStringLiteral("显示防伪系统管理器窗口"));
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        switch (reason) {
        case QSystemTrayIcon::Trigger:
            OnTrayNotify(TrayEvent::LeftPress);
            break;
        case QSystemTrayIcon::Context:
            OnTrayNotify(TrayEvent::RightPress);
            break;
        default:
            OnTrayNotify(TrayEvent::Other);
            break;
        }
    });
    m_tray->show();
}

void CMainDialog::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_background.IsLoaded())
        m_background.Paint(painter);
    else
        painter.fillRect(rect(), palette().color(QPalette::Window));
}

void CMainDialog::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        // The body moves the captionless window.
        m_drag.Start(this, event);
        return;
    }
    QWidget::mousePressEvent(event);
}

void CMainDialog::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_drag.Move(this, event))
        QWidget::mouseMoveEvent(event);
}

void CMainDialog::mouseReleaseEvent(QMouseEvent* event)
{
    m_drag.Stop();
    QWidget::mouseReleaseEvent(event);
}

void CMainDialog::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        OnExit();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void CMainDialog::closeEvent(QCloseEvent* event)
{
    // Every way of closing asks first; a confirmed exit ends the loop itself.
    event->ignore();
    if (!m_ended)
        OnExit();
}
