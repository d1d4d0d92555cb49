// How the ID fields react to typing, F1/F2, Enter and leaving a row.
#include "mainwindow.h"

#include "app/idlineedit.h"
#include "app/idlistview.h"
#include "document/tabledocument.h"
#include "table/identry.h"

#include <QScopedValueRollback>
#include <QScrollBar>

#include <algorithm>

namespace kalvidor {

namespace {

// Writes a normalised text (a field raises no change for an equal text) and
// leaves the caret after its last character with nothing selected.
void writeNormalized(QLineEdit *field, const QString &text)
{
    if (field->text() != text)
        field->setText(text);
    field->setCursorPosition(int(text.size()));
}

} // namespace

void MainWindow::normalizeRowText(IdListView *view, int row)
{
    noteFieldChanged();
    IdLineEdit *field = view->row(row);
    if (field->text() == NoIdMark)
        return;
    writeNormalized(field, normalizedIdText(field->text()));
}

void MainWindow::baseIdTextChanged()
{
    noteFieldChanged();
    writeNormalized(m_form.baseId, normalizedBaseIdText(m_form.baseId->text()));
}

void MainWindow::checkIdPrefix(IdListView *view, int row)
{
    IdLineEdit *field = view->row(row);
    if (!keepsIdPrefix(field->text(), m_form.baseId->text()))
        field->setText(NoIdMark.toString());
}

void MainWindow::numberingKeyPressed(IdListView *view, int row, Qt::Key key)
{
    if (key == Qt::Key_F1) {
        numberRow(view, row);
        return;
    }
    // F2: this row and every row below it, each numbered after the one above.
    for (int r = row; r < RowsPerList; ++r)
        numberRow(view, r);
}

void MainWindow::numberRow(IdListView *view, int row)
{
    qint32 predecessor = 0;
    if (row >= 1) {
        predecessor = parseHexId(view->row(row - 1)->text());
    } else {
        // The entry before the list's first visible row, from the table once
        // the window is gathered (with the range messages of a gather).
        const int slot = slotOfRow(view->list(), view->position(), 0) - 1;
        gather();
        predecessor = m_document.table().ids[slot];
    }
    const std::optional<qint32> next = successorId(predecessor);
    if (!next)
        return; // the largest value has no successor: the row stays as it is
    view->row(row)->setText(idText(*next));
    checkIdPrefix(view, row);
}

// Tab or Shift+Tab in the last visible row: page the list on and stay in it;
// at its end go on to the next list (heavy machines → operators, vehicles →
// drivers → heavy machines). The operators follow the tab order. Taken before
// Qt moves the focus, so that the focus goes straight to its row: a row it
// passed on the way would be left too, and checked against the base ID.
bool MainWindow::tabFromLastRow(IdListView *view)
{
    if (view->list() == IdList::Operators)
        return false;
    const int last = RowsPerList - 1;
    // The row left is checked as any row left is, before the page turns.
    checkIdPrefix(view, last);

    IdLineEdit *target = nullptr;
    if (view->list() == IdList::Drivers) {
        target = m_form.list(IdList::HeavyMachines)->row(0);
    } else {
        QScrollBar *bar = view->scrollBar();
        const int old = bar->value();
        if (old < bar->maximum()) {
            const int newValue = std::min(old + bar->pageStep(), bar->maximum());
            bar->setValue(newValue); // stores and refills the rows at once
            // The row that now shows the entry after the one just left.
            target = view->row(last + 1 - (newValue - old));
        } else {
            const IdList next
                = view->list() == IdList::HeavyMachines ? IdList::Operators : IdList::Drivers;
            target = m_form.list(next)->row(0);
        }
    }
    // The last row may show another entry by now: leaving it is no reason
    // to check that one.
    const QScopedValueRollback placing(m_placingFocusAfterTab, true);
    target->setFocus(Qt::OtherFocusReason);
    return true;
}

} // namespace kalvidor
