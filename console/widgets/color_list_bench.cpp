// How fast a CColorListCtrl fills with rows inserted at the top, the way the query pages
// read the log, against Qt's stock item model and table in the same run.
// usage: kelvane_color_list_bench [rows]   (default 1000000)

#include "color_list_ctrl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QStandardItemModel>
#include <QTableView>

#include <cstdio>
#include <cstdlib>

namespace {

double FillColorList(int rows)
{
    CColorListCtrl list;
    list.resize(600, 400);
    for (int c = 0; c < 5; ++c)
        list.InsertColumn(c, QStringLiteral("列%1").arg(c), Qt::AlignLeft, 110);
    list.show();
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    for (int r = 0; r < rows; ++r) {
        const int at = list.InsertItem(0, QString::number(r));
        for (int c = 1; c < 5; ++c)
            list.SetItemText(at, c, QStringLiteral("2026-12-09 10:00:00"));
    }
    QApplication::processEvents(); // the one layout and paint after the fill
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double FillStockTable(int rows)
{
    QStandardItemModel model(0, 5);
    QTableView view;
    view.setModel(&model);
    view.resize(600, 400);
    view.show();
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    for (int r = 0; r < rows; ++r) {
        model.insertRow(0);
        model.setItem(0, 0, new QStandardItem(QString::number(r)));
        for (int c = 1; c < 5; ++c)
            model.setItem(0, c, new QStandardItem(QStringLiteral("2026-12-09 10:00:00")));
    }
    QApplication::processEvents();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    // The stock table slows down with every row already there, so the comparison runs at a
    // size both can finish; the colour list then runs at the full size.
    const int compared = std::min(rows, 20000);
    const double stock = FillStockTable(compared);
    const double ours = FillColorList(compared);
    std::printf("%d rows at the top: CColorListCtrl %.1f ms, QStandardItemModel+QTableView %.1f ms (baseline)\n",
                compared, ours, stock);
    if (rows > compared)
        std::printf("%d rows at the top: CColorListCtrl %.1f ms\n", rows, FillColorList(rows));
    return 0;
}
