#include "app/designedlayout.h"
#include "app/chartview.h"
#include "app/controls.h"
#include "app/journallistview.h"
#include "app/portlist.h"
#include "app/settingcontrols.h"
#include "app/updown.h"
#include "base/colors.h"
#include "base/enginetext.h"
#include "base/twips.h"
#include "params/catalogue.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// Fonts of the design. Times New Roman and Cambria are requested by name;
// fontconfig substitutes metric-compatible Liberation Serif and Caladea.
QFont namedFont(const QString &family, qreal points, bool bold, bool italic, bool underline)
{
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    return font;
}

QFont timesFont(qreal points, bool bold = false, bool underline = false)
{
    return namedFont(u"Times New Roman"_s, points, bold, false, underline);
}

QFont cambriaFont(qreal points, bool bold = false, bool italic = false)
{
    return namedFont(u"Cambria"_s, points, bold, italic, false);
}

QString rowCaption(Setting setting)
{
    return engineText(settingRow(setting).caption);
}

QLabel *makeLabel(QWidget *parent, const char *name, const QRect &geometry, const QString &caption,
                  Qt::Alignment alignment, const QFont &font = QFont())
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    label->setTextFormat(Qt::PlainText);
    label->setText(caption);
    label->setAlignment(alignment);
    // Captions taller than one line wrap at word boundaries; one-line captions
    // stay on their line.
    label->setWordWrap(geometry.height() > 20);
    if (font != QFont())
        label->setFont(font);
    label->setAutoFillBackground(true);
    setLabelBackColor(label, bgr::LightGrey);
    setLabelTextColor(label, bgr::Black);
    return label;
}

enum class TextBoxKind { ReadOnly, Editable, BigReadOnly };

QLineEdit *makeTextBox(QWidget *parent, const char *name, const QRect &geometry, TextBoxKind kind)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(geometry);
    box->setText(QLatin1String(name));
    box->setReadOnly(kind != TextBoxKind::Editable);
    if (kind == TextBoxKind::BigReadOnly) {
        box->setFont(cambriaFont(14.25, true));
        box->setAlignment(Qt::AlignCenter);
    }
    box->setTextMargins(0, 0, 0, 0);
    return box;
}

UpDown *makeUpDown(QWidget *parent, const char *name, const QRect &geometry, int value)
{
    // As designed, the spinners hold a position before the window loads; the
    // address spinner starts at 0, the parameter spinners at 1.
    auto *upDown = new UpDown(parent, value, 0, 10);
    upDown->setObjectName(QLatin1String(name));
    upDown->setGeometry(geometry);
    return upDown;
}

QCheckBox *makeCheckBox(QWidget *parent, const char *name, const QRect &geometry,
                        const QString &caption)
{
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(geometry);
    return box;
}

QPushButton *makeButton(QWidget *parent, const char *name, const QRect &geometry,
                        const QString &caption)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    return button;
}

template <typename Box = QComboBox>
Box *makeComboBox(QWidget *parent, const char *name, const QRect &geometry,
                  const QStringList &items)
{
    auto *box = new Box(parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(geometry);
    box->setEditable(false);
    box->addItems(items);
    box->setCurrentIndex(-1);
    return box;
}

QPixmap logoPixmap(const QSize &size)
{
    QPixmap pixmap(size);
    pixmap.fill(QColor(0x1f, 0x3a, 0x68));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0xf2, 0xc1, 0x2e), 2));
    // A fence line with a pulse running along it: the sensing cable.
    const int mid = size.height() * 2 / 3;
    QPolygon wave;
    for (int x = 4; x < size.width() - 4; x += 2) {
        const int dx = x - size.width() / 2;
        const int y = (dx > -8 && dx < 8) ? mid - (8 - std::abs(dx)) * 2 : mid;
        wave << QPoint(x, y);
    }
    painter.drawPolyline(wave);
    painter.setPen(Qt::white);
    QFont font(u"Times New Roman"_s);
    font.setPixelSize(size.height() / 3);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(0, 2, size.width(), size.height() / 2), Qt::AlignCenter,
                     QCoreApplication::translate("DesignedLayout", "ВЕРКАН"));
    return pixmap;
}

// Tab goes through the window as it is read: the connection, the flank and
// its sound, each setting row top to bottom (unlock box, value, apply), the
// remote test, the chart's scales, the control pass and the journal. The
// level read-outs take focus by click only; the spinners never do, their
// value boxes take the keys.
void setScreenTabOrder(QWidget *form)
{
    const auto named = [form](std::initializer_list<const char *> names) {
        QList<QWidget *> widgets;
        for (const char *name : names)
            widgets << control<QWidget>(form, name);
        return widgets;
    };
    QList<QWidget *> order =
        named({"Combo3", "Text1", "Check1", "Command4", "Command3", "Combo2", "Check3"});
    for (const SettingControls &row : findSettingControls(form))
        order << row.unlockBox << row.valueShown() << row.apply;
    order << named({"Command5", "Check6", "Check7", "Check9", "Check8", "Command9", "Command8",
                    "List1", "Command6"});
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    for (const char *readOut : {"Text2", "Text11", "Text12", "Text3"})
        control<QLineEdit>(form, readOut)->setFocusPolicy(Qt::ClickFocus);
}

}  // namespace

void buildDesignedControls(QWidget *form)
{
    makeLabel(form, "Label2", twipsRect(240, 120, 3615, 375), u"Label2"_s,
              Qt::AlignLeft | Qt::AlignTop, timesFont(11.25, true, true));
    makeLabel(form, "Label23", twipsRect(240, 600, 2415, 255), rowCaption(Setting::UnitNumber),
              Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    makeLabel(form, "Label7", twipsRect(240, 1080, 1335, 375), u"Label7"_s,
              Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    makeLabel(form, "Label11", twipsRect(240, 1560, 1455, 255), u"Label11"_s,
              Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    makeLabel(form, "Label4", twipsRect(1920, 1560, 1695, 375), u"Label4"_s,
              Qt::AlignHCenter | Qt::AlignVCenter, timesFont(12, true));
    makeLabel(form, "Label25", twipsRect(3720, 1440, 1335, 495), QString(),
              Qt::AlignHCenter | Qt::AlignVCenter);
    makeLabel(form, "Label9", twipsRect(240, 2040, 1935, 255), u"Label9"_s,
              Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    makeLabel(form, "Label10", twipsRect(240, 2520, 1815, 255), u"Label10"_s,
              Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    makeLabel(form, "Label16", twipsRect(2400, 2520, 1815, 255), u"Label16"_s,
              Qt::AlignHCenter | Qt::AlignVCenter, timesFont(12));
    makeLabel(form, "Label26", twipsRect(240, 3120, 1935, 255), u"Label26"_s,
              Qt::AlignLeft | Qt::AlignTop, timesFont(11.25, true, true));
    makeLabel(form, "Label8", twipsRect(240, 3600, 1335, 255), rowCaption(Setting::Limit),
              Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    makeLabel(form, "Label27", twipsRect(240, 4200, 1215, 255), rowCaption(Setting::Gain),
              Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    makeLabel(form, "Label12", twipsRect(240, 4920, 1335, 255), rowCaption(Setting::Threshold),
              Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    makeLabel(form, "Label14", twipsRect(240, 5640, 1935, 255), rowCaption(Setting::Accumulation),
              Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    makeLabel(form, "Label15", twipsRect(240, 6360, 2055, 255), rowCaption(Setting::Front),
              Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    makeLabel(form, "Label20", twipsRect(240, 7080, 1455, 255), rowCaption(Setting::AlarmTime),
              Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    makeLabel(form, "Label31", twipsRect(240, 7680, 2175, 615), rowCaption(Setting::SelfTest),
              Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    makeLabel(form, "Label22", twipsRect(240, 8520, 1815, 615),
              QCoreApplication::translate("DesignedLayout", "Дистанционный контроль"),
              Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    makeLabel(form, "Label3", twipsRect(5040, 120, 2895, 375), u"Label3"_s,
              Qt::AlignLeft | Qt::AlignTop, timesFont(11.25, true, true));
    makeLabel(form, "Label6", twipsRect(8640, 120, 4815, 375), u"Label6"_s,
              Qt::AlignRight | Qt::AlignTop, cambriaFont(9.75, false, true));
    makeLabel(form, "Label19", twipsRect(5040, 600, 1335, 255), u"Label19"_s,
              Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    makeLabel(form, "Label5", twipsRect(7800, 600, 2175, 255), u"Label5"_s,
              Qt::AlignHCenter | Qt::AlignVCenter, timesFont(12));
    makeLabel(form, "Label1", twipsRect(11640, 1200, 3135, 255), u"Label1"_s,
              Qt::AlignRight | Qt::AlignTop, timesFont(9.75, true));
    makeLabel(form, "Label13", twipsRect(4320, 6600, 615, 255), u"Label13"_s,
              Qt::AlignRight | Qt::AlignTop, timesFont(9.75));
    makeLabel(form, "Label24", twipsRect(9480, 6720, 1575, 375), u"Label24"_s,
              Qt::AlignLeft | Qt::AlignTop);
    makeLabel(form, "Label21", twipsRect(5040, 7080, 3495, 255),
              QCoreApplication::translate("DesignedLayout", "КОНТРОЛЬНЫЙ  ПРОХОД"),
              Qt::AlignLeft | Qt::AlignTop, timesFont(11.25, true, true));
    makeLabel(form, "Label17", twipsRect(5040, 7560, 2175, 255),
              QCoreApplication::translate("DesignedLayout", "Полезный сигнал"),
              Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    makeLabel(form, "Label30", twipsRect(7560, 7560, 1335, 255),
              QCoreApplication::translate("DesignedLayout", "Измерение"),
              Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    makeLabel(form, "Label28", twipsRect(5040, 7920, 975, 375),
              QCoreApplication::translate("DesignedLayout", "Текущее значение"),
              Qt::AlignLeft | Qt::AlignTop);
    makeLabel(form, "Label29", twipsRect(5040, 8760, 855, 375),
              QCoreApplication::translate("DesignedLayout", "Среднее значение"),
              Qt::AlignLeft | Qt::AlignTop);
    makeLabel(form, "Label18", twipsRect(12840, 6840, 1935, 255), u"Label18"_s,
              Qt::AlignRight | Qt::AlignTop, timesFont(9.75, true));
    makeTextBox(form, "Text8", twipsRect(2280, 600, 615, 285), TextBoxKind::ReadOnly);
    makeTextBox(form, "Text2", twipsRect(2280, 2040, 975, 375), TextBoxKind::BigReadOnly);
    makeTextBox(form, "Text11", twipsRect(3480, 2040, 975, 375), TextBoxKind::BigReadOnly);
    makeTextBox(form, "Text7", twipsRect(2280, 4200, 615, 285), TextBoxKind::Editable);
    makeTextBox(form, "Text5", twipsRect(2280, 4920, 615, 285), TextBoxKind::ReadOnly);
    makeTextBox(form, "Text6", twipsRect(2280, 5640, 615, 285), TextBoxKind::ReadOnly);
    makeTextBox(form, "Text9", twipsRect(2280, 6360, 615, 285), TextBoxKind::ReadOnly);
    makeTextBox(form, "Text10", twipsRect(2280, 7080, 615, 285), TextBoxKind::ReadOnly);
    makeTextBox(form, "Text4", twipsRect(2280, 7800, 615, 285), TextBoxKind::ReadOnly);
    makeTextBox(form, "Text1", twipsRect(9960, 600, 615, 285), TextBoxKind::Editable);
    makeTextBox(form, "Text12", twipsRect(6120, 7920, 975, 375), TextBoxKind::BigReadOnly);
    makeTextBox(form, "Text3", twipsRect(6120, 8760, 975, 375), TextBoxKind::BigReadOnly);
    makeUpDown(form, "UpDown5", twipsRect(3000, 360, 255, 495), 1);
    makeUpDown(form, "UpDown4", twipsRect(3000, 4080, 255, 495), 1);
    makeUpDown(form, "UpDown2", twipsRect(3000, 4800, 255, 495), 1);
    makeUpDown(form, "UpDown3", twipsRect(3000, 5520, 255, 495), 1);
    makeUpDown(form, "UpDown6", twipsRect(3000, 6240, 255, 495), 1);
    makeUpDown(form, "UpDown7", twipsRect(3000, 6960, 255, 495), 1);
    makeUpDown(form, "UpDown8", twipsRect(3000, 7680, 255, 495), 1);
    makeUpDown(form, "UpDown1", twipsRect(10680, 480, 255, 495), 0);
    makeCheckBox(form, "Check14", twipsRect(3360, 240, 1095, 255),
                 QCoreApplication::translate("DesignedLayout", "Изменить"));
    makeCheckBox(form, "Check3", twipsRect(3480, 1080, 855, 255), u"Check3"_s);
    makeCheckBox(form, "Check11", twipsRect(3360, 3240, 1095, 255),
                 QCoreApplication::translate("DesignedLayout", "Изменить"));
    makeCheckBox(form, "Check10", twipsRect(3360, 3960, 1095, 255), u"Check10"_s);
    makeCheckBox(form, "Check2", twipsRect(3360, 4680, 1095, 255), u"Check2"_s);
    makeCheckBox(form, "Check5", twipsRect(3360, 5400, 1095, 255), u"Check5"_s);
    makeCheckBox(form, "Check12", twipsRect(3360, 6120, 1095, 255),
                 QCoreApplication::translate("DesignedLayout", "Изменить"));
    makeCheckBox(form, "Check13", twipsRect(3360, 6840, 1095, 255),
                 QCoreApplication::translate("DesignedLayout", "Изменить"));
    makeCheckBox(form, "Check4", twipsRect(3360, 7560, 1095, 255),
                 QCoreApplication::translate("DesignedLayout", "Изменить"));
    makeCheckBox(form, "Check1", twipsRect(9360, 960, 1215, 255), u"Check1"_s);
    makeCheckBox(form, "Check6", twipsRect(5160, 1200, 975, 225), u"Check6"_s);
    makeCheckBox(form, "Check7", twipsRect(6840, 1200, 1095, 225), u"Check7"_s);
    makeCheckBox(form, "Check9", twipsRect(5160, 6600, 975, 225), u"Check9"_s);
    makeCheckBox(form, "Check8", twipsRect(6840, 6600, 1095, 300), u"Check8"_s);
    makeButton(form, "Command13", twipsRect(3360, 600, 1035, 255),
               QCoreApplication::translate("DesignedLayout", "Применить"));
    makeButton(form, "Command10", twipsRect(3360, 3600, 1095, 255),
               QCoreApplication::translate("DesignedLayout", "Применить"));
    makeButton(form, "Command7", twipsRect(3360, 4320, 1095, 255), u"Command7"_s);
    makeButton(form, "Command2", twipsRect(3360, 5040, 1095, 255), u"Command2"_s);
    makeButton(form, "Command1", twipsRect(3360, 5760, 1095, 255), u"Command1"_s);
    makeButton(form, "Command11", twipsRect(3360, 6480, 1095, 255), u"Command11"_s);
    makeButton(form, "Command12", twipsRect(3360, 7200, 1095, 255), u"Command12"_s);
    makeButton(form, "Command14", twipsRect(3360, 7920, 1095, 255),
               QCoreApplication::translate("DesignedLayout", "Применить"));
    makeButton(form, "Command5", twipsRect(2280, 8760, 2175, 375), u"Command5"_s);
    makeButton(form, "Command4", twipsRect(11520, 480, 1215, 255), u"Command4"_s);
    makeButton(form, "Command3", twipsRect(11520, 840, 1215, 255), u"Command3"_s);
    makeButton(form, "Command9", twipsRect(7560, 7920, 1095, 375),
               QCoreApplication::translate("DesignedLayout", "Старт"));
    makeButton(form, "Command8", twipsRect(7560, 8760, 1095, 375),
               QCoreApplication::translate("DesignedLayout", "Стоп"));
    makeButton(form, "Command6", twipsRect(13440, 9120, 1335, 255), u"Command6"_s);

    makeComboBox(form, "Combo2", twipsRect(2280, 1080, 975, 315), {u"1"_s, u"2"_s});
    makeComboBox(form, "Combo1", twipsRect(2280, 3600, 975, 315), limitListItems());
    makeComboBox<PortList>(form, "Combo3", twipsRect(6360, 600, 975, 315), {});

    auto *list = new JournalListView(form);
    list->setObjectName(u"List1"_s);
    list->setGeometry(twipsRect(9240, 7080, 5535, 2010));

    auto *chart = new ChartView(form);
    chart->setObjectName(u"Picture1"_s);
    chart->setGeometry(twipsRect(5040, 1440, 9735, 5175));

    auto *logo = new QLabel(form);
    logo->setObjectName(u"Picture2"_s);
    logo->setGeometry(twipsRect(13560, 120, 1155, 735));
    logo->setPixmap(logoPixmap(logo->size()));

    // Text12 and Label25 have no designed text.
    control<QLineEdit>(form, "Text12")->clear();

    // Label24 keeps the window's own background, unlike every other label.
    control<QLabel>(form, "Label24")->setAutoFillBackground(false);

    // The limit row starts locked like every other setting row.
    control<QComboBox>(form, "Combo1")->setEnabled(false);

    setScreenTabOrder(form);
}
