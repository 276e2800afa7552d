#include "login_dialog.h"

#include "dialog_controls.h"
#include "gbk_byte_limit.h"
#include "kit_look.h"
#include "skin_button.h"
#include "skin_edit.h"
#include "skin_static.h"

#include <QLabel>

namespace {
constexpr int kPasswordBytes = 10;
}

CLoginDialog::CLoginDialog(QWidget* parent) : CSkinDialog(parent), m_title(QStringLiteral("请输入防伪系统操作口令"))
{
    setFixedSize(DluSize(202, 124));
    m_hintFirst = PlaceLabel(this, QStringLiteral("1145"), QStringLiteral("新安装系统，系统管理员口令为：482，普通操"),
                             QRect(26, 46, width() - 44, 18));
    m_hintSecond =
        PlaceLabel(this, QStringLiteral("1146"), QStringLiteral("作员口令为：759。"), QRect(26, 64, width() - 44, 18));
    auto* label = new CSkinStatic(QStringLiteral("操作口令："), this);
    label->setGeometry(26, 100, 74, 22);
    m_edit = PlaceEdit(this, QStringLiteral("1144"), QRect(108, 100, width() - 108 - 26, 22));
    m_edit->setEchoMode(QLineEdit::Password);
    LimitGbkBytes(m_edit, kPasswordBytes);
    auto* ok = PlaceOkCancel(this, QRect(60, 146, 75, 22), QRect(168, 146, 75, 22)).ok;
    connect(ok, &QAbstractButton::clicked, this, [this]() {
        m_password = m_edit->text();
        accept();
    });
}

void CLoginDialog::OnInitDialog()
{
    CSkinDialog::OnInitDialog();
    m_hintFirst->setVisible(m_showHint);
    m_hintSecond->setVisible(m_showHint);
    setWindowTitle(m_title);
    m_edit->setFocus();
}
