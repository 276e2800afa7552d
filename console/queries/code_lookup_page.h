#pragma once

#include <QWidget>

class CColorListCtrl;
class CSkinEdit;

// Page 6 of the console, "货品查询": the product, last 8 digits and batch dates of a code's
// first 8 digits, and every consumer query that sent them.
class CCodeLookupPage final : public QWidget {
    Q_OBJECT
public:
    enum Column {
        kIndex = 0,
        kResult = 1,
        kTime = 2,
        kPhone = 3,
        kProductCode = 4,
        kComm = 5,
        kProvince = 6,
        kCity = 7,
    };

    explicit CCodeLookupPage(QWidget* parent = nullptr);

    void LookupCode();

    CSkinEdit* ProductIdEdit() const { return m_productId; }
    CSkinEdit* ProductCodeEdit() const { return m_productCode; }
    CSkinEdit* ProductNameEdit() const { return m_productName; }
    CSkinEdit* CreatedEdit() const { return m_created; }
    CSkinEdit* EnabledEdit() const { return m_enabled; }
    CColorListCtrl* List() const { return m_list; }

private:
    CSkinEdit* m_productId;
    CSkinEdit* m_productCode;
    CSkinEdit* m_productName;
    CSkinEdit* m_created;
    CSkinEdit* m_enabled;
    CColorListCtrl* m_list;
};
