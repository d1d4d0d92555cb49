#pragma once

#include "ports/portchoices.h"
#include "ports/serialports.h"

#include <QDialog>
#include <QString>

class QComboBox;
class QPushButton;

namespace kalvidor {

class UnitLink;

// dlg_PortNo "通信ポート設定": shows the stored port, stores the one chosen
// on OK, and unloads the link on every close so that the next exchange opens
// the port now stored. A modeless dialog without an owner window; it deletes
// itself when closed. The port list is read once, when it opens.
class PortDialog : public QDialog
{
    Q_OBJECT

public:
    PortDialog(const QString &programDir, UnitLink &link,
        const SerialPortSource &ports = systemSerialPorts(), QWidget *parent = nullptr);

    QComboBox *portList() const { return m_portList; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }

    // What OK stores as the port number: that of the list item, "0" when
    // the field holds typed text, that is when it differs from the current
    // item's text.
    QString chosenValue() const;

    // Every way of closing ends here: OK, Cancel and the close box. It
    // unloads the link; while an exchange waits for the unit the dialog
    // stays open instead.
    void done(int result) override;

protected:
    // Enter presses the focused button; Escape closes as Cancel does.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void preselectStoredPort();
    void acceptChoice();
    void cancelChoice();
    int chosenIndex() const;

    QString m_settingsFile;
    UnitLink &m_link;
    PortChoices m_choices;
    QComboBox *m_portList = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
};

} // namespace kalvidor
