#pragma once

#include <QObject>

class QTableWidget;
class QWidget;

// Keeps the quote table readable at every font size the options offer: rows
// as high as the table font needs, columns as wide as their texts (a price
// that cannot be read is the worst failure of a ticker), and, while the
// table has no rows, a hint where stocks are added. Lives as a child of the
// table.
class TQuoteTableLook : public QObject
{
    Q_OBJECT
public:
    explicit TQuoteTableLook(QTableWidget* table);

    static QString emptyHint();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitRows();
    // Columns take the width of their texts; with `shrink` false they only
    // grow, so that a refresh moves nothing unless a text would be cut.
    void fitColumns(bool shrink);
    void paintHint();

    QTableWidget* table;
    // Kept apart: events still reach the filter while the table is being
    // destroyed, when asking it for its viewport is no longer allowed.
    QWidget* viewport;
    int designWidth;   // the form's column width: columns never get narrower
    bool refit = true; // the rows changed: the next texts set the widths anew
};
