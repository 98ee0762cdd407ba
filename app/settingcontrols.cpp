#include "app/settingcontrols.h"

#include "app/controls.h"
#include "app/updown.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The designed names of a row's controls. The limit has a list instead of
// a value box and a spinner.
struct ControlNames {
    Setting setting;
    const char *caption;
    const char *valueBox;
    const char *spinner;
    const char *list;
    const char *unlockBox;
    const char *apply;
};

constexpr ControlNames kNames[] = {
    {Setting::UnitNumber, "Label23", "Text8", "UpDown5", nullptr, "Check14", "Command13"},
    {Setting::Limit, "Label8", nullptr, nullptr, "Combo1", "Check11", "Command10"},
    {Setting::Gain, "Label27", "Text7", "UpDown4", nullptr, "Check10", "Command7"},
    {Setting::Threshold, "Label12", "Text5", "UpDown2", nullptr, "Check2", "Command2"},
    {Setting::Accumulation, "Label14", "Text6", "UpDown3", nullptr, "Check5", "Command1"},
    {Setting::Front, "Label15", "Text9", "UpDown6", nullptr, "Check12", "Command11"},
    {Setting::AlarmTime, "Label20", "Text10", "UpDown7", nullptr, "Check13", "Command12"},
    {Setting::SelfTest, "Label31", "Text4", "UpDown8", nullptr, "Check4", "Command14"},
};
// In the order of Setting, one row each.
static_assert(std::size(kNames) == kSettingCount);
static_assert([] {
    for (std::size_t i = 0; i < std::size(kNames); ++i)
        if (kNames[i].setting != Setting(i))
            return false;
    return true;
}());

template <typename T> T *optionalControl(QWidget *form, const char *name)
{
    return name ? control<T>(form, name) : nullptr;
}

}  // namespace

QWidget *SettingControls::editor() const
{
    return list ? static_cast<QWidget *>(list) : spinner;
}

QWidget *SettingControls::valueShown() const
{
    return list ? static_cast<QWidget *>(list) : valueBox;
}

SettingControlTable findSettingControls(QWidget *form)
{
    SettingControlTable table{};
    for (std::size_t i = 0; i < table.size(); ++i) {
        const ControlNames &n = kNames[i];
        table[i] = {n.setting,
                    control<QLabel>(form, n.caption),
                    optionalControl<QLineEdit>(form, n.valueBox),
                    optionalControl<UpDown>(form, n.spinner),
                    optionalControl<QComboBox>(form, n.list),
                    control<QCheckBox>(form, n.unlockBox),
                    control<QPushButton>(form, n.apply)};
    }
    return table;
}
