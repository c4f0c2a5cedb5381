#pragma once

#include "stocks/StockSuggest.h"

#include <QAbstractListModel>
#include <QStyledItemDelegate>

class QCompleter;
class QLineEdit;
class QTimer;

// The suggestions offered under a code cell being edited.
class TSuggestionModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role
    {
        CodeRole = Qt::UserRole + 1,
        NameRole,
    };

    using QAbstractListModel::QAbstractListModel;

    void setSuggestions(const TStockSuggestionItems& items);
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    TStockSuggestionItems suggestions;
};

// Offers stocks for what is typed into one code editor: after a pause and
// from the second character on, asked of the suggestion service. Lives as a
// child of the editor.
class TCodeCompleter : public QObject
{
    Q_OBJECT
public:
    // How long typing must pause before the service is asked.
    static constexpr int PAUSE_MS = 300;

    TCodeCompleter(QLineEdit* editor, TStockSuggest* suggest);

    QCompleter* completer() const { return popupCompleter; }

signals:
    void chosen(const QString& code, const QString& name);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ask();
    void arrived(const QString& text, const TStockSuggestionItems& items);

    QLineEdit* editor;
    TStockSuggest* suggest;
    TSuggestionModel* model;
    QCompleter* popupCompleter;
    QTimer* pause;
};

// The stock set editor's code cells: an editor that offers stocks by name,
// code or pinyin initials. Choosing one writes its code, and its name into
// an empty remark; what is typed and not chosen stays exactly as typed.
class TCodeCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    // The remark of a row is in `remarkColumn`.
    TCodeCellDelegate(int remarkColumn, QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    int remarkColumn;
    TStockSuggest* suggest;
};
