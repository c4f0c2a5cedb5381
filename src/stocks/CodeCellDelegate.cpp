#include "stocks/CodeCellDelegate.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPersistentModelIndex>
#include <QScrollBar>
#include <QTimer>

void TSuggestionModel::setSuggestions(const TStockSuggestionItems& items)
{
    beginResetModel();
    suggestions = items;
    endResetModel();
}

int TSuggestionModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(suggestions.size());
}

QVariant TSuggestionModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= suggestions.size())
        return {};
    const TStockSuggestion& item = suggestions[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return item.text();
    case CodeRole:
        return item.code;
    case NameRole:
        return item.name;
    default:
        return {};
    }
}

TCodeCompleter::TCodeCompleter(QLineEdit* editor, TStockSuggest* suggest)
    : QObject(editor), editor(editor), suggest(suggest), model(new TSuggestionModel(this)),
      popupCompleter(new QCompleter(model, this)), pause(new QTimer(this))
{
    // The service has chosen already; the popup shows all it offers. The
    // completer only watches the editor: highlighting an offer must not
    // change what was typed, only choosing one.
    popupCompleter->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    popupCompleter->setMaxVisibleItems(suggest::MAX_SHOWN);
    popupCompleter->setWidget(editor);
    popupCompleter->popup()->installEventFilter(this);
    pause->setSingleShot(true);
    pause->setInterval(PAUSE_MS);
    connect(editor, &QLineEdit::textEdited, pause, qOverload<>(&QTimer::start));
    connect(pause, &QTimer::timeout, this, &TCodeCompleter::ask);
    connect(suggest, &TStockSuggest::suggestionsArrived, this, &TCodeCompleter::arrived);
    connect(popupCompleter, qOverload<const QModelIndex&>(&QCompleter::activated), this,
            [this](const QModelIndex& index) {
                emit chosen(index.data(TSuggestionModel::CodeRole).toString(),
                            index.data(TSuggestionModel::NameRole).toString());
            });
}

bool TCodeCompleter::eventFilter(QObject* watched, QEvent* event)
{
    // Return with no offer picked ends the edit with what was typed, as it
    // does without the offers, instead of only closing them.
    QAbstractItemView* popup = popupCompleter->popup();
    if (watched == popup && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !popup->currentIndex().isValid()) {
            popup->hide();
            QCoreApplication::sendEvent(editor, event);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void TCodeCompleter::ask()
{
    const QString text = editor->text().trimmed();
    if (text.size() < 2) {
        suggest->cancel();
        model->setSuggestions({});
        popupCompleter->popup()->hide();
        return;
    }
    suggest->ask(text);
}

void TCodeCompleter::arrived(const QString& text, const TStockSuggestionItems& items)
{
    // An answer for what the editor no longer shows is no answer.
    if (text != editor->text().trimmed() || !editor->isVisible())
        return;
    model->setSuggestions(items);
    QAbstractItemView* popup = popupCompleter->popup();
    if (items.isEmpty()) {
        popup->hide();
        return;
    }
    // As wide as its longest offer, never narrower than the cell.
    const int width = qMax(editor->width(), popup->sizeHintForColumn(0) +
                                                popup->verticalScrollBar()->sizeHint().width() +
                                                2 * popup->frameWidth());
    popupCompleter->complete(QRect(0, 0, width, editor->height()));
    // Nothing offered is taken until the user picks it: Return keeps the text.
    popup->setCurrentIndex(QModelIndex());
}

TCodeCellDelegate::TCodeCellDelegate(int remarkColumn, QObject* parent)
    : QStyledItemDelegate(parent), remarkColumn(remarkColumn), suggest(new TStockSuggest(this))
{
}

QWidget* TCodeCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const
{
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    editor->setFont(option.font);
    auto* offers = new TCodeCompleter(editor, suggest);
    const QPersistentModelIndex cell(index);
    // The view hands its delegate a model it may change only in setModelData.
    auto* model = const_cast<QAbstractItemModel*>(index.model());
    auto* self = const_cast<TCodeCellDelegate*>(this);
    connect(offers, &TCodeCompleter::chosen, self,
            [self, editor, cell, model](const QString& code, const QString& name) {
                editor->setText(code);
                if (cell.isValid()) {
                    const QModelIndex remark = cell.sibling(cell.row(), self->remarkColumn);
                    if (remark.isValid() && remark.data().toString().isEmpty() && !name.isEmpty())
                        model->setData(remark, name);
                }
                emit self->commitData(editor);
                emit self->closeEditor(editor, QAbstractItemDelegate::NoHint);
            });
    // A request for a closed editor has no one to answer.
    connect(editor, &QObject::destroyed, suggest, &TStockSuggest::cancel);
    return editor;
}

bool TCodeCellDelegate::eventFilter(QObject* object, QEvent* event)
{
    // The offers' popup takes the focus for a moment; the edit goes on.
    if (event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() == Qt::PopupFocusReason)
        return false;
    return QStyledItemDelegate::eventFilter(object, event);
}
