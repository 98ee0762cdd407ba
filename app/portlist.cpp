#include "app/portlist.h"

void PortList::showPopup()
{
    emit aboutToOpen();
    QComboBox::showPopup();
}
