#include "idlistview.h"

#include "app/designfonts.h"
#include "app/designwidgets.h"
#include "app/idlineedit.h"
#include "app/objectnames.h"

#include <QLabel>
#include <QScrollBar>

using namespace Qt::StringLiterals;

namespace kalvidor {

namespace {

// The design text of every ID row until the table is first shown.
constexpr QStringView DesignRowText = u"1002127";
constexpr int RowsPerColumn = 20;

} // namespace

IdListView::IdListView(const IdListDesign &design, QWidget *clientArea, QObject *parent)
    : QObject(parent)
    , m_design(design)
{
    for (int i = 0; i < RowsPerList; ++i)
        addRow(i, clientArea);

    if (design.scrollTwips) {
        m_scrollBar = new QScrollBar(Qt::Vertical, clientArea);
        placeWidget(m_scrollBar, ObjectName::rowName(ObjectName::ScrollBars, design.scrollIndex),
            *design.scrollTwips);
        m_scrollBar->setRange(0, idListInfo(design.list).scrollMax);
        m_scrollBar->setSingleStep(1);
        m_scrollBar->setPageStep(RowsPerList);
        // A dragged thumb reports its new position once, when it is let go;
        // arrows, page clicks and keys report at once.
        m_scrollBar->setTracking(false);
        m_scrollBar->setFocusPolicy(Qt::StrongFocus);
    }
}

void IdListView::addRow(int i, QWidget *clientArea)
{
    const QRect label0 = m_design.labelTwips;
    const QRect text0 = m_design.textTwips;
    const int columnShift = (i / RowsPerColumn) * (text0.width() + label0.width());
    const int top = (i % RowsPerColumn) * label0.height() + label0.top();

    auto *label = new QLabel(QString::number(i + 1), clientArea);
    placeWidget(label, ObjectName::rowName(m_design.labelName, i),
        QRect(columnShift + label0.left(), top, label0.width(), label0.height()));
    applyLabelLook(
        label, labelLook(designFont(FontSize::Bold14, true), m_design.labelColor, {}, true, true));
    m_labels[i] = label;

    auto *row = new IdLineEdit(clientArea);
    placeWidget(row, ObjectName::rowName(m_design.textName, i),
        QRect(columnShift + text0.left(), top, text0.width(), text0.height()));
    row->setFont(designFont(FontSize::Bold14, true));
    row->setText(DesignRowText.toString());
    row->setNumberingKeysEnabled(true);
    row->setAccessibleName(u"%1 %2"_s.arg(m_design.accessibleName).arg(i + 1));
    m_rows[i] = row;

    connect(row, &QLineEdit::textChanged, this, [this, i] { emit rowTextChanged(i); });
    connect(row, &IdLineEdit::numberingKeyPressed, this,
        [this, i](Qt::Key key) { emit numberingKeyPressed(i, key); });
    connect(row, &IdLineEdit::focusLost, this,
        [this, i](Qt::FocusReason reason) { emit rowFocusLost(i, reason); });
}

int IdListView::position() const
{
    return m_scrollBar ? m_scrollBar->value() : 0;
}

std::array<QString, RowsPerList> IdListView::texts() const
{
    std::array<QString, RowsPerList> out;
    for (int r = 0; r < RowsPerList; ++r)
        out[r] = m_rows[r]->text();
    return out;
}

void IdListView::setRowNumbers(int first)
{
    for (int r = 0; r < RowsPerList; ++r) {
        const QString number = QString::number(first + r);
        m_labels[r]->setText(number);
        m_rows[r]->setAccessibleName(u"%1 %2"_s.arg(m_design.accessibleName, number));
    }
}

} // namespace kalvidor
