#pragma once

#include <QComboBox>

// The port list: a combo box that says when its list is about to open, so
// that the ports can be scanned again first. Every way of opening the list
// (a click, F4, Alt+Down, Space, a call) passes through showPopup().
class PortList : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    void showPopup() override;

signals:
    // The list is about to open; a handler may refill it.
    void aboutToOpen();
};
