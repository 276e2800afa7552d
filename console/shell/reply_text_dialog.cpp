#include "reply_text_dialog.h"

#include "dialog_controls.h"
#include "dialogs.h"
#include "gbk_byte_limit.h"
#include "kit_look.h"
#include "skin_button.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>

namespace {
constexpr int kMaxBytes = 140;
}

CReplyTextDialog::CReplyTextDialog(QWidget* parent) : CSkinDialog(parent)
{
    setFixedSize(DluSize(209, 121));
    PlaceLabel(this, QString(), QStringLiteral("短信内容："), QRect(18, 40, 120, 20));
    m_edit = new QPlainTextEdit(this);
    m_edit->setObjectName(QStringLiteral("1092"));
    m_edit->setGeometry(18, 62, width() - 36, 74);
    m_edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_edit->setTabChangesFocus(true);
    LimitGbkBytes(m_edit, kMaxBytes);
    m_ok = PlaceOkCancel(this, QRect(66, 148, 75, 19), QRect(173, 148, 75, 19)).ok;
    connect(m_ok, &QAbstractButton::clicked, this, &CReplyTextDialog::OnOk);
    m_edit->installEventFilter(this);
}

void CReplyTextDialog::OnInitDialog()
{
    CSkinDialog::OnInitDialog();
    setWindowTitle(QStringLiteral("输入回复短信的内容"));
    m_edit->setFocus();
}

bool CReplyTextDialog::eventFilter(QObject* watched, QEvent* event)
{
    // With any modifier: Shift+Return would insert a line separator instead.
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            m_ok->click();
            return true;
        }
    }
    return CSkinDialog::eventFilter(watched, event);
}

void CReplyTextDialog::OnOk()
{
    const QString text = m_edit->toPlainText();
    if (text.isEmpty()) {
        ShowMessage(QStringLiteral("请输入短信内容！"));
        m_edit->setFocus();
        return;
    }
    m_text = text;
    accept();
}
