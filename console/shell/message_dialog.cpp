#include "message_dialog.h"

#include "dialog_controls.h"
#include "kit_art.h"
#include "kit_look.h"
#include "skin_button.h"

#include <QLabel>
#include <QTextEdit>

CMessageDialog::CMessageDialog(QWidget* parent) : CSkinDialog(parent)
{
    setFixedSize(DluSize(187, 132));
    auto* strip = new QLabel(this);
    strip->setObjectName(QStringLiteral("145"));
    strip->setGeometry(14, 38, width() - 28, 4);
    strip->setScaledContents(true);
    strip->setPixmap(LoadArt(QStringLiteral("skin/message_strip.bmp")));
    auto* symbol = new QLabel(this);
    symbol->setObjectName(QStringLiteral("146"));
    symbol->setGeometry(16, 54, 32, 32);
    symbol->setPixmap(LoadArt(QStringLiteral("skin/message_symbol.bmp"), ArtKeyColour()));

    m_textBox = new QTextEdit(this);
    m_textBox->setObjectName(QStringLiteral("1014"));
    m_textBox->setGeometry(56, 50, width() - 56 - 14, 98);
    m_textBox->setReadOnly(true);
    m_textBox->setFrameShape(QFrame::NoFrame);
    m_textBox->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_textBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_textBox->setFocusPolicy(Qt::NoFocus);

    // Without cancel, OK stands alone in the middle.
    const OkCancelButtons buttons = PlaceOkCancel(this, QRect(103, 158, 75, 19), QRect(158, 158, 75, 19));
    m_ok = buttons.ok;
    m_cancel = buttons.cancel;
    m_cancel->hide();
    connect(m_ok, &QAbstractButton::clicked, this, &QDialog::accept);
}

void CMessageDialog::OnInitDialog()
{
    CSkinDialog::OnInitDialog();
    QString text = m_text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_textBox->setPlainText(text);
    if (m_withCancel) {
        m_ok->setGeometry(51, 158, 75, 19);
        m_cancel->setGeometry(158, 158, 75, 19);
        m_cancel->show();
    }
    setWindowTitle(QStringLiteral("消息提示！"));
    m_ok->setFocus();
}
