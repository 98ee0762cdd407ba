#pragma once

class QWidget;

// Creates every designed control of the window as a child of `form`, under
// its designed name and at its designed place, size and font, with its
// design-time caption. The panels find the controls by name.
void buildDesignedControls(QWidget *form);
