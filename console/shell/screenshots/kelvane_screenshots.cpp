// Writes pictures of the console for review: the main window on each of its pages, every
// dialog of the shell, a sheet of the widget kit's controls in their states, and three
// operator views: the list's selection with and without focus, a message box over a moved
// window, and the batch list with a narrowed column and the tooltip of a cut name.
// usage: kelvane_screenshots [output folder]   (default: <build>/screenshots)

#include "change_passwords_dialog.h"
#include "color_list_ctrl.h"
#include "color_list_model.h"
#include "connection_owner.h"
#include "db_connection.h"
#include "execute_sql.h"
#include "kit_art.h"
#include "kit_look.h"
#include "login_dialog.h"
#include "main_dialog.h"
#include "message_dialog.h"
#include "modal_runner.h"
#include "product_batch_page.h"
#include "program_directory.h"
#include "recipient_number_dlg.h"
#include "reply_text_dialog.h"
#include "schema.h"
#include "scripted_dialogs.h"
#include "skin_button.h"
#include "skin_check_box.h"
#include "skin_combo_box.h"
#include "skin_edit.h"
#include "skin_frame.h"
#include "skin_static.h"
#include "widget_dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QToolTip>

#include <cstdio>

namespace {

QDir g_out;
int g_written = 0;

void Save(QWidget& widget, const QString& name)
{
    QApplication::processEvents();
    const QString path = g_out.filePath(name + QStringLiteral(".png"));
    if (widget.grab().save(path)) {
        ++g_written;
        std::printf("%s\n", qPrintable(path));
    } else {
        std::fprintf(stderr, "kelvane_screenshots: cannot write %s\n", qPrintable(path));
    }
}

void Hover(QWidget* widget)
{
    QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
    QApplication::sendEvent(widget, &enter);
}

void ShotDialog(CSkinDialog& dialog, const QString& name)
{
    dialog.show();
    Save(dialog, name);
    dialog.hide();
}

void MainWindowShots()
{
    CMainDialog window;
    window.OnInitDialog();
    window.show();
    Save(window, QStringLiteral("main-start"));
    for (int n = 0; n < 8; ++n) {
        window.ShowPage(n);
        Save(window, QStringLiteral("main-page%1").arg(n));
    }
}

void DialogShots()
{
    CLoginDialog login;
    login.SetShowHint(true);
    ShotDialog(login, QStringLiteral("dialog-login"));

    CLoginDialog administrator;
    administrator.SetTitle(QStringLiteral("请输入防伪系统的系统管理员口令"));
    administrator.show();
    administrator.findChild<QLineEdit*>(QStringLiteral("1144"))->setText(QStringLiteral("secret"));
    Save(administrator, QStringLiteral("dialog-administrator"));

    CChangePasswordsDialog change;
    change.SetAdministratorPassword(QStringLiteral("482"));
    change.SetOperatorPassword(QStringLiteral("759"));
    ShotDialog(change, QStringLiteral("dialog-change-passwords"));

    CMessageDialog notice;
    notice.SetText(QStringLiteral("连接数据库失败！"));
    ShotDialog(notice, QStringLiteral("dialog-message-notice"));

    CMessageDialog question;
    question.SetText(QStringLiteral("真的要退出“Ostrel”吗？"));
    question.SetWithCancel(true);
    ShotDialog(question, QStringLiteral("dialog-message-question"));

    CMessageDialog longer;
    longer.SetText(QStringLiteral(
        "注意：您的此步操作将删除选中产品的所有信息（包括防伪码、查询记录等）。\r\n确认您要做此操作吗？"));
    longer.SetWithCancel(true);
    ShotDialog(longer, QStringLiteral("dialog-message-long"));

    CReplyTextDialog reply;
    reply.show();
    reply.findChild<QPlainTextEdit*>(QStringLiteral("1092"))
        ->setPlainText(QStringLiteral("您好，您查询的产品为正品，感谢您的支持！"));
    Save(reply, QStringLiteral("dialog-reply-text"));

    CRecipientNumberDlg number;
    number.show();
    number.findChild<QLineEdit*>(QStringLiteral("1132"))->setText(QStringLiteral("13800138000"));
    Save(number, QStringLiteral("dialog-recipient-number"));
}

void KitShot()
{
    QWidget sheet;
    sheet.setAutoFillBackground(true);
    sheet.resize(640, 400);

    const char16_t* names[] = {u"新加货品", u"生成防伪码", u"打印防伪码", u"删除货品"};
    CSkinButton* buttons[4];
    for (int i = 0; i < 4; ++i) {
        buttons[i] = new CSkinButton(QString::fromUtf16(names[i]), &sheet);
        buttons[i]->setGeometry(20 + i * 90, 20, 80, 24);
    }
    Hover(buttons[1]);
    buttons[2]->setDefault(true);
    buttons[3]->setEnabled(false);

    auto* group = new CSkinFrame(QStringLiteral("短信接收者"), &sheet);
    group->setGeometry(20, 60, 290, 150);
    auto* list = new CColorListCtrl(&sheet);
    list->setGeometry(32, 82, 266, 116);
    list->InsertColumn(0, QStringLiteral("产品名称"), Qt::AlignLeft, 90);
    list->InsertColumn(1, QStringLiteral("产品数量"), Qt::AlignLeft, 70);
    list->InsertColumn(2, QStringLiteral("查询状态"), Qt::AlignLeft, 80);
    list->InsertColumn(3, QStringLiteral("产品编号"), Qt::AlignLeft, -10);
    const char16_t* rows[][3] = {
        {u"绿茶", u"5000", u"启用"}, {u"红茶", u"1200", u"未启用"}, {u"乌龙", u"800", u"停用"}};
    for (int r = 0; r < 3; ++r) {
        list->InsertItem(r, QString::fromUtf16(rows[r][0]));
        list->SetItemText(r, 1, QString::fromUtf16(rows[r][1]));
        list->SetItemText(r, 2, QString::fromUtf16(rows[r][2]));
    }
    list->SetGridLines(true);
    list->SetSelectionBackground(ListSelectionBackground());
    list->SetSelectionText(Qt::black);
    list->SetItemSelected(1, true);

    auto* plain = new CSkinFrame(&sheet);
    plain->setGeometry(330, 60, 290, 60);
    auto* disabled = new CSkinFrame(QStringLiteral("发送记录"), &sheet);
    disabled->setGeometry(330, 130, 290, 80);
    disabled->setEnabled(false);

    auto* combo = new CSkinComboBox(&sheet);
    combo->addItems({QStringLiteral("全部省份"), QStringLiteral("浙江省"), QStringLiteral("福建省")});
    combo->setGeometry(20, 230, 150, 24);
    auto* edit = new CSkinEdit(&sheet);
    edit->setText(QStringLiteral("13800138000"));
    edit->setGeometry(190, 230, 150, 24);
    auto* check = new CSkinCheckBox(QStringLiteral("按时间查询"), &sheet);
    check->setChecked(true);
    check->setGeometry(360, 230, 120, 24);
    auto* unchecked = new CSkinCheckBox(QStringLiteral("按地区查询"), &sheet);
    unchecked->setGeometry(480, 230, 120, 24);
    auto* label = new CSkinStatic(QStringLiteral("操作口令："), &sheet);
    label->setGeometry(20, 280, 90, 22);
    sheet.show();
    Save(sheet, QStringLiteral("kit"));
}

// Two lists with the same selected row, the left one holding the focus.
void SelectionShot()
{
    QWidget sheet;
    sheet.setAutoFillBackground(true);
    sheet.resize(560, 150);
    CColorListCtrl* lists[2];
    for (int i = 0; i < 2; ++i) {
        auto* list = new CColorListCtrl(&sheet);
        list->setGeometry(10 + i * 275, 10, 265, 130);
        list->InsertColumn(0, QStringLiteral("产品名称"), Qt::AlignLeft, 120);
        list->InsertColumn(1, QStringLiteral("产品数量"), Qt::AlignLeft, 70);
        const char16_t* names[] = {u"绿茶", u"红茶", u"乌龙"};
        for (int r = 0; r < 3; ++r) {
            list->InsertItem(r, QString::fromUtf16(names[r]));
            list->SetItemText(r, 1, QString::number(1000 * (r + 1)));
        }
        list->SetGridLines(true);
        list->SetSelectionBackground(ListSelectionBackground());
        list->SetSelectionText(Qt::black);
        list->SetItemSelected(1, true);
        lists[i] = list;
    }
    sheet.show();
    QApplication::setActiveWindow(&sheet);
    lists[0]->setFocus();
    Save(sheet, QStringLiteral("list-selection-focused-left"));
}

// A stand-in screen with the main window moved off the middle and a message box the
// console raised while no window was active, both drawn where they stand.
void MessageOnMovedWindowShot()
{
    CMainDialog window;
    window.OnInitDialog();
    window.move(560, 330);
    window.show();
    QApplication::processEvents();
    QApplication::setActiveWindow(nullptr);

    const QRect screen(0, 0, 1600, 1000);
    QPixmap desktop(screen.size());
    desktop.fill(QColor(58, 110, 165));
    SetModalHook([&](QDialog& dialog) {
        dialog.show();
        QApplication::processEvents();
        QPainter painter(&desktop);
        painter.drawPixmap(window.frameGeometry().topLeft(), window.grab());
        painter.drawPixmap(dialog.frameGeometry().topLeft(), dialog.grab());
        painter.setPen(QPen(Qt::red, 1, Qt::DashLine));
        const QPoint centre = window.frameGeometry().center();
        painter.drawLine(centre - QPoint(20, 0), centre + QPoint(20, 0));
        painter.drawLine(centre - QPoint(0, 20), centre + QPoint(0, 20));
        dialog.accept();
        return int(QDialog::Accepted);
    });
    WidgetDialogs dialogs;
    dialogs.ShowMessage(QStringLiteral("连接数据库失败！"), false);
    SetModalHook(ModalHook());
    const QString path = g_out.filePath(QStringLiteral("message-on-moved-window.png"));
    if (desktop.save(path)) {
        ++g_written;
        std::printf("%s\n", qPrintable(path));
    }
}

// The batch page with two long names that cut alike, the name column narrowed by the
// operator so the last columns come into view, and the tooltip of a cut name.
void BatchColumnsShot(const QString& database)
{
    {
        CDbConnection connection;
        connection.Open("Provider=SQLite;Data Source=" + database.toStdString() + ";", -1);
        std::string error;
        if (!CreateSchema(connection, error))
            std::fprintf(stderr, "kelvane_screenshots: %s\n", error.c_str());
        const char* rows[][6] = {
            {"金穗复合肥25公斤装（高氮型）", "春季", "1000001", "1005000", "5000", "启用"},
            {"金穗复合肥25公斤装（高磷型）", "秋季", "1005001", "1008000", "3000", "未启用"},
            {"绿茶", "", "1008001", "1008500", "500", "停用"},
        };
        int number = 1;
        for (const auto& row : rows)
            ExecuteSql(connection,
                       std::string("insert into ProductGroupTable (ProductName,ProductRemark,CreateCodeTime,"
                                   "UseCodeTime,StartNumber,EndNumber,ProductCount,ProductStatus,ProductCode) "
                                   "values ('") +
                           row[0] + "','" + row[1] + "',#2026-03-15 09:30:00#,#2026-03-16 08:00:00#,'" + row[2] +
                           "','" + row[3] + "'," + row[4] + ",'" + row[5] + "'," + std::to_string(number++) + ")");
    }
    CMainDialog window;
    window.OnInitDialog();
    window.show();
    window.ShowPage(1);
    QApplication::processEvents();
    auto* page = window.findChild<CProductBatchPage*>();
    auto* list = page ? page->findChild<CColorListCtrl*>(QStringLiteral("list")) : nullptr;
    if (!list) {
        std::fprintf(stderr, "kelvane_screenshots: the batch page has no list\n");
        return;
    }
    page->LoadBatches();
    // Narrowed by dragging as an operator does: name and description give way.
    const int widths[] = {70, 40, 122, 122, 70, 70, 50, 60};
    for (int column = 0; column < 8; ++column)
        list->SetColumnWidth(column, widths[column]);
    list->SetItemSelected(1, true);
    QApplication::processEvents();
    const QRect cell = list->visualRect(list->Model()->index(0, 0));
    const QPoint at = list->viewport()->mapToGlobal(cell.center());
    QHelpEvent help(QEvent::ToolTip, cell.center(), at);
    QApplication::sendEvent(list->viewport(), &help);
    QApplication::processEvents();
    QPixmap picture = window.grab();
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->inherits("QTipLabel") && top->isVisible()) {
            QPainter painter(&picture);
            painter.drawPixmap(top->mapToGlobal(QPoint(0, 0)) - window.mapToGlobal(QPoint(0, 0)), top->grab());
        }
    }
    QToolTip::hideText();
    const QString path = g_out.filePath(QStringLiteral("batch-list-columns-tooltip.png"));
    if (picture.save(path)) {
        ++g_written;
        std::printf("%s\n", qPrintable(path));
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    g_out = QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(KELVANE_SCREENSHOT_DIR));
    if (!g_out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "kelvane_screenshots: cannot make %s\n", qPrintable(g_out.path()));
        return 1;
    }
    ApplyConsoleLook();

    // A program directory of its own with the pictures beside it and an empty database.
    QTemporaryDir home;
    const QString art = QApplication::applicationDirPath();
    SetArtDirectory(art);
    SetProgramDirectory(home.path());
    for (const char* picture : {"m2.bmp", "m3.bmp"})
        QFile::copy(QDir(art).filePath(QString::fromLatin1(picture)), home.filePath(QString::fromLatin1(picture)));
    {
        CDbConnection create;
        create.Open("Provider=SQLite;Data Source=" + home.filePath(QStringLiteral("Varnholt.db")).toStdString() +
                        ";Create=1;",
                    -1);
    }
    ScriptedDialogs dialogs;

    MainWindowShots();
    DialogShots();
    KitShot();
    SelectionShot();
    MessageOnMovedWindowShot();
    BatchColumnsShot(home.filePath(QStringLiteral("Varnholt.db")));
    DestroyTheConnection();
    std::printf("%d pictures in %s\n", g_written, qPrintable(g_out.path()));
    return g_written > 0 ? 0 : 1;
}
