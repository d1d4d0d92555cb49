#pragma once

#include <QString>
#include <QWidget>

class QComboBox;
class QPushButton;

namespace kalvidor {

class UnitLink;

// dlg_PortNo "通信ポート設定": shows the stored port, stores the one chosen
// on OK, and unloads the link on every close so that the next exchange opens
// the port now stored. Modeless, without an owner window; it deletes itself
// when closed.
class PortDialog : public QWidget
{
    Q_OBJECT

public:
    PortDialog(const QString &programDir, UnitLink &link, QWidget *parent = nullptr);

    QComboBox *portList() const { return m_portList; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }

    // What OK stores: "1" to "4" for a list item, "0" when the field holds
    // typed text, that is when it differs from the current item's text.
    QString chosenValue() const;

protected:
    // Every close, also by the close box, unloads the link; none while an
    // exchange waits for the unit.
    void closeEvent(QCloseEvent *event) override;
    // Enter presses the focused button; Escape does nothing.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Form_Load();
    void OKButton_Click();
    void CancelButton_Click();

    QString m_settingsFile;
    UnitLink &m_link;
    QComboBox *m_portList = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
};

} // namespace kalvidor
