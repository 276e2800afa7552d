#pragma once

#include <QWidget>

class CColorListCtrl;
class CSkinButton;
class CSkinComboBox;
class CSkinEdit;

// Page "串货监督": the queries of a product that came from outside its sales region, one
// line per run of queries from the same foreign region, in the order they were logged
// (the newest run on top). The whole log is searched; there is no date filter.
class CCrossRegionPage final : public QWidget {
    Q_OBJECT
    // The main window asks this before it lets the console end: a long read keeps the
    // window serving events and must not be cut off.
    Q_PROPERTY(bool busy READ IsBusy)
public:
    enum Column {
        kProduct = 0,
        kRegion = 1,
        kCount = 2,
    };

    explicit CCrossRegionPage(QWidget* parent = nullptr);
    ~CCrossRegionPage() override;

    void RunCrossRegionQuery();
    bool IsBusy() const { return m_busy; }

    CSkinComboBox* ProvinceList() const { return m_province; }
    CSkinComboBox* CityList() const { return m_city; }
    CSkinComboBox* ProductList() const { return m_product; }
    CSkinEdit* StartCodeEdit() const { return m_startCode; }
    CSkinEdit* EndCodeEdit() const { return m_endCode; }
    CColorListCtrl* List() const { return m_list; }

protected:
    // Notices the product list's drop-down closing.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnProvinceChanged();
    void FillProducts();
    // Empties both code edits; they take input only while a product is chosen.
    void OnProductSwitch();

    CSkinComboBox* m_province;
    CSkinComboBox* m_city;
    CSkinComboBox* m_product;
    CSkinEdit* m_startCode;
    CSkinEdit* m_endCode;
    CSkinButton* m_run;
    CColorListCtrl* m_list;
    QWidget* m_productPopup = nullptr;
    bool m_busy = false;
};
