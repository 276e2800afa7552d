#include "dialog_controls.h"

#include "skin_button.h"
#include "skin_edit.h"

#include <QDialog>
#include <QLabel>

CSkinButton* PlaceButton(QWidget* parent, const QString& id, const QString& caption, QRect rect)
{
    auto* button = new CSkinButton(caption, parent);
    button->setObjectName(id);
    button->setGeometry(rect);
    return button;
}

CSkinEdit* PlaceEdit(QWidget* parent, const QString& id, QRect rect)
{
    auto* edit = new CSkinEdit(parent);
    edit->setObjectName(id);
    edit->setGeometry(rect);
    return edit;
}

QLabel* PlaceLabel(QWidget* parent, const QString& id, const QString& text, QRect rect)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(id);
    label->setGeometry(rect);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

OkCancelButtons PlaceOkCancel(QDialog* dialog, QRect ok, QRect cancel)
{
    OkCancelButtons buttons{PlaceButton(dialog, QStringLiteral("1"), QStringLiteral("确定"), ok),
                            PlaceButton(dialog, QStringLiteral("2"), QStringLiteral("取消"), cancel)};
    buttons.ok->setDefault(true);
    QObject::connect(buttons.cancel, &QAbstractButton::clicked, dialog, &QDialog::reject);
    return buttons;
}
