#pragma once

#include "filter_lists.h"

#include "db_connection.h"

#include <QComboBox>

#include <string>

// Refills a city drop-down with the cities of the chosen province, none of them chosen. It
// is left empty when no province is chosen or no database is open.
inline void RefillCityCombo(QComboBox& city, CDbConnection* connection, bool provinceChosen,
                            const std::string& province)
{
    city.clear();
    if (!provinceChosen || !connection)
        return;
    for (const std::string& name : FillCityList(*connection, province))
        city.addItem(QString::fromStdString(name));
    city.setCurrentIndex(-1);
}
