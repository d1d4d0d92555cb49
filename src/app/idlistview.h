#pragma once

#include "table/idcodetable.h"

#include <QColor>
#include <QObject>
#include <QRect>
#include <QString>

#include <array>
#include <optional>

class QLabel;
class QScrollBar;
class QWidget;

namespace kalvidor {

class IdLineEdit;

// Where and how one ID list is drawn: its design row 0 and scroll bar.
struct IdListDesign
{
    IdList list;
    QString labelName; // row-number labels, e.g. "lbl_No重機"
    QString textName; // text rows, e.g. "txt_ID重機"
    QString accessibleName; // rows are announced as "<name> <row number>"
    QRect labelTwips; // label of row 0
    QRect textTwips; // text of row 0
    QColor labelColor;
    std::optional<QRect> scrollTwips; // none for the drivers, who do not scroll
    int scrollIndex = -1; // n of VScroll(n)
};

// One ID list of the main window: twelve text rows, their row-number labels
// and the list's scroll bar. The widgets are children of the window's client
// area; this object keeps them together and reports their events by row.
class IdListView : public QObject
{
    Q_OBJECT

public:
    // Creates the rows from the design of row 0: rows are laid out in columns
    // of 20 at a pitch of the label height, so twelve rows make one column.
    IdListView(const IdListDesign &design, QWidget *clientArea, QObject *parent = nullptr);

    IdList list() const { return m_design.list; }
    IdLineEdit *row(int r) const { return m_rows[r]; }
    QLabel *rowNumberLabel(int r) const { return m_labels[r]; }
    QScrollBar *scrollBar() const { return m_scrollBar; }
    // The scroll bar's position; 0 for a list without one.
    int position() const;

    std::array<QString, RowsPerList> texts() const;
    // Row r shows number first + r; its accessible name follows.
    void setRowNumbers(int first);

signals:
    void rowTextChanged(int row);
    void numberingKeyPressed(int row, Qt::Key key);
    void rowFocusLost(int row, Qt::FocusReason reason);

private:
    void addRow(int i, QWidget *clientArea);

    IdListDesign m_design;
    std::array<QLabel *, RowsPerList> m_labels {};
    std::array<IdLineEdit *, RowsPerList> m_rows {};
    QScrollBar *m_scrollBar = nullptr;
};

} // namespace kalvidor
