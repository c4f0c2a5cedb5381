#pragma once

#include <QObject>
#include <QString>

#include <vector>

class QModelIndex;
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
    // What the table says while it has no rows: emptyHint() at first. The
    // hint where stocks are added is for an empty list only; the owner says
    // why a list with stocks shows none.
    void setEmptyText(const QString& text);
    QString emptyText() const { return hint; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitRows();
    // Columns take the width of their widest text, measured anew for every
    // cell; with `shrink` false they only grow, so that nothing moves unless a
    // text would be cut.
    void fitColumns(bool shrink);
    // A refresh: only texts not measured before can need more room.
    void growColumns(const QModelIndex& topLeft, const QModelIndex& bottomRight);
    void applyWidths(bool shrink);
    int textWidth(const QString& text) const;
    // Whether a text of digits and signs surely fits `width` without being
    // measured.
    bool surelyFits(const QString& text, int width);
    void measureNumberCharacters();
    QString cellText(int row, int column) const;
    // The number of the last change of the cell's text, as its writer keeps
    // it; 0 for a cell without one, whose text is measured every time.
    quint64 cellSerial(int row, int column) const;
    void paintHint();

    QTableWidget* table;
    // Kept apart: events still reach the filter while the table is being
    // destroyed, when asking it for its viewport is no longer allowed.
    QWidget* viewport;
    int designWidth;   // the form's column width: columns never get narrower
    bool refit = true; // the rows changed: the next texts set the widths anew
    // Per column the width its widest text needs. A cell whose text did not
    // change since it was measured still fits its column, so recolouring
    // rows costs no measuring.
    std::vector<int> widest;
    // The advance of each digit and sign in the table font, empty until a
    // refresh needs them, and the most a pair of them adds to their advances.
    std::vector<qreal> numberAdvances;
    qreal pairExtra = 0;
    int cellMargin = 0; // what a cell needs beside its text
    // Per cell (row by row) the change number of the text measured last.
    std::vector<quint64> measured;
    QString hint = emptyHint();
};
