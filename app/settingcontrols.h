#pragma once

#include "params/catalogue.h"

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class UpDown;

// The window's controls of one setting row.
struct SettingControls {
    Setting setting;
    QLabel *caption;
    QLineEdit *valueBox;  // null for the limit, whose list shows its value
    UpDown *spinner;      // null for the limit
    QComboBox *list;      // the limit's list; null for every other row
    QCheckBox *unlockBox;
    QPushButton *apply;

    // What the operator edits the value with: the spinner or the list.
    QWidget *editor() const;
    // What shows the value: the value box or the list.
    QWidget *valueShown() const;
};

using SettingControlTable = std::array<SettingControls, kSettingCount>;

// The controls of every setting row of `form`, found by their designed names
// and kept in catalogue order (indexed by Setting). A control the form lacks
// ends the program at once with its name, in every build.
SettingControlTable findSettingControls(QWidget *form);
