#pragma once

#include "skin_dialog.h"

#include <QString>

class CSkinEdit;

// The small dialog in which a batch is created (new mode) or its remark edited (edit
// mode). Its OK button checks the fields and keeps the dialog open on the first failure,
// with a message and the focus on the offending edit.
class CBatchDialog final : public CSkinDialog {
    Q_OBJECT
public:
    enum class Mode { New = 0, Edit = 1 };

    static constexpr int kMaxTextBytes = 25;
    static constexpr int kMinQuantity = 1;
    static constexpr int kMaxQuantity = 999999;

    explicit CBatchDialog(QWidget* parent = nullptr);

    void SetMode(Mode mode);
    Mode GetMode() const { return m_mode; }

    // Before showing.
    void SetQuantity(int quantity);
    void SetName(const QString& name);
    void SetRemark(const QString& remark);

    // After OK.
    int Quantity() const { return m_quantity; }
    QString Name() const { return m_name; }
    QString Remark() const { return m_remark; }

    // The OK button's handler: checks, and closes with OK when everything passes.
    void OnOK();

    CSkinEdit* QuantityEdit() const { return m_quantityEdit; }
    CSkinEdit* NameEdit() const { return m_nameEdit; }
    CSkinEdit* RemarkEdit() const { return m_remarkEdit; }

protected:
    void OnInitDialog() override;

private:
    bool Refuse(const QString& message, CSkinEdit* edit);
    // 1 taken, 0 free, -1 the database could not tell (shown already).
    int FindName(const QString& name) const;
    void ApplyMode();

    Mode m_mode = Mode::New;
    int m_quantity = 0;
    QString m_name;
    QString m_remark;
    CSkinEdit* m_quantityEdit;
    CSkinEdit* m_nameEdit;
    CSkinEdit* m_remarkEdit;
};
