#pragma once

#include "query_filter.h"
#include "skin_combo_box.h"

#include <QDate>
#include <QDateEdit>

#include <string>

// The value of a drop-down list: its shown text, "" with nothing chosen.
inline std::string ComboValue(const CSkinComboBox* list)
{
    return list->currentIndex() < 0 ? std::string() : list->currentText().toStdString();
}

inline CalendarDate PickerDate(const QDateEdit* picker)
{
    const QDate date = picker->date();
    return CalendarDate{date.year(), date.month(), date.day()};
}
