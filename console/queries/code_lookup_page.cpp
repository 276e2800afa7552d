#include "code_lookup_page.h"

#include "code_lookup.h"
#include "query_status.h"

#include "dialogs.h"

#include "color_list_ctrl.h"
#include "kit_look.h"
#include "skin_button.h"
#include "skin_edit.h"
#include "skin_frame.h"

#include "db_connection.h"

#include <QLabel>
#include <QRegularExpressionValidator>

namespace {

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

CCodeLookupPage::CCodeLookupPage(QWidget* parent)
    : QWidget(parent),
      m_productId(new CSkinEdit(this)),
      m_productCode(new CSkinEdit(this)),
      m_productName(new CSkinEdit(this)),
      m_created(new CSkinEdit(this)),
      m_enabled(new CSkinEdit(this)),
      m_list(new CColorListCtrl(this))
{
    setAutoFillBackground(true);

    m_productId->setMaxLength(8);
    m_productId->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,8}")), m_productId));

    auto* results = new CSkinFrame(QStringLiteral("查询结果"), this);
    results->setGeometry(DluRect(6, 30, 407, 224));
    results->lower();

    // Each field beside its label; the label's text is the field's accessible name.
    struct Field {
        CSkinEdit* edit;
        const char* name;
        const char* label;
        int x, y;
    };
    for (const Field& field : {Field{m_productId, "productId", "前8位编码：", 6, 8},
                               Field{m_productCode, "productCode", "后8位编码：", 124, 8},
                               Field{m_productName, "productName", "产品名称：", 242, 8},
                               Field{m_created, "createdDate", "生成日期：", 14, 44},
                               Field{m_enabled, "enabledDate", "启用日期：", 162, 44}}) {
        auto* label = new QLabel(QString::fromUtf8(field.label), this);
        label->setGeometry(DluRect(field.x, field.y + 2, 44, 10));
        label->setBuddy(field.edit);
        field.edit->setObjectName(QString::fromUtf8(field.name));
        field.edit->setAccessibleName(label->text());
        field.edit->setGeometry(DluRect(field.x + 44, field.y, 66, 14));
        if (field.edit != m_productId)
            field.edit->setReadOnly(true);
    }

    auto* lookup = new CSkinButton(QStringLiteral("查询"), this);
    lookup->setObjectName(QStringLiteral("lookupCode"));
    lookup->setAccessibleName(lookup->text());
    lookup->setGeometry(DluRect(360, 7, 50, 16));
    connect(lookup, &QPushButton::clicked, this, &CCodeLookupPage::LookupCode);
    connect(m_productId, &QLineEdit::returnPressed, this, &CCodeLookupPage::LookupCode);

    struct Heading {
        const char* text;
        int width;
    };
    static const Heading kHeadings[] = {
        {"查询序号", -10}, {"查询结果", 95}, {"查询时间", 130}, {"查询手机号", 90},
        {"查询码值", 70},  {"查询串口", 60}, {"省份", 60},      {"城市", 90},
    };
    for (int i = 0; i < 8; ++i)
        m_list->InsertColumn(i, QString::fromUtf8(kHeadings[i].text), Qt::AlignLeft, kHeadings[i].width);
    m_list->SetGridLines(true);
    m_list->SetMultipleSelection(false);
    m_list->SetSelectionBackground(ListSelectionBackground());
    m_list->SetSelectionText(Qt::black);
    m_list->setGeometry(DluRect(14, 64, 391, 182));
    m_list->setObjectName(QStringLiteral("list"));
    m_list->setAccessibleName(QStringLiteral("查询结果"));
    auto* listFrame = new CSkinFrame(this);
    listFrame->setGeometry(m_list->geometry().adjusted(-1, -1, 0, 0));
    listFrame->lower();
}

void CCodeLookupPage::LookupCode()
{
    const std::string productId = m_productId->text().toStdString();
    if (productId.size() < 8) {
        ShowMessage(QStringLiteral("请输入产品防伪编码前8位（不输入空格）！"), false);
        m_productId->setFocus();
        return;
    }
    m_list->DeleteAllItems();
    if (!TheConnection())
        return;

    ProductOnFile found;
    std::string error;
    // A ProductID that is not on file leaves the four fields as the last lookup showed them.
    const ReadOutcome product = LookupProduct(*TheConnection(), productId, found, error);
    if (product == ReadOutcome::Failed) {
        ShowDatabaseError(*TheConnection());
        return;
    }
    // A date and time is wider than its box: show its start (the date), the whole as a tip.
    const auto show = [](CSkinEdit* field, const QString& text) {
        field->setText(text);
        field->setCursorPosition(0);
        field->setToolTip(text);
    };
    if (product == ReadOutcome::Rows) {
        show(m_productName, Text(found.productName));
        show(m_productCode, Text(found.productCode));
        if (found.batchFound) {
            show(m_created, Text(found.createCodeTime));
            show(m_enabled, Text(found.useCodeTime));
        }
    }

    const ReadOutcome queries = ReadCodeQueries(
        *TheConnection(), productId,
        [this](const QueryLogRow& row) {
            m_list->InsertItem(0, Text(row.index));
            m_list->SetItemText(0, kResult, Text(RenderQueryStatus(row.status)));
            m_list->SetItemText(0, kTime, Text(row.time));
            m_list->SetItemText(0, kPhone, Text(row.phone));
            m_list->SetItemText(0, kProductCode, Text(row.productCode));
            m_list->SetItemText(0, kComm, Text(row.comm));
            m_list->SetItemText(0, kProvince, Text(row.province));
            m_list->SetItemText(0, kCity, Text(row.city));
        },
        error);
    if (queries == ReadOutcome::Failed) {
        // Rows read before the failure are not the code's history.
        m_list->DeleteAllItems();
        ShowDatabaseError(*TheConnection());
    } else if (queries == ReadOutcome::Empty) {
        ShowMessage(QStringLiteral("无符合条件的记录！"), false);
    }
}
