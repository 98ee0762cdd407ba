#include "app/chartview.h"
#include "app/colors.h"
#include "app/form1.h"
#include "app/twips.h"
#include "app/updown.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
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

QComboBox *makeComboBox(QWidget *parent, const char *name, const QRect &geometry,
                        const QStringList &items)
{
    auto *box = new QComboBox(parent);
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
    painter.drawText(QRect(0, 2, size.width(), size.height() / 2), Qt::AlignCenter, u"ВЕРКАН"_s);
    return pixmap;
}

}  // namespace

void setLabelTextColor(QLabel *label, quint32 color)
{
    if (label->palette().color(QPalette::WindowText) == colorFromBgr(color))
        return;
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colorFromBgr(color));
    label->setPalette(palette);
}

void setLabelBackColor(QLabel *label, quint32 color)
{
    if (label->palette().color(QPalette::Window) == colorFromBgr(color))
        return;
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, colorFromBgr(color));
    label->setPalette(palette);
}

void Form1::createControls()
{
    Label2 = makeLabel(this, "Label2", twipsRect(240, 120, 3615, 375), u"Label2"_s,
                       Qt::AlignLeft | Qt::AlignTop, timesFont(11.25, true, true));
    Label23 = makeLabel(this, "Label23", twipsRect(240, 600, 2415, 255), u"Номер блока"_s,
                        Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    Label7 = makeLabel(this, "Label7", twipsRect(240, 1080, 1335, 375), u"Label7"_s,
                       Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    Label11 = makeLabel(this, "Label11", twipsRect(240, 1560, 1455, 255), u"Label11"_s,
                        Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    Label4 = makeLabel(this, "Label4", twipsRect(1920, 1560, 1695, 375), u"Label4"_s,
                       Qt::AlignHCenter | Qt::AlignVCenter, timesFont(12, true));
    Label25 = makeLabel(this, "Label25", twipsRect(3720, 1440, 1335, 495), QString(),
                        Qt::AlignHCenter | Qt::AlignVCenter);
    Label9 = makeLabel(this, "Label9", twipsRect(240, 2040, 1935, 255), u"Label9"_s,
                       Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    Label10 = makeLabel(this, "Label10", twipsRect(240, 2520, 1815, 255), u"Label10"_s,
                        Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    Label16 = makeLabel(this, "Label16", twipsRect(2400, 2520, 1815, 255), u"Label16"_s,
                        Qt::AlignHCenter | Qt::AlignVCenter, timesFont(12));
    Label26 = makeLabel(this, "Label26", twipsRect(240, 3120, 1935, 255), u"Label26"_s,
                        Qt::AlignLeft | Qt::AlignTop, timesFont(11.25, true, true));
    Label8 = makeLabel(this, "Label8", twipsRect(240, 3600, 1335, 255), u"Предел"_s,
                       Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    Label27 = makeLabel(this, "Label27", twipsRect(240, 4200, 1215, 255), u"Усиление"_s,
                        Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    Label12 = makeLabel(this, "Label12", twipsRect(240, 4920, 1335, 255), u"Порог (В)"_s,
                        Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    Label14 = makeLabel(this, "Label14", twipsRect(240, 5640, 1935, 255), u"Накопление (мсек)"_s,
                        Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    Label15 = makeLabel(this, "Label15", twipsRect(240, 6360, 2055, 255), u"Фронт (мВ/мсек)"_s,
                        Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    Label20 = makeLabel(this, "Label20", twipsRect(240, 7080, 1455, 255), u"Тревога (сек)"_s,
                        Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    Label31 =
        makeLabel(this, "Label31", twipsRect(240, 7680, 2175, 615),
                  u"Длительность самоконтр. (мсек)"_s, Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    Label22 = makeLabel(this, "Label22", twipsRect(240, 8520, 1815, 615),
                        u"Дистанционный контроль"_s, Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    Label3 = makeLabel(this, "Label3", twipsRect(5040, 120, 2895, 375), u"Label3"_s,
                       Qt::AlignLeft | Qt::AlignTop, timesFont(11.25, true, true));
    Label6 = makeLabel(this, "Label6", twipsRect(8640, 120, 4815, 375), u"Label6"_s,
                       Qt::AlignRight | Qt::AlignTop, cambriaFont(9.75, false, true));
    Label19 = makeLabel(this, "Label19", twipsRect(5040, 600, 1335, 255), u"Label19"_s,
                        Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    Label5 = makeLabel(this, "Label5", twipsRect(7800, 600, 2175, 255), u"Label5"_s,
                       Qt::AlignHCenter | Qt::AlignVCenter, timesFont(12));
    Label1 = makeLabel(this, "Label1", twipsRect(11640, 1200, 3135, 255), u"Label1"_s,
                       Qt::AlignRight | Qt::AlignTop, timesFont(9.75, true));
    Label13 = makeLabel(this, "Label13", twipsRect(4320, 6600, 615, 255), u"Label13"_s,
                        Qt::AlignRight | Qt::AlignTop, timesFont(9.75));
    Label24 = makeLabel(this, "Label24", twipsRect(9480, 6720, 1575, 375), u"Label24"_s,
                        Qt::AlignLeft | Qt::AlignTop);
    Label21 = makeLabel(this, "Label21", twipsRect(5040, 7080, 3495, 255), u"КОНТРОЛЬНЫЙ  ПРОХОД"_s,
                        Qt::AlignLeft | Qt::AlignTop, timesFont(11.25, true, true));
    Label17 = makeLabel(this, "Label17", twipsRect(5040, 7560, 2175, 255), u"Полезный сигнал"_s,
                        Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    Label30 = makeLabel(this, "Label30", twipsRect(7560, 7560, 1335, 255), u"Измерение"_s,
                        Qt::AlignLeft | Qt::AlignTop, timesFont(12));
    Label28 = makeLabel(this, "Label28", twipsRect(5040, 7920, 975, 375), u"Текущее значение"_s,
                        Qt::AlignLeft | Qt::AlignTop);
    Label29 = makeLabel(this, "Label29", twipsRect(5040, 8760, 855, 375), u"Среднее значение"_s,
                        Qt::AlignLeft | Qt::AlignTop);
    Label18 = makeLabel(this, "Label18", twipsRect(12840, 6840, 1935, 255), u"Label18"_s,
                        Qt::AlignRight | Qt::AlignTop, timesFont(9.75, true));
    Text8 = makeTextBox(this, "Text8", twipsRect(2280, 600, 615, 285), TextBoxKind::ReadOnly);
    Text2 = makeTextBox(this, "Text2", twipsRect(2280, 2040, 975, 375), TextBoxKind::BigReadOnly);
    Text11 = makeTextBox(this, "Text11", twipsRect(3480, 2040, 975, 375), TextBoxKind::BigReadOnly);
    Text7 = makeTextBox(this, "Text7", twipsRect(2280, 4200, 615, 285), TextBoxKind::Editable);
    Text5 = makeTextBox(this, "Text5", twipsRect(2280, 4920, 615, 285), TextBoxKind::ReadOnly);
    Text6 = makeTextBox(this, "Text6", twipsRect(2280, 5640, 615, 285), TextBoxKind::ReadOnly);
    Text9 = makeTextBox(this, "Text9", twipsRect(2280, 6360, 615, 285), TextBoxKind::ReadOnly);
    Text10 = makeTextBox(this, "Text10", twipsRect(2280, 7080, 615, 285), TextBoxKind::ReadOnly);
    Text4 = makeTextBox(this, "Text4", twipsRect(2280, 7800, 615, 285), TextBoxKind::ReadOnly);
    Text1 = makeTextBox(this, "Text1", twipsRect(9960, 600, 615, 285), TextBoxKind::Editable);
    Text12 = makeTextBox(this, "Text12", twipsRect(6120, 7920, 975, 375), TextBoxKind::BigReadOnly);
    Text3 = makeTextBox(this, "Text3", twipsRect(6120, 8760, 975, 375), TextBoxKind::BigReadOnly);
    UpDown5 = makeUpDown(this, "UpDown5", twipsRect(3000, 360, 255, 495), 1);
    UpDown4 = makeUpDown(this, "UpDown4", twipsRect(3000, 4080, 255, 495), 1);
    UpDown2 = makeUpDown(this, "UpDown2", twipsRect(3000, 4800, 255, 495), 1);
    UpDown3 = makeUpDown(this, "UpDown3", twipsRect(3000, 5520, 255, 495), 1);
    UpDown6 = makeUpDown(this, "UpDown6", twipsRect(3000, 6240, 255, 495), 1);
    UpDown7 = makeUpDown(this, "UpDown7", twipsRect(3000, 6960, 255, 495), 1);
    UpDown8 = makeUpDown(this, "UpDown8", twipsRect(3000, 7680, 255, 495), 1);
    UpDown1 = makeUpDown(this, "UpDown1", twipsRect(10680, 480, 255, 495), 0);
    Check14 = makeCheckBox(this, "Check14", twipsRect(3360, 240, 1095, 255), u"Изменить"_s);
    Check3 = makeCheckBox(this, "Check3", twipsRect(3480, 1080, 855, 255), u"Check3"_s);
    Check11 = makeCheckBox(this, "Check11", twipsRect(3360, 3240, 1095, 255), u"Изменить"_s);
    Check10 = makeCheckBox(this, "Check10", twipsRect(3360, 3960, 1095, 255), u"Check10"_s);
    Check2 = makeCheckBox(this, "Check2", twipsRect(3360, 4680, 1095, 255), u"Check2"_s);
    Check5 = makeCheckBox(this, "Check5", twipsRect(3360, 5400, 1095, 255), u"Check5"_s);
    Check12 = makeCheckBox(this, "Check12", twipsRect(3360, 6120, 1095, 255), u"Изменить"_s);
    Check13 = makeCheckBox(this, "Check13", twipsRect(3360, 6840, 1095, 255), u"Изменить"_s);
    Check4 = makeCheckBox(this, "Check4", twipsRect(3360, 7560, 1095, 255), u"Изменить"_s);
    Check1 = makeCheckBox(this, "Check1", twipsRect(9360, 960, 1215, 255), u"Check1"_s);
    Check6 = makeCheckBox(this, "Check6", twipsRect(5160, 1200, 975, 225), u"Check6"_s);
    Check7 = makeCheckBox(this, "Check7", twipsRect(6840, 1200, 1095, 225), u"Check7"_s);
    Check9 = makeCheckBox(this, "Check9", twipsRect(5160, 6600, 975, 225), u"Check9"_s);
    Check8 = makeCheckBox(this, "Check8", twipsRect(6840, 6600, 1095, 300), u"Check8"_s);
    Command13 = makeButton(this, "Command13", twipsRect(3360, 600, 1035, 255), u"Применить"_s);
    Command10 = makeButton(this, "Command10", twipsRect(3360, 3600, 1095, 255), u"Применить"_s);
    Command7 = makeButton(this, "Command7", twipsRect(3360, 4320, 1095, 255), u"Command7"_s);
    Command2 = makeButton(this, "Command2", twipsRect(3360, 5040, 1095, 255), u"Command2"_s);
    Command1 = makeButton(this, "Command1", twipsRect(3360, 5760, 1095, 255), u"Command1"_s);
    Command11 = makeButton(this, "Command11", twipsRect(3360, 6480, 1095, 255), u"Command11"_s);
    Command12 = makeButton(this, "Command12", twipsRect(3360, 7200, 1095, 255), u"Command12"_s);
    Command14 = makeButton(this, "Command14", twipsRect(3360, 7920, 1095, 255), u"Применить"_s);
    Command5 = makeButton(this, "Command5", twipsRect(2280, 8760, 2175, 375), u"Command5"_s);
    Command4 = makeButton(this, "Command4", twipsRect(11520, 480, 1215, 255), u"Command4"_s);
    Command3 = makeButton(this, "Command3", twipsRect(11520, 840, 1215, 255), u"Command3"_s);
    Command9 = makeButton(this, "Command9", twipsRect(7560, 7920, 1095, 375), u"Старт"_s);
    Command8 = makeButton(this, "Command8", twipsRect(7560, 8760, 1095, 375), u"Стоп"_s);
    Command6 = makeButton(this, "Command6", twipsRect(13440, 9120, 1335, 255), u"Command6"_s);

    Combo2 = makeComboBox(this, "Combo2", twipsRect(2280, 1080, 975, 315), {u"1"_s, u"2"_s});
    Combo1 = makeComboBox(this, "Combo1", twipsRect(2280, 3600, 975, 315),
                          {u"1"_s, u"10"_s, u"100"_s, u"1000"_s});
    Combo3 = makeComboBox(this, "Combo3", twipsRect(6360, 600, 975, 315), {});
    // The limit row starts locked like every other setting row.
    Combo1->setEnabled(false);

    List1 = new QListWidget(this);
    List1->setObjectName(u"List1"_s);
    List1->setGeometry(twipsRect(9240, 7080, 5535, 2010));
    List1->setSortingEnabled(false);

    Picture1 = new ChartView(this);
    Picture1->setObjectName(u"Picture1"_s);
    Picture1->setGeometry(twipsRect(5040, 1440, 9735, 5175));

    Picture2 = new QLabel(this);
    Picture2->setObjectName(u"Picture2"_s);
    Picture2->setGeometry(twipsRect(13560, 120, 1155, 735));
    Picture2->setPixmap(logoPixmap(Picture2->size()));

    // Text12 and Label25 have no designed text.
    Text12->clear();

    // Label24 keeps the window's own background, unlike every other label.
    Label24->setAutoFillBackground(false);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(u"Timer1"_s);
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer1->setInterval(100);
    Timer4 = new QTimer(this);
    Timer4->setObjectName(u"Timer4"_s);
    Timer4->setInterval(0);
    Timer5 = new QTimer(this);
    Timer5->setObjectName(u"Timer5"_s);
    Timer5->setInterval(0);
}
